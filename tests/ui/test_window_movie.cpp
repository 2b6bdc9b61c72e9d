// Movies recorded from the window, checked against the batch runner itself:
// the same frames and the same file as `quorvan-batch --movie` on the world
// saved when the recording began; a recording ended by any way out is a
// complete file; a failing target leaves nothing behind but a message.

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>
#include <sys/resource.h>

#include "batch_helpers.h"
#include "form_helpers.h"
#include "record_dialog.h"

using quorvan::TForm1;
using quorvan::batch::RecordingOptions;
using namespace quorvan::testing;

namespace {

// The frames a player reads from the movie (ffprobe); -1 when it cannot.
int ProbedFrames(const QString& path) {
  QProcess probe;
  probe.start(QStringLiteral("ffprobe"), {"-v", "error", "-count_frames", "-select_streams", "v:0", "-show_entries",
                                          "stream=nb_read_frames", "-of", "csv=p=0", path});
  if (!probe.waitForFinished(60000) || probe.exitCode() != 0) return -1;
  return probe.readAllStandardOutput().trimmed().toInt();
}

void Steps(TForm1& form, int n) {
  for (int i = 0; i < n; ++i) form.B_oneStepClick();
}

// A small world a few steps on, with a mouse edit, saved to `path`.
void SavedWorld(TForm1& form, const QString& path) {
  StopTimer(form);
  form.Edit_anzAg->setText(QStringLiteral("40"));
  NewWorld(form, 10, 2);
  form.ZeichenPanelMouseDown(Qt::LeftButton, Qt::NoModifier, QPoint(120, 90));
  for (int x = 130; x <= 200; x += 10) form.ZeichenPanelMouseMove(QPoint(x, 90));
  form.ZeichenPanelMouseUp(Qt::LeftButton, QPoint(200, 90));
  Steps(form, 5);
  QCOMPARE(form.SaveWorldFile(path), std::string());
}

RecordingOptions Movie(const QString& path, int frameEvery) {
  RecordingOptions options;
  options.moviePath = path.toStdString();
  options.frameEvery = frameEvery;
  return options;
}

}  // namespace

class WindowMovieTest : public QObject {
  Q_OBJECT

 private slots:
  void recordingEqualsTheBatchRunners_data();
  void recordingEqualsTheBatchRunners();
  void everyWayOutClosesTheMovie_data();
  void everyWayOutClosesTheMovie();
  void failingTargetLeavesNoFile_data();
  void failingTargetLeavesNoFile();
};

void WindowMovieTest::recordingEqualsTheBatchRunners_data() {
  QTest::addColumn<QString>("movie");
  QTest::addColumn<int>("frameEvery");
  QTest::addColumn<int>("steps");
  QTest::addColumn<bool>("caption");
  QTest::addColumn<bool>("toStopTime");
  QTest::addColumn<int>("frames");
  QTest::newRow("mp4, a frame every 10 steps") << "m.mp4" << 10 << 40 << true << false << 4;
  QTest::newRow("gif, the last step's frame") << "m.gif" << 7 << 30 << true << false << 5;
  QTest::newRow("mp4, every step, no caption") << "m.mp4" << 1 << 12 << false << false << 12;
  QTest::newRow("gif, run to the stop time") << "m.gif" << 10 << 25 << true << true << 3;
}

void WindowMovieTest::recordingEqualsTheBatchRunners() {
  QFETCH(QString, movie);
  QFETCH(int, frameEvery);
  QFETCH(int, steps);
  QFETCH(bool, caption);
  QFETCH(bool, toStopTime);
  QFETCH(int, frames);
  QTemporaryDir tmp;
  TForm1 form(uint64_t{11});
  if (toStopTime) form.E_stop->setText(QString::number(5 + steps));
  const QString world = tmp.filePath(QStringLiteral("start.qvw"));
  SavedWorld(form, world);

  RecordingOptions options = Movie(tmp.filePath("window-" + movie), frameEvery);
  options.caption = caption;
  options.framesDir = tmp.filePath(QStringLiteral("window-frames")).toStdString();
  QCOMPARE(form.StartRecording(options), std::string());
  QVERIFY(form.A_stopRecording->isEnabled());
  QVERIFY(!form.A_recordMovie->isEnabled());
  Steps(form, steps);
  const int before = toStopTime ? frames : steps / frameEvery;  // the last step's frame comes at the stop
  QCOMPARE(form.Lbl_record->text(), QStringLiteral("Recording window-%1: %2 frames").arg(movie).arg(before));
  QCOMPARE(form.RunState(), toStopTime ? QStringLiteral("stopped at the stop time") : QStringLiteral("stopped"));
  QCOMPARE(form.StopRecording(), std::string());
  QVERIFY2(form.Lbl_status->text().startsWith(QStringLiteral("recorded 'window-%1' (%2 frames, ").arg(movie).arg(frames)),
           qPrintable(form.Lbl_status->text()));
  QVERIFY(form.Lbl_record->isHidden());
  QVERIFY(!form.A_stopRecording->isEnabled());

  QStringList args = {"--world", world, "--for", QString::number(steps), "--frame-every", QString::number(frameEvery),
                      "--movie", tmp.filePath("batch-" + movie), "--frames", tmp.filePath("batch-frames")};
  if (!caption) args << "--caption" << "none";
  QCOMPARE(Batch(args), 0);
  // Frame for frame, byte for byte: the pictures, and the movie made of them.
  const QDir ours(QString::fromStdString(options.framesDir));
  const QDir theirs(tmp.filePath(QStringLiteral("batch-frames")));
  QCOMPARE(ours.entryList(QDir::Files), theirs.entryList(QDir::Files));
  QCOMPARE(ours.entryList(QDir::Files).size(), frames);
  for (const QString& name : ours.entryList(QDir::Files)) {
    QVERIFY2(Contents(ours.filePath(name)) == Contents(theirs.filePath(name)), qPrintable(name));
  }
  QCOMPARE(Contents(tmp.filePath("window-" + movie)), Contents(tmp.filePath("batch-" + movie)));
  if (!QStandardPaths::findExecutable(QStringLiteral("ffprobe")).isEmpty()) {
    QCOMPARE(ProbedFrames(tmp.filePath("window-" + movie)), frames);
  }
}

