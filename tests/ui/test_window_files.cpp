// The window's files: chart data, pictures, world files and exact resume;
// the seed and run state in the status bar.

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <QtTest>

#include "drawing_panel.h"
#include "edit_marks.h"
#include "form_display.h"
#include "form_helpers.h"
#include "stats_chart.h"

using quorvan::TForm1;
using namespace quorvan::testing;

namespace {

void Steps(TForm1& form, int n) {
  for (int i = 0; i < n; ++i) form.B_oneStepClick();
}

QByteArray Contents(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

}  // namespace

class WindowFilesTest : public QObject {
  Q_OBJECT

 private slots:
  void statusBarShowsSeedAndRunState();
  void chartExportHasEveryPoint();
  void pictureIsThePanelAsShown();
  void failuresNameTheFileAndKeepWhatWasThere_data();
  void failuresNameTheFileAndKeepWhatWasThere();
#if defined(QUORVAN_WORLD_FILES)
  void resumeReachesTheSameWorld_data();
  void resumeReachesTheSameWorld();
  void openedWorldShowsItsGravityLines();
#endif
};

void WindowFilesTest::statusBarShowsSeedAndRunState() {
  TForm1 form(uint64_t{42});
  QCOMPARE(form.sim.Rand.Seed(), uint64_t{42});
  QCOMPARE(form.Lbl_run->text(), QStringLiteral("seed 42 | running"));
  StopTimer(form);
  QCOMPARE(form.Lbl_run->text(), QStringLiteral("seed 42 | stopped"));
  form.E_stop->setText(QStringLiteral("2"));
  Steps(form, 2);
  QCOMPARE(form.Lbl_run->text(), QStringLiteral("seed 42 | stopped at the stop time"));
  // Every world of a fixed seed is the same world.
  const uint64_t first = quorvan::WorldDigest(form.sim);
  QTest::mouseClick(form.B_setup, Qt::LeftButton);
  Steps(form, 2);
  QCOMPARE(quorvan::WorldDigest(form.sim), first);
  QCOMPARE(form.Lbl_run->text(), QStringLiteral("seed 42 | stopped at the stop time"));
}

void WindowFilesTest::chartExportHasEveryPoint() {
  TForm1 form;
  StopTimer(form);
  NewWorld(form, 10, 1);
  Steps(form, 3);
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("chart.csv"));
  QCOMPARE(form.ExportChart(path), std::string());
  const QList<QByteArray> lines = Contents(path).split('\n');
  QCOMPARE(lines.size(), 5);  // header, three points, the final newline
  QCOMPARE(lines[0], QByteArray("step,successful,returning,track_max"));
  const auto points = form.Chart1->Points();
  for (int i = 0; i < 3; ++i) {
    const QList<QByteArray> f = lines[i + 1].split(',');
    QCOMPARE(f.size(), 4);
    QCOMPARE(f[0].toDouble(), double(i + 1));
    QCOMPARE(f[3].toDouble(), points[std::size_t(i)].trackMax);  // exact, shortest form
  }
}

void WindowFilesTest::pictureIsThePanelAsShown() {
  TForm1 form;
  StopTimer(form);
  NewWorld(form, 4, 2);
  Steps(form, 5);
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("panel.png"));
  QCOMPARE(form.SavePicture(path), std::string());
  const QImage back(path);
  QCOMPARE(back.convertToFormat(QImage::Format_RGB32), form.Display().Composite());
}

void WindowFilesTest::failuresNameTheFileAndKeepWhatWasThere_data() {
  QTest::addColumn<int>("operation");
  QTest::newRow("export chart") << 0;
  QTest::newRow("save picture") << 1;
  QTest::newRow("open world") << 2;
  QTest::newRow("save world") << 3;
#if defined(QUORVAN_WORLD_FILES)
  QTest::newRow("open a world that crashes HDF5") << 4;
#endif
}

void WindowFilesTest::failuresNameTheFileAndKeepWhatWasThere() {
  QFETCH(int, operation);
  TForm1 form;
  StopTimer(form);
  NewWorld(form, 10, 0);
  Steps(form, 2);
  QTemporaryDir dir;
  const uint64_t digest = quorvan::WorldDigest(form.sim);
  const std::size_t points = form.Chart1->StoredPoints();
  // A folder in the way of the file: nothing can be written or read there.
  const QString path = dir.filePath(QStringLiteral("in-the-way"));
  if (operation == 4) {
    QVERIFY(QFile::copy(QStringLiteral(QUORVAN_HDF5_CRASH), path));
  } else {
    QVERIFY(QDir().mkdir(path));
  }
  std::string error;
  switch (operation) {
    case 0: error = form.ExportChart(path); break;
    case 1: error = form.SavePicture(path); break;
    case 2:
    case 4: error = form.OpenWorldFile(path); break;
    default: error = form.SaveWorldFile(path); break;
  }
  QVERIFY(!error.empty());
  QVERIFY2(error.find("in-the-way") != std::string::npos, error.c_str());
  QCOMPARE(form.Status().Message(), error);
  QVERIFY(operation == 4 ? QFileInfo(path).isFile() : QFileInfo(path).isDir());
  QCOMPARE(quorvan::WorldDigest(form.sim), digest);
  QCOMPARE(form.Chart1->StoredPoints(), points);
  QCOMPARE(form.windowTitle(), QStringLiteral("Quorvan"));
  // no leftover temporary
  QCOMPARE(QDir(dir.path()).entryList(QDir::Files),
           operation == 4 ? QStringList{QStringLiteral("in-the-way")} : QStringList());
}

