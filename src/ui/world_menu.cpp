// The menu bar's File menu: world files, the chart's data and the panel's
// picture. Each action asks for a path and hands it to a function that
// does the work, so that tests can call those directly.

#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QImageWriter>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>

#include "CellForm.h"
#include "chart_export.h"
#include "form_display.h"
#include "panel_image.h"
#include "save_paths.h"
#include "stats_chart.h"
#include "window_output.h"

namespace quorvan {

namespace {

const QString kWorldFilter = QStringLiteral("Quorvan worlds (*.qvw);;All files (*)");
const QString kCsvFilter = QStringLiteral("CSV files (*.csv);;All files (*)");
const QString kPngFilter = QStringLiteral("PNG pictures (*.png);;All files (*)");
const QString kChartPictureFilter = QStringLiteral("PNG pictures (*.png);;SVG drawings (*.svg);;All files (*)");

std::string Quoted(const QString& path) { return "'" + path.toStdString() + "'"; }

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
  add(A_recover, "A_recover", QStringLiteral("&Recover..."), QKeySequence(), &TForm1::RecoverClick);
  file->addSeparator();
#endif
  add(A_exportChart, "A_exportChart", QStringLiteral("&Export chart data..."), QKeySequence(),
      &TForm1::ExportChartClick);
  add(A_saveChartPicture, "A_saveChartPicture", QStringLiteral("Save c&hart picture..."), QKeySequence(),
      &TForm1::SaveChartPictureClick);
  add(A_savePicture, "A_savePicture", QStringLiteral("Save &picture..."), QKeySequence(),
      &TForm1::SavePictureClick);
  CreateRecordMenu(file);
  file->addSeparator();
  CreateExperimentMenu(file);
  A_quit = file->addAction(QStringLiteral("&Quit"));
  A_quit->setObjectName(QStringLiteral("A_quit"));
  A_quit->setShortcut(QKeySequence(QStringLiteral("Ctrl+Q")));
  connect(A_quit, &QAction::triggered, this, &QWidget::close);
}

std::string TForm1::ReportFile(const std::string& message) {
  if (message.empty()) {
    FileSucceeded();
  } else {
    status_->Report(StatusLine::Source::File, message);
  }
  return message;
}

std::string TForm1::ReportSaved(const QString& path) {
  FileSucceeded();
  status_->Confirm(StatusLine::Source::File, SavedConfirmation(path));
  return {};
}

void TForm1::FileSucceeded() {
  status_->Report(StatusLine::Source::File, {});
  if (faultBox_) faultBox_->close();
}

void TForm1::ShowOpenFault(const QString& path, const std::string& message) {
  // Not modal: the run goes on behind it, and tests are not held up.
  if (!faultBox_) {
    faultBox_ = new QMessageBox(QMessageBox::Warning, QStringLiteral("Cannot open the world"), QString(),
                                QMessageBox::Ok, this);
    faultBox_->setObjectName(QStringLiteral("openFault"));
    faultBox_->setModal(false);
    faultBox_->setAttribute(Qt::WA_DeleteOnClose);
    // The program's usual font, not the design's small one, and room for
    // a path on one line.
    faultBox_->setFont(QApplication::font());
    faultBox_->setStyleSheet(
        QStringLiteral("QLabel#qt_msgbox_label, QLabel#qt_msgbox_informativelabel { min-width: 340px; }"));
  }
  faultBox_->setText(QStringLiteral("Cannot open %1").arg(QFileInfo(path).fileName()));
  faultBox_->setInformativeText(QString::fromStdString(message));
  faultBox_->show();
}

void TForm1::SetWorldFile(const QString& path) {
  worldFile_ = path;
  ShowTitle();
}

std::string TForm1::ExportChart(const QString& path) {
  const std::string text = ChartCsv(Chart1->Points());
  const std::string error = WriteWindowFile(path, [&](QIODevice& device) -> std::string {
    const auto size = static_cast<qint64>(text.size());
    return device.write(text.data(), size) == size ? std::string() : device.errorString().toStdString();
  });
  return error.empty() ? ReportSaved(path) : ReportFile(error);
}

std::string TForm1::SavePicture(const QString& path) {
  const QImage image = display_->Composite();
  if (image.isNull()) return ReportFile("there is no picture to write to " + Quoted(path));
  const std::string error = WriteWindowFile(path, [&](QIODevice& device) -> std::string {
    QImageWriter writer(&device, "png");
    return writer.write(image) ? std::string() : writer.errorString().toStdString();
  });
  return error.empty() ? ReportSaved(path) : ReportFile(error);
}

std::string TForm1::SaveChartPicture(const QString& path) {
  Chart1->Flush();  // every point stored so far, not only those shown
  const bool svg = IsSvgPath(path);
  const std::string error =
      WriteWindowFile(path, [&](QIODevice& device) { return WriteChartPicture(*Chart1, device, svg); });
  return error.empty() ? ReportSaved(path) : ReportFile(error);
}

#if defined(QUORVAN_WORLD_FILES)
void TForm1::OpenWorldClick() {
  if (!MaySetWorldAside()) return;
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
  const QString path = AskSavePath(this, QStringLiteral("Save world as"), worldFile_, kWorldFilter);
  if (!path.isEmpty()) SaveWorldFile(path);
}

#else
// Built without the world file library: the actions are not in the menu.
void TForm1::OpenWorldClick() {}
void TForm1::RecoverClick() {}
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
  const QString path = AskSavePath(this, QStringLiteral("Export chart data"), QString(), kCsvFilter);
  if (!path.isEmpty()) ExportChart(path);
}

void TForm1::SaveChartPictureClick() {
  const QString path = AskSavePath(this, QStringLiteral("Save chart picture"), QString(), kChartPictureFilter);
  if (!path.isEmpty()) SaveChartPicture(path);
}

void TForm1::SavePictureClick() {
  const QString path = AskSavePath(this, QStringLiteral("Save picture"), QString(), kPngFilter);
  if (!path.isEmpty()) SavePicture(path);
}

}  // namespace quorvan