void WindowMovieTest::everyWayOutClosesTheMovie_data() {
  QTest::addColumn<QString>("way");
  QTest::addColumn<QString>("movie");
  QTest::newRow("Stop recording") << "stop" << "m.mp4";
  QTest::newRow("new setup") << "setup" << "m.gif";
  QTest::newRow("opening a world") << "open" << "m.webm";
  QTest::newRow("quitting") << "quit" << "m.mp4";
}

void WindowMovieTest::everyWayOutClosesTheMovie() {
  QFETCH(QString, way);
  QFETCH(QString, movie);
  QTemporaryDir tmp;
  const QString world = tmp.filePath(QStringLiteral("start.qvw"));
  const QString path = tmp.filePath(movie);
  {
    TForm1 form(uint64_t{5});
    SavedWorld(form, world);
    QCOMPARE(form.StartRecording(Movie(path, 5)), std::string());
    Steps(form, 12);
    if (way == "stop") form.A_stopRecording->trigger();
    if (way == "setup") QTest::mouseClick(form.B_setup, Qt::LeftButton);
    if (way == "open") QCOMPARE(form.OpenWorldFile(world), std::string());
    if (way == "quit") QVERIFY(form.close());
    QVERIFY(!form.Recording().Active());
    QVERIFY(form.Lbl_record->isHidden());
    QVERIFY(form.A_recordMovie->isEnabled());
    Steps(form, 6);  // the run goes on unrecorded
  }
  // Complete (frames of steps 5, 10 and the last, 12) and no temporary file left.
  QCOMPARE(QDir(tmp.path()).entryList(QDir::Files | QDir::Hidden), QStringList({movie, "start.qvw"}));
  if (!QStandardPaths::findExecutable(QStringLiteral("ffprobe")).isEmpty()) QCOMPARE(ProbedFrames(path), 3);
}

void WindowMovieTest::failingTargetLeavesNoFile_data() {
  QTest::addColumn<QString>("target");
  QTest::addColumn<bool>("fullDisk");
  QTest::newRow("missing folder") << "none/m.mp4" << false;
  QTest::newRow("no movie extension") << "m.avi" << false;
  QTest::newRow("disk full mid-run, mp4") << "m.mp4" << true;
  QTest::newRow("disk full mid-run, gif") << "m.gif" << true;
}

void WindowMovieTest::failingTargetLeavesNoFile() {
  QFETCH(QString, target);
  QFETCH(bool, fullDisk);
  QTemporaryDir tmp;
  const QString path = tmp.filePath(target);
  {
    QFile earlier(path);
    if (earlier.open(QIODevice::WriteOnly)) earlier.write("earlier");
  }
  TForm1 form(uint64_t{3});
  StopTimer(form);
  // The dialog refuses what cannot be recorded before anything starts.
  quorvan::RecordDialog dialog(&form, Movie(path, 1));
  QCOMPARE(dialog.Problem().isEmpty(), target != "m.avi");

  const std::string error = form.StartRecording(Movie(path, 1));
  if (fullDisk) {
    QCOMPARE(error, std::string());
    // A file-size limit stands for a full disk: the encoder's writes fail.
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 48 * 1024;
    setrlimit(RLIMIT_FSIZE, &small);
    for (int i = 0; i < 2000 && form.Recording().Active(); ++i) form.B_oneStepClick();
    setrlimit(RLIMIT_FSIZE, &old);
  } else {
    QVERIFY(error.find(target.toStdString()) != std::string::npos);
  }
  QVERIFY(!form.Recording().Active());
  QVERIFY(form.Lbl_status->text().contains(target));
  auto* box = form.findChild<QMessageBox*>(QStringLiteral("recordFault"));
  QVERIFY(box && box->isVisible());
  // What was there stays, and nothing else is left.
  if (QFileInfo(path).dir().exists()) QCOMPARE(Contents(path), QByteArray("earlier"));
  QCOMPARE(QDir(tmp.path()).entryList(QDir::Files | QDir::Hidden),
           target.contains('/') ? QStringList() : QStringList({target}));
}

QTEST_MAIN(WindowMovieTest)
#include "test_window_movie.moc"