#if defined(QUORVAN_WORLD_FILES)
void WindowFilesTest::resumeReachesTheSameWorld_data() {
  QTest::addColumn<int>("setupMode");
  QTest::addColumn<bool>("mouseEdits");
  for (int mode = 0; mode < 4; ++mode) QTest::addRow("landscape %d", mode) << mode << false;
  QTest::newRow("after mouse edits") << 0 << true;
}

void WindowFilesTest::resumeReachesTheSameWorld() {
  QFETCH(int, setupMode);
  QFETCH(bool, mouseEdits);
  constexpr int k = 15;
  constexpr int n = 40;
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("world.qvw"));

  TForm1 straight;
  StopTimer(straight);
  NewWorld(straight, 4, setupMode, 11);
  Steps(straight, k);
  if (mouseEdits) {
    straight.ZeichenPanelMouseDown(Qt::LeftButton, Qt::ControlModifier, QPoint(40, 40));
    for (int x = 40; x < 80; x += 4) straight.ZeichenPanelMouseMove(QPoint(x, 40));
    straight.ZeichenPanelMouseUp(Qt::LeftButton, QPoint(80, 40));
    straight.ZeichenPanelMouseDown(Qt::LeftButton, {}, QPoint(300, 100));
    for (int y = 100; y < 160; y += 3) straight.ZeichenPanelMouseMove(QPoint(300, y));
    straight.ZeichenPanelMouseUp(Qt::LeftButton, QPoint(300, 160));
  }
  // The track layer as saved; the agents are drawn where they stand now.
  const QImage shown = straight.Display().TrackLayer();
  QCOMPARE(straight.SaveWorldFile(path), std::string());
  QCOMPARE(straight.windowTitle(), QStringLiteral("Quorvan - world.qvw"));
  const auto savedPoints = straight.Chart1->Points();
  Steps(straight, n - k);

  TForm1 resumed;  // another world, other controls, a running timer
  NewWorld(resumed, 2, (setupMode + 1) % 4, 99);
  resumed.E_stop->setText(QStringLiteral("123"));
  resumed.E_noise->setText(QStringLiteral("x"));
  QCOMPARE(resumed.OpenWorldFile(path), std::string());
  QVERIFY(!quorvan::IsMarkedInvalid(resumed.E_noise));  // the opened text converts
  QVERIFY(resumed.Timer1->isActive());
  StopTimer(resumed);
  QCOMPARE(resumed.sim.StepCount, k);
  QCOMPARE(resumed.lbl_Steps->text(), QString::number(k));
  QCOMPARE(resumed.Edit_size->text(), QStringLiteral("4"));
  QCOMPARE(resumed.E_stop->text(), QStringLiteral("10000"));
  QCOMPARE(resumed.sim.StopTime, 10000);
  QCOMPARE(resumed.sim.settings.SetupMode, setupMode);
  QCOMPARE(resumed.Chart1->Points(), savedPoints);
  QCOMPARE(resumed.Display().TrackLayer(), shown);
  Steps(resumed, n - k);
  QCOMPARE(quorvan::WorldDigest(resumed.sim), quorvan::WorldDigest(straight.sim));
  QCOMPARE(resumed.Chart1->Points(), straight.Chart1->Points());
}

void WindowFilesTest::openedWorldShowsItsGravityLines() {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("lines.qvw"));
  TForm1 saved;
  StopTimer(saved);
  NewWorld(saved, 10, 0, 5);
  Steps(saved, 2);
  saved.sim.Destinations.at(0).Returns = 40;  // a busy destination: a wide line
  saved.CB_gravity->click();
  QCOMPARE(saved.SaveWorldFile(path), std::string());

  TForm1 opened;
  StopTimer(opened);
  QCOMPARE(opened.OpenWorldFile(path), std::string());
  const QImage layer = opened.Display().TrackLayer();
  int maroon = 0;
  for (int y = 0; y < layer.height(); ++y) {
    for (int x = 0; x < layer.width(); ++x) maroon += layer.pixel(x, y) == qRgb(128, 0, 0);
  }
  QVERIFY2(maroon > 100, qPrintable(QString::number(maroon)));
}
#endif

QTEST_MAIN(WindowFilesTest)
#include "test_window_files.moc"
