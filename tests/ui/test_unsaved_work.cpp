// Unsaved work: the title's mark, the questions of Quit and Open, and the
// recovery files that autosaves and "new Setup" leave.

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QScrollBar>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include "form_helpers.h"
#include "prompts.h"
#include "recovery_files.h"

using quorvan::SaveAnswer;
using quorvan::TForm1;
using namespace quorvan::testing;

namespace {

const QString kUnsaved = QStringLiteral(" (unsaved changes)");

QByteArray Contents(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// Each change a user can make, made on `form`.
void Change(TForm1& form, int change) {
  switch (change) {
    case 0:  // obstacles drawn with the left button
      form.ZeichenPanelMouseDown(Qt::LeftButton, {}, QPoint(100, 100));
      form.ZeichenPanelMouseMove(QPoint(104, 100));
      form.ZeichenPanelMouseUp(Qt::LeftButton, QPoint(104, 100));
      break;
    case 1:  // a destination added with Ctrl
      form.ZeichenPanelMouseDown(Qt::LeftButton, Qt::ControlModifier, QPoint(60, 60));
      form.ZeichenPanelMouseUp(Qt::LeftButton, QPoint(60, 60));
      break;
    case 2: form.E_decay->setText(form.E_decay->text() == QStringLiteral("0,5") ? "0,25" : "0,5"); break;
    case 3: form.CB_showAg->click(); break;
    case 4: form.SB_wiggle->setValue(form.SB_wiggle->value() + 7); break;
    default: form.B_oneStepClick(); break;  // a step is no change of the user's
  }
}

}  // namespace

class UnsavedWorkTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
  void init() {
    QDir(quorvan::RecoveryFolder()).removeRecursively();
    questions_ = 0;
    quorvan::SetSaveQuestionHook([this](const QString&) {
      ++questions_;
      return answer_;
    });
    quorvan::SetYesNoHook([this](const QString&) {
      ++questions_;
      return true;
    });
  }
  void titleMarksUnsavedWork_data();
  void titleMarksUnsavedWork();
  void quitAsksFirst_data();
  void quitAsksFirst();
  void newSetupAsksNothingAndLeavesARecoveryFile();
  void recoveryFilesArePrunedAndNeverASavedFile();
  void nextStartAfterACrashOffersTheLatest_data();
  void nextStartAfterACrashOffersTheLatest();

 private:
  int questions_ = 0;
  SaveAnswer answer_ = SaveAnswer::Cancel;
};

void UnsavedWorkTest::titleMarksUnsavedWork_data() {
  QTest::addColumn<int>("change");
  QTest::addColumn<bool>("unsaved");
  QTest::newRow("obstacles") << 0 << true;
  QTest::newRow("destination") << 1 << true;
  QTest::newRow("decay text") << 2 << true;
  QTest::newRow("check box") << 3 << true;
  QTest::newRow("scroll bar") << 4 << true;
  QTest::newRow("a step") << 5 << false;
}

void UnsavedWorkTest::titleMarksUnsavedWork() {
  QFETCH(int, change);
  QFETCH(bool, unsaved);
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("w.qvw"));
  TForm1 form;
  StopTimer(form);
  NewWorld(form, 10, 0);
  QCOMPARE(form.windowTitle(), QStringLiteral("Quorvan"));
  Change(form, change);
  QCOMPARE(form.HasUnsavedWork(), unsaved);
  QCOMPARE(form.windowTitle(), unsaved ? QStringLiteral("Quorvan") + kUnsaved : QStringLiteral("Quorvan"));
  QCOMPARE(form.SaveWorldFile(path), std::string());
  QCOMPARE(form.windowTitle(), QStringLiteral("Quorvan - w.qvw"));
  Change(form, change);
  QCOMPARE(form.windowTitle(), unsaved ? QStringLiteral("Quorvan - w.qvw") + kUnsaved : QStringLiteral("Quorvan - w.qvw"));
  QCOMPARE(form.OpenWorldFile(path), std::string());
  QCOMPARE(form.windowTitle(), QStringLiteral("Quorvan - w.qvw"));
}

void UnsavedWorkTest::quitAsksFirst_data() {
  QTest::addColumn<int>("answer");
  QTest::addColumn<bool>("closes");
  QTest::addColumn<bool>("saved");
  QTest::newRow("save") << int(SaveAnswer::Save) << true << true;
  QTest::newRow("discard") << int(SaveAnswer::Discard) << true << false;
  QTest::newRow("cancel") << int(SaveAnswer::Cancel) << false << false;
}

