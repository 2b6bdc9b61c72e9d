#pragma once
// The results of a sweep folder in a window of its own: the plot, runs.csv
// as a sortable table and the analysis tables the folder holds. A run
// selected in the table can be opened in the main window, at its start or
// at a chosen step.

#include <QString>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

class QLabel;
class QPushButton;
class QSortFilterProxyModel;
class QTabWidget;
class QTableView;

namespace quorvan {

class ResultsWindow : public QWidget {
  Q_OBJECT

 public:
  /// Opens run `run` of the sweep in `folder` at `step` (its start when
  /// absent); returns an error text, empty on success.
  using OpenRun = std::function<std::string(const QString& folder, int64_t run, std::optional<int32_t> step)>;

  explicit ResultsWindow(OpenRun openRun, QWidget* parent = nullptr);

  /// Shows the sweep in `folder`. A folder that is no finished sweep gives
  /// an error naming it and what is missing; the window is then unchanged.
  std::string LoadFolder(const QString& folder);

  QTableView* RunsView() const { return runsView_; }
  QSortFilterProxyModel* RunsModel() const { return runsProxy_; }
  QTabWidget* Tabs() const { return tabs_; }
  /// The run of the table's current row; none without a selection.
  std::optional<int64_t> SelectedRun() const;

 public slots:
  void OpenRunClick();
  void OpenRunAtStepClick();

 private:
  QTableView* AddTable(const QString& path, const QString& title, QString& error);
  void Report(const std::string& error);

  OpenRun openRun_;
  QString folder_;
  QLabel* heading_ = nullptr;
  QLabel* message_ = nullptr;
  QTabWidget* tabs_ = nullptr;
  QTableView* runsView_ = nullptr;
  QSortFilterProxyModel* runsProxy_ = nullptr;
  QPushButton* openRunButton_ = nullptr;
  QPushButton* openRunAtButton_ = nullptr;
};

}  // namespace quorvan
