// Unsaved work: the title says when mouse edits or setting changes are not
// saved; Quit and Open ask first; and a world with unsaved changes is
// autosaved now and then, and before "new Setup" replaces it, to a
// recovery file that File > Recover... opens again.

#include <QAbstractButton>
#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QInputDialog>
#include <QLineEdit>
#include <QLocale>
#include <QMenuBar>
#include <QMessageBox>
#include <QScrollBar>
#include <QTimer>

#include "CellForm.h"
#include "prompts.h"
#include "recovery_files.h"
#include "stats_chart.h"
#include "window_output.h"
#if defined(QUORVAN_WORLD_FILES)
#include "world_file.h"
#endif

namespace quorvan {

void TForm1::TrackUnsavedWork() {
  // After the handlers: the settings hold the new value when it is compared.
  for (QLineEdit* edit : centralWidget()->findChildren<QLineEdit*>()) {
    connect(edit, &QLineEdit::textChanged, this, &TForm1::ShowTitle);
  }
  for (QAbstractButton* button : centralWidget()->findChildren<QAbstractButton*>()) {
    connect(button, &QAbstractButton::toggled, this, &TForm1::ShowTitle);
  }
  for (QScrollBar* bar : centralWidget()->findChildren<QScrollBar*>()) {
    connect(bar, &QScrollBar::valueChanged, this, &TForm1::ShowTitle);
  }
  connect(CB_pre, &QComboBox::currentTextChanged, this, &TForm1::ShowTitle);
  autosave_.setInterval(kAutosaveMinutes * 60 * 1000);
  connect(&autosave_, &QTimer::timeout, this, [this] { Autosave(); });
}

bool TForm1::HasUnsavedWork() const { return editsUnsaved_ || !(sim.settings == savedSettings_); }

void TForm1::WorkSaved() {
  editsUnsaved_ = false;
  savedSettings_ = sim.settings;
  recoveryPath_.clear();  // the next autosave of this world is a new file
  ShowTitle();
}

void TForm1::EditedWithMouse() {
  if (editsUnsaved_) return;
  editsUnsaved_ = true;
  ShowTitle();
}

void TForm1::ShowTitle() {
  QString title = QStringLiteral("Quorvan");
  if (!worldFile_.isEmpty()) title += QStringLiteral(" - ") + QFileInfo(worldFile_).fileName();
  if (HasUnsavedWork()) title += QStringLiteral(" (unsaved changes)");
  if (title != windowTitle()) setWindowTitle(title);
}

bool TForm1::MaySetWorldAside() {
  if (!HasUnsavedWork()) return true;
  const QString name = worldFile_.isEmpty() ? QStringLiteral("The world") : QFileInfo(worldFile_).fileName();
  switch (AskToSave(this, name + QStringLiteral(" has changes that are not saved. Save them first?"))) {
    case SaveAnswer::Save:
      SaveWorldClick();
      return !HasUnsavedWork();  // a cancelled or failed save keeps the world
    case SaveAnswer::Discard:
      return true;
    case SaveAnswer::Cancel:
      break;
  }
  return false;
}

void TForm1::closeEvent(QCloseEvent* event) {
  if (!MaySetWorldAside()) {
    event->ignore();
    return;
  }
  if (recording_.Active()) {
    // The movie is completed before the window goes; a failure is read first.
    const std::string error = recording_.Stop(sim);
    ShowRecording();
    if (!error.empty()) QMessageBox::warning(this, QStringLiteral("Recording failed"), QString::fromStdString(error));
  }
  event->accept();
}

std::string TForm1::Autosave() {
  if (recoveryFolder_.isEmpty() || !sim.HasWorld() || !HasUnsavedWork()) return {};
#if defined(QUORVAN_WORLD_FILES)
  if (recoveryPath_.isEmpty()) recoveryPath_ = NewRecoveryPath(recoveryFolder_);
  const std::string error = SaveWorld(recoveryPath_.toStdString(), sim, Chart1->Points());
#else
  const std::string error = "this build has no world files";
#endif
  if (!error.empty()) {
    status_->Report(StatusLine::Source::File, "autosave for recovery failed: " + error);
    return error;
  }
  PruneRecoveryFiles(recoveryFolder_);
  return {};
}

void TForm1::StartRecovery() {
  recoveryFolder_ = RecoveryFolder();
  if (recoveryFolder_.isEmpty()) return;
  const bool crashed = !TakeEndedSessionMarks(recoveryFolder_).isEmpty();
  sessionMark_ = MarkSessionRunning(recoveryFolder_);
  autosave_.start();
  const QList<RecoveryFile> files = ListRecoveryFiles(recoveryFolder_);
  if (!crashed || files.isEmpty()) return;
  const QString when = QLocale().toString(files.front().saved, QLocale::ShortFormat);
  if (AskYesNo(this, QStringLiteral("Recover"),
               QStringLiteral("Quorvan did not close properly last time. Open the world recovered at %1?").arg(when))) {
    RecoverWorld(files.front().path);
  }
}

std::string TForm1::RecoverWorld(const QString& path) {
  const std::string error = OpenWorldFile(path);
  if (!error.empty()) return error;
  // A recovered world is no file of the user's: saving asks where, and
  // until then it is unsaved work.
  SetWorldFile(QString());
  editsUnsaved_ = true;
  ShowTitle();
  return {};
}

void TForm1::RecoverClick() {
  const QList<RecoveryFile> files = ListRecoveryFiles(recoveryFolder_.isEmpty() ? RecoveryFolder() : recoveryFolder_);
  if (files.isEmpty()) {
    status_->Confirm(StatusLine::Source::File, "there are no recovered worlds");
    return;
  }
  QStringList items;
  for (const RecoveryFile& f : files) {
    items << QStringLiteral("%1  (%2)").arg(QLocale().toString(f.saved, QLocale::ShortFormat),
                                            QString::fromStdString(SizeText(f.bytes)));
  }
  bool ok = false;
  const QString chosen = QInputDialog::getItem(this, QStringLiteral("Recover"),
                                               QStringLiteral("Worlds saved for recovery, newest first:"), items, 0,
                                               false, &ok);
  if (!ok || !MaySetWorldAside()) return;
  RecoverWorld(files[items.indexOf(chosen)].path);
}

}  // namespace quorvan
