#pragma once
// The window's experiments: File -> Experiment... and Open experiment...,
// the background sweep with its progress bar and Cancel in the status bar,
// and the results window that opens when a sweep ends.

#include <QObject>
#include <QPointer>
#include <string>

#include "experiment_request.h"

class QAction;
class QMenu;
class QProgressBar;
class QPushButton;

namespace quorvan {

class ExperimentDialog;
class ResultsWindow;
class SweepJob;
class TForm1;

/// The dialog's values from the window: its controls and stop time.
ExperimentRequest RequestFromWindow(const TForm1& form);

class ExperimentMenu : public QObject {
  Q_OBJECT

 public:
  /// Adds the actions to `file` and the progress to the form's status bar.
  ExperimentMenu(TForm1& form, QMenu* file);

  /// Opens the dialog, seeded from the window as it is now.
  ExperimentDialog* OpenDialog();
  /// The results window of a sweep folder; an error names the folder.
  std::string ShowResults(const QString& folder);

  ExperimentDialog* Dialog() const;
  ResultsWindow* Results() const;
  SweepJob& Job() const { return *job_; }
  QProgressBar* ProgressBar() const { return bar_; }

  QAction* A_experiment = nullptr;
  QAction* A_openExperiment = nullptr;

 private:
  void OpenExperimentClick();
  void SweepProgress(qint64 done, qint64 total, double secondsLeft);
  void SweepFinished(int exitCode, const QString& message, const QString& outDir);

  TForm1& form_;
  SweepJob* job_ = nullptr;
  QProgressBar* bar_ = nullptr;
  QPushButton* cancel_ = nullptr;
  QPointer<ExperimentDialog> dialog_;
  QPointer<ResultsWindow> results_;
};

}  // namespace quorvan
