// The menu bar's File menu: world files, the chart's data and the panel's
// picture. Each action asks for a path and hands it to a function that
// does the work, so that tests can call those directly.

#include <QAction>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMenuBar>
#include <QSaveFile>
#include <charconv>

#include "CellForm.h"
#include "form_display.h"
#include "panel_image.h"
#include "stats_chart.h"

namespace quorvan {

namespace {

const QString kWorldFilter = QStringLiteral("Quorvan worlds (*.qvw);;All files (*)");

std::string Quoted(const QString& path) { return "'" + path.toStdString() + "'"; }

/// The shortest text that reads back as the same double.
void AppendNumber(std::string& out, double v) {
  char buffer[32];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, v);
  out.append(buffer, result.ptr);
}

}  // namespace

void TForm1::CreateMenu() {
  QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
  const auto add = [&](QAction*& action, const char* name, const QString& text,
                       const QKeySequence& keys, void (TForm1::*slot)()) {
    action = file->addAction(text);
    action->setObjectName(QString::fromLatin1(name));
    if (!keys.isEmpty()) action->setShortcut(keys);
    connect(action, &QAction::triggered, this, slot);
  };
#if !defined(QUORVAN_WORLD_FILES)
  // Without the world file library there is nothing to open or save with.
  A_open = A_save = A_saveAs = nullptr;
#else
  add(A_open, "A_open", QStringLiteral("&Open world..."), QKeySequence::Open, &TForm1::OpenWorldClick);
  add(A_save, "A_save", QStringLiteral("&Save world"), QKeySequence::Save, &TForm1::SaveWorldClick);
  add(A_saveAs, "A_saveAs", QStringLiteral("Save world &as..."), QKeySequence(QStringLiteral("Ctrl+Shift+S")),
      &TForm1::SaveWorldAsClick);
  file->addSeparator();
#endif
  add(A_exportChart, "A_exportChart", QStringLiteral("&Export chart data..."), QKeySequence(),
      &TForm1::ExportChartClick);
  add(A_savePicture, "A_savePicture", QStringLiteral("Save &picture..."), QKeySequence(),
      &TForm1::SavePictureClick);
  file->addSeparator();
  CreateExperimentMenu(file);
  A_quit = file->addAction(QStringLiteral("&Quit"));
  A_quit->setObjectName(QStringLiteral("A_quit"));
  A_quit->setShortcut(QKeySequence(QStringLiteral("Ctrl+Q")));
  connect(A_quit, &QAction::triggered, this, &QWidget::close);
}

std::string TForm1::ReportFile(const std::string& message) {
  status_->Report(StatusLine::Source::File, message);
  return message;
}

void TForm1::SetWorldFile(const QString& path) {
  worldFile_ = path;
  setWindowTitle(path.isEmpty() ? QStringLiteral("Quorvan")
                                : QStringLiteral("Quorvan - ") + QFileInfo(path).fileName());
}

std::string TForm1::ExportChart(const QString& path) {
  std::string text = "step,successful,returning,track_max\n";
  for (const ChartPoint& p : Chart1->Points()) {
    for (double v : {p.step, p.successful, p.returning}) {
      AppendNumber(text, v);
      text += ',';
    }
    AppendNumber(text, p.trackMax);
    text += '\n';
  }
  // QSaveFile writes a temporary file beside `path` and renames it only
  // when everything is written.
  QSaveFile file(path);
  const auto size = static_cast<qint64>(text.size());
  if (!file.open(QIODevice::WriteOnly) || file.write(text.data(), size) != size || !file.commit()) {
    return ReportFile("cannot write chart data to " + Quoted(path) + ": " + file.errorString().toStdString());
  }
  return ReportFile({});
}

std::string TForm1::SavePicture(const QString& path) {
  std::string error;
  if (!SavePng(display_->Composite(), path.toStdString(), error)) return ReportFile(error);
  return ReportFile({});
}

#if defined(QUORVAN_WORLD_FILES)
void TForm1::OpenWorldClick() {
  const QString path = QFileDialog::getOpenFileName(this, QStringLiteral("Open world"), worldFile_, kWorldFilter);
  if (!path.isEmpty()) OpenWorldFile(path);
}

void TForm1::SaveWorldClick() {
  if (worldFile_.isEmpty()) {
    SaveWorldAsClick();
  } else {
    SaveWorldFile(worldFile_);
  }
}

void TForm1::SaveWorldAsClick() {
  const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Save world as"), worldFile_, kWorldFilter);
  if (!path.isEmpty()) SaveWorldFile(path);
}

#else
// Built without the world file library: the actions are not in the menu.
void TForm1::OpenWorldClick() {}
void TForm1::SaveWorldClick() {}
void TForm1::SaveWorldAsClick() {}
std::string TForm1::OpenWorldFile(const QString& path) {
  return ReportFile("cannot open " + Quoted(path) + ": this build has no world files");
}
std::string TForm1::SaveWorldFile(const QString& path) {
  return ReportFile("cannot save " + Quoted(path) + ": this build has no world files");
}
#endif

void TForm1::ExportChartClick() {
  const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Export chart data"), QString(),
                                                    QStringLiteral("CSV files (*.csv);;All files (*)"));
  if (!path.isEmpty()) ExportChart(path);
}

void TForm1::SavePictureClick() {
  const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Save picture"), QString(),
                                                    QStringLiteral("PNG pictures (*.png);;All files (*)"));
  if (!path.isEmpty()) SavePicture(path);
}

}  // namespace quorvan
