// File > Record movie... and File > Stop recording: the panel recorded as a
// movie from the window, frame for frame as the batch runner records it,
// and the status bar's word on it while it records.

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QStatusBar>
#include <QTimer>

#include "CellForm.h"
#include "record_dialog.h"
#include "window_output.h"

namespace quorvan {

namespace {

// While the timer runs, the label changes at most this often (ms).
constexpr int kRecordLabelInterval = 200;

}  // namespace

void TForm1::CreateRecordMenu(QMenu* file) {
  file->addSeparator();
  A_recordMovie = file->addAction(QStringLiteral("Record &movie..."));
  A_recordMovie->setObjectName(QStringLiteral("A_recordMovie"));
  connect(A_recordMovie, &QAction::triggered, this, &TForm1::RecordMovieClick);
  A_stopRecording = file->addAction(QStringLiteral("S&top recording"));
  A_stopRecording->setObjectName(QStringLiteral("A_stopRecording"));
  A_stopRecording->setEnabled(false);
  connect(A_stopRecording, &QAction::triggered, this, &TForm1::StopRecordingClick);

  Lbl_record = new QLabel(this);
  Lbl_record->setObjectName(QStringLiteral("Lbl_record"));
  Lbl_record->setStyleSheet(QStringLiteral("color: #b00000"));
  Lbl_record->hide();
  // Left of the seed and run state, which keep their place at the right.
  statusBar()->insertPermanentWidget(1, Lbl_record);
  recordChoice_.moviePath = QDir::current().filePath(QStringLiteral("movie.mp4")).toStdString();
}

void TForm1::RecordMovieClick() {
  RecordDialog dialog(this, recordChoice_);
  if (dialog.exec() != QDialog::Accepted) return;
  recordChoice_ = dialog.Options();
  StartRecording(recordChoice_);
}

void TForm1::StopRecordingClick() { StopRecording(); }

std::string TForm1::StartRecording(const batch::RecordingOptions& options) {
  StopRecording();
  const std::string error = sim.HasWorld() ? recording_.Start(options) : std::string("there is no world to record");
  if (!error.empty()) {
    ShowRecordingFault(error);
  } else {
    status_->Report(StatusLine::Source::Movie, {});
  }
  recordShown_.invalidate();
  ShowRecording();
  return error;
}

std::string TForm1::StopRecording() {
  if (!recording_.Active()) return {};
  const QString path = QString::fromStdString(recording_.Path());
  int64_t frames = 0;
  const std::string error = recording_.Stop(sim, &frames);
  ShowRecording();
  if (!error.empty()) {
    ShowRecordingFault(error);
  } else {
    status_->Report(StatusLine::Source::Movie, {});
    status_->Confirm(StatusLine::Source::Movie, "recorded '" + QFileInfo(path).fileName().toStdString() + "' (" +
                                                    std::to_string(frames) + " frames, " +
                                                    SizeText(QFileInfo(path).size()) + ")");
  }
  return error;
}

void TForm1::RecordStep(bool last) {
  recording_.AfterStep(sim, last);
  if (recording_.Failed()) {
    StopRecording();  // says why
    return;
  }
  if (!Timer1->isActive() || !recordShown_.isValid() || recordShown_.elapsed() >= kRecordLabelInterval) {
    ShowRecording();
  }
}

void TForm1::ShowRecording() {
  const bool on = recording_.Active();
  A_recordMovie->setEnabled(!on);
  A_stopRecording->setEnabled(on);
  if (!on) {
    Lbl_record->hide();
    return;
  }
  const int64_t frames = recording_.Frames();
  Lbl_record->setText(QStringLiteral("Recording %1: %2 frame%3")
                          .arg(QFileInfo(QString::fromStdString(recording_.Path())).fileName())
                          .arg(frames)
                          .arg(frames == 1 ? QString() : QStringLiteral("s")));
  Lbl_record->show();
  recordShown_.start();
}

void TForm1::ShowRecordingFault(const std::string& message) {
  status_->Report(StatusLine::Source::Movie, "movie not recorded: " + message);
  // Not modal: the run goes on behind it, and tests are not held up.
  if (!recordFault_) {
    recordFault_ = new QMessageBox(QMessageBox::Warning, QStringLiteral("Recording failed"),
                                   QStringLiteral("The movie was not recorded."), QMessageBox::Ok, this);
    recordFault_->setObjectName(QStringLiteral("recordFault"));
    recordFault_->setModal(false);
    recordFault_->setAttribute(Qt::WA_DeleteOnClose);
    recordFault_->setFont(QApplication::font());
  }
  recordFault_->setInformativeText(QString::fromStdString(message));
  recordFault_->show();
}

}  // namespace quorvan
