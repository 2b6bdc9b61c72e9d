#pragma once
// Experiment... : a sweep set up in a dialog, seeded from the window's world
// and controls. Every value goes through quorvan-batch's own parser before
// anything is written or started; what it refuses is shown here, with the
// field marked. Run starts the sweep in the background (SweepJob).

#include <QDialog>
#include <functional>
#include <map>
#include <string>

#include "experiment_request.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QSpinBox;
class QTableWidget;

namespace quorvan {

class SweepJob;

class ExperimentDialog : public QDialog {
  Q_OBJECT

 public:
  /// Saves the window's world (mouse edits included) to a path; an error text.
  using SaveWorld = std::function<std::string(const std::string& path)>;

  ExperimentDialog(const ExperimentRequest& seed, SaveWorld saveWorld, SweepJob& job, QWidget* parent = nullptr);

  /// The widgets' values, and back.
  ExperimentRequest Request() const;
  void SetRequest(const ExperimentRequest& request);

  /// Checks the request with the engine and starts the sweep; the base
  /// world and experiment.toml go into the output folder first. An error
  /// (shown in the dialog) leaves every file and the window as they were.
  std::string StartSweep();
  /// Runs what the sweep in `folder` is missing.
  std::string ResumeFolder(const QString& folder);
  /// Writes the experiment file (the current world beside it, as NAME.base.qvw,
  /// when it is the base).
  std::string SaveExperimentFile(const QString& path);
  /// Fills the dialog from an experiment file.
  std::string OpenExperimentFile(const QString& path);

  /// The message shown, empty when none.
  QString Message() const;
  QTableWidget* SettingsTable() const { return table_; }

 private slots:
  void BaseChanged();
  void BrowseOutClick();
  void OpenFileClick();
  void SaveFileClick();
  void ResumeClick();
  void RunClick();

 private:
  std::string Show(const std::string& error);
  void MarkFault(const std::string& error);
  int RowOf(const std::string& key) const;

  SaveWorld saveWorld_;
  SweepJob& job_;
  QComboBox* base_ = nullptr;
  QTableWidget* table_ = nullptr;
  QLineEdit* steps_ = nullptr;
  QSpinBox* replicates_ = nullptr;
  QLineEdit* seed_ = nullptr;
  QSpinBox* jobs_ = nullptr;
  QLineEdit* out_ = nullptr;
  QCheckBox* series_ = nullptr;
  QCheckBox* plot_ = nullptr;
  QLabel* message_ = nullptr;
  std::map<std::string, QWidget*> fields_;  ///< by option name, for marking faults
};

}  // namespace quorvan