void UnsavedWorkTest::quitAsksFirst() {
  QFETCH(int, answer);
  QFETCH(bool, closes);
  QFETCH(bool, saved);
  answer_ = SaveAnswer(answer);
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("w.qvw"));
  TForm1 form;
  StopTimer(form);
  NewWorld(form, 10, 0);
  QCOMPARE(form.SaveWorldFile(path), std::string());
  form.show();
  QVERIFY(form.close());  // nothing unsaved: no question
  QCOMPARE(questions_, 0);
  form.show();
  const QByteArray before = Contents(path);
  Change(form, 0);
  // Open asks the same question; cancelled, it opens no dialog and nothing.
  answer_ = SaveAnswer::Cancel;
  form.OpenWorldClick();
  QCOMPARE(questions_, 1);
  answer_ = SaveAnswer(answer);
  QCOMPARE(form.close(), closes);
  QCOMPARE(questions_, 2);
  QCOMPARE(Contents(path) != before, saved);
  QCOMPARE(form.HasUnsavedWork(), !saved);
}

void UnsavedWorkTest::newSetupAsksNothingAndLeavesARecoveryFile() {
  TForm1 form;
  StopTimer(form);
  form.StartRecovery();
  QVERIFY(!form.RecoveryFolderInUse().isEmpty());
  NewWorld(form, 10, 0);
  Change(form, 2);
  QTest::mouseClick(form.B_setup, Qt::LeftButton);  // changed settings stay in the controls
  QCOMPARE(quorvan::ListRecoveryFiles(form.RecoveryFolderInUse()).size(), 0);
  Change(form, 0);
  Change(form, 2);
  const uint64_t edited = quorvan::WorldDigest(form.sim);
  QTest::mouseClick(form.B_setup, Qt::LeftButton);
  QCOMPARE(questions_, 0);
  QVERIFY(quorvan::WorldDigest(form.sim) != edited);
  const auto files = quorvan::ListRecoveryFiles(form.RecoveryFolderInUse());
  QCOMPARE(files.size(), 1);
  // Recovered: the edited world, settings and all, unnamed and unsaved.
  QCOMPARE(form.RecoverWorld(files.front().path), std::string());
  QCOMPARE(quorvan::WorldDigest(form.sim), edited);
  QCOMPARE(form.E_decay->text(), QStringLiteral("0,25"));
  QCOMPARE(form.WorldFilePath(), QString());
  QCOMPARE(form.windowTitle(), QStringLiteral("Quorvan") + kUnsaved);
}

void UnsavedWorkTest::recoveryFilesArePrunedAndNeverASavedFile() {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("mine.qvw"));
  TForm1 form;
  StopTimer(form);
  form.StartRecovery();
  NewWorld(form, 10, 0);
  QCOMPARE(form.SaveWorldFile(path), std::string());
  const QByteArray mine = Contents(path);
  for (int i = 0; i < quorvan::kKeptRecoveryFiles + 3; ++i) {
    Change(form, 0);
    QCOMPARE(form.Autosave(), std::string());
    QTest::mouseClick(form.B_setup, Qt::LeftButton);  // the same world: no second file
  }
  QCOMPARE(form.Autosave(), std::string());  // nothing unsaved: nothing written
  const auto files = quorvan::ListRecoveryFiles(form.RecoveryFolderInUse());
  QCOMPARE(files.size(), quorvan::kKeptRecoveryFiles);
  QCOMPARE(Contents(path), mine);
  for (const auto& f : files) QVERIFY(QFileInfo(f.path).absolutePath() != QFileInfo(path).absolutePath());
}

void UnsavedWorkTest::nextStartAfterACrashOffersTheLatest_data() {
  QTest::addColumn<bool>("crashed");
  QTest::newRow("after a crash") << true;
  QTest::newRow("after a clean end") << false;
}

void UnsavedWorkTest::nextStartAfterACrashOffersTheLatest() {
  QFETCH(bool, crashed);
  uint64_t edited = 0;
  QString mark;
  {
    TForm1 before;
    StopTimer(before);
    before.StartRecovery();
    NewWorld(before, 10, 1);
    Change(before, 0);
    edited = quorvan::WorldDigest(before.sim);
    QCOMPARE(before.Autosave(), std::string());
    // A session whose process is gone left its mark.
    mark = QDir(before.RecoveryFolderInUse()).filePath(QStringLiteral("session-2147483646"));
    if (crashed) QVERIFY(QFile::copy(QDir(before.RecoveryFolderInUse()).entryInfoList({"session-*"}).front().filePath(), mark));
  }
  TForm1 next;
  StopTimer(next);
  next.StartRecovery();
  QCOMPARE(questions_, crashed ? 1 : 0);
  QCOMPARE(quorvan::WorldDigest(next.sim) == edited, crashed);
  QVERIFY(!QFileInfo::exists(mark));
}

QTEST_MAIN(UnsavedWorkTest)
#include "test_unsaved_work.moc"
