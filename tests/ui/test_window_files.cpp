// The window's files: chart data, pictures, world files and exact resume;
// the seed and run state in the status bar.

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <QtTest>
#include <numeric>

#include <QFileDialog>
#include <QMessageBox>

#include "drawing_panel.h"
#include "edit_marks.h"
#include "form_display.h"
#include "form_helpers.h"
#include "save_paths.h"
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
  void savePathsGetTheFilterExtension_data();
  void savePathsGetTheFilterExtension();
  void saveDialogAddsTheChosenFiltersExtension_data();
  void saveDialogAddsTheChosenFiltersExtension();
  void savedFilesAreConfirmed_data();
  void savedFilesAreConfirmed();
  void failuresNameTheFileAndKeepWhatWasThere_data();
  void failuresNameTheFileAndKeepWhatWasThere();
#if defined(QUORVAN_WORLD_FILES)
  void resumeReachesTheSameWorld_data();
  void resumeReachesTheSameWorld();
  void openedWorldShowsItsGravityLines();
  void worldOpensStoppedAtItsStopTime_data();
  void worldOpensStoppedAtItsStopTime();
  void refusedOpenShowsABoxUntilALaterSuccess();
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
  // The same world twice: one stepped by the window, one by the model alone,
  // whose step results give the deliveries the chart must have kept.
  TForm1 form;
  TForm1 twin;
  for (TForm1* f : {&form, &twin}) {
    StopTimer(*f);
    NewWorld(*f, 10, 1);
  }
  constexpr int kSteps = 300;
  Steps(form, kSteps);
  std::vector<int32_t> deliveries;
  for (int i = 0; i < kSteps; ++i) deliveries.push_back(twin.sim.DoStep().deliveries);
  QVERIFY(std::accumulate(deliveries.begin(), deliveries.end(), 0) > 0);
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("chart.csv"));
  QCOMPARE(form.ExportChart(path), std::string());
  const QList<QByteArray> lines = Contents(path).split('\n');
  QCOMPARE(lines.size(), kSteps + 2);  // header, the points, the final newline
  QCOMPARE(lines[0], QByteArray("step,successful,returning,track_max,deliveries"));
  const auto points = form.Chart1->Points();
  for (int i = 0; i < kSteps; ++i) {
    const QList<QByteArray> f = lines[i + 1].split(',');
    QCOMPARE(f.size(), 5);
    QCOMPARE(f[0].toDouble(), double(i + 1));
    QCOMPARE(f[3].toDouble(), points[std::size_t(i)].trackMax);  // exact, shortest form
    QCOMPARE(f[4], QByteArray::number(deliveries[std::size_t(i)]));
  }
}

void WindowFilesTest::savePathsGetTheFilterExtension_data() {
  QTest::addColumn<QString>("typed");
  QTest::addColumn<QString>("filter");
  QTest::addColumn<QString>("saved");
  const QString worlds = QStringLiteral("Quorvan worlds (*.qvw)");
  QTest::newRow("bare name") << "/d/edited" << worlds << "/d/edited.qvw";
  QTest::newRow("own extension") << "/d/edited.h5" << worlds << "/d/edited.h5";
  QTest::newRow("dotted folder") << "/d.x/edited" << worlds << "/d.x/edited.qvw";
  QTest::newRow("hidden name") << "/d/.edited" << worlds << "/d/.edited.qvw";
  QTest::newRow("all files") << "/d/edited" << "All files (*)" << "/d/edited";
  QTest::newRow("csv") << "chart" << "CSV files (*.csv)" << "chart.csv";
  QTest::newRow("svg") << "chart" << "SVG drawings (*.svg)" << "chart.svg";
  QTest::newRow("cancelled") << "" << worlds << "";
}

void WindowFilesTest::savePathsGetTheFilterExtension() {
  QFETCH(QString, typed);
  QFETCH(QString, filter);
  QFETCH(QString, saved);
  QCOMPARE(quorvan::WithFilterExtension(typed, filter), saved);
}

void WindowFilesTest::saveDialogAddsTheChosenFiltersExtension_data() {
  QTest::addColumn<QString>("filter");
  QTest::addColumn<QString>("typed");
  QTest::addColumn<QString>("saved");
  QTest::newRow("first filter") << "" << "edited" << "edited.png";
  QTest::newRow("second filter") << "SVG drawings (*.svg)" << "edited" << "edited.svg";
  QTest::newRow("typed extension") << "SVG drawings (*.svg)" << "edited.png" << "edited.png";
  QTest::newRow("all files") << "All files (*)" << "edited" << "edited";
}

void WindowFilesTest::saveDialogAddsTheChosenFiltersExtension() {
  QFETCH(QString, filter);
  QFETCH(QString, typed);
  QFETCH(QString, saved);
  QTemporaryDir dir;
  // The dialog is answered as a user would: a filter, a name, Save.
  QTimer::singleShot(0, [&] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    QVERIFY(dialog != nullptr);
    if (!filter.isEmpty()) {
      dialog->selectNameFilter(filter);
      emit dialog->filterSelected(filter);
    }
    auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    QVERIFY(name != nullptr);
    name->setText(typed);
    QMetaObject::invokeMethod(dialog, "accept");
  });
  const QString path = quorvan::AskSavePath(nullptr, QStringLiteral("Save"), dir.path(),
                                            QStringLiteral("PNG pictures (*.png);;SVG drawings (*.svg);;All files (*)"));
  QCOMPARE(path, dir.filePath(saved));
}

void WindowFilesTest::savedFilesAreConfirmed_data() {
  QTest::addColumn<int>("operation");
  QTest::addColumn<QString>("name");
  QTest::addColumn<QByteArray>("starts");
  QTest::newRow("chart data") << 0 << "chart.csv" << QByteArray("step,");
  QTest::newRow("panel picture") << 1 << "panel.png" << QByteArray("\x89PNG");
  QTest::newRow("chart as png") << 2 << "chart.png" << QByteArray("\x89PNG");
  QTest::newRow("chart as svg") << 2 << "chart.svg" << QByteArray("<?xml");
#if defined(QUORVAN_WORLD_FILES)
  QTest::newRow("world") << 3 << "world.qvw" << QByteArray("\x89HDF");
#endif
}

void WindowFilesTest::savedFilesAreConfirmed() {
  QFETCH(int, operation);
  QFETCH(QString, name);
  QFETCH(QByteArray, starts);
  TForm1 form;
  StopTimer(form);
  NewWorld(form, 10, 1);
  Steps(form, 3);
  QTemporaryDir dir;
  const QString path = dir.filePath(name);
  std::string error;
  switch (operation) {
    case 0: error = form.ExportChart(path); break;
    case 1: error = form.SavePicture(path); break;
    case 2: error = form.SaveChartPicture(path); break;
    default: error = form.SaveWorldFile(path); break;
  }
  QCOMPARE(error, std::string());
  const QByteArray data = Contents(path);
  QVERIFY2(data.startsWith(starts), data.left(8).toHex().constData());
  const QString text = form.Lbl_status->text();
  QVERIFY2(text.startsWith(QStringLiteral("saved '%1' (").arg(name)), qPrintable(text));
  const QString size = data.size() < 1000 ? QStringLiteral("%1 bytes)").arg(data.size())
                                          : QString::number(double(data.size()) / 1000.0, 'f', 1) + " kB)";
  QVERIFY2(text.endsWith(size), qPrintable(text + " vs " + size));
  QCOMPARE(form.Status().Message(), std::string());
  QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{name});  // no temporary left
  if (name == QStringLiteral("chart.png")) QCOMPARE(QImage(path).size(), form.Chart1->size());
  if (name == QStringLiteral("chart.svg")) QVERIFY(data.contains("<svg"));
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

#if defined(QUORVAN_WORLD_FILES)
void WindowFilesTest::worldOpensStoppedAtItsStopTime_data() {
  QTest::addColumn<int>("stopTime");
  QTest::addColumn<bool>("stopped");
  QTest::newRow("before the stop time") << 9 << false;
  QTest::newRow("at the stop time") << 4 << true;
  QTest::newRow("past the stop time") << 2 << true;
}

void WindowFilesTest::worldOpensStoppedAtItsStopTime() {
  QFETCH(int, stopTime);
  QFETCH(bool, stopped);
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("stop.qvw"));
  TForm1 saved(uint64_t{3});
  StopTimer(saved);
  NewWorld(saved, 10, 1, 3);
  Steps(saved, 4);
  saved.E_stop->setText(QString::number(stopTime));
  QCOMPARE(saved.SaveWorldFile(path), std::string());

  TForm1 opened(uint64_t{3});
  QVERIFY(opened.Timer1->isActive());
  QCOMPARE(opened.OpenWorldFile(path), std::string());
  QCOMPARE(opened.Timer1->isActive(), !stopped);
  QVERIFY(opened.Lbl_run->text().endsWith(stopped ? "| stopped at the stop time" : "| running"));
  // "start / stop" runs on past the stop time, as after any stop.
  StopTimer(opened);
  QTest::mouseClick(opened.B_stop, Qt::LeftButton);
  QVERIFY(RunUntil(opened, [&] { return opened.sim.StepCount >= 7; }));
}

void WindowFilesTest::refusedOpenShowsABoxUntilALaterSuccess() {
  TForm1 form;
  StopTimer(form);
  QTemporaryDir dir;
  const QString bad = dir.filePath(QStringLiteral("notes.qvw"));
  QFile text(bad);
  QVERIFY(text.open(QIODevice::WriteOnly));
  text.write("not a world");
  text.close();
  const std::string error = form.OpenWorldFile(bad);
  QVERIFY(!error.empty());
  auto* box = form.findChild<QMessageBox*>(QStringLiteral("openFault"));
  QVERIFY(box != nullptr && box->isVisible());
  QVERIFY(!box->isModal());
  QVERIFY(box->text().contains(QStringLiteral("notes.qvw")));
  QCOMPARE(box->informativeText(), QString::fromStdString(error));
  QCOMPARE(form.Lbl_status->text(), QString::fromStdString(error));
  // A later success takes both away: here a new setup.
  QTest::mouseClick(form.B_setup, Qt::LeftButton);
  QTRY_VERIFY(form.findChild<QMessageBox*>(QStringLiteral("openFault")) == nullptr);
  QCOMPARE(form.Lbl_status->text(), QString());
  // ... and after a second refusal, a saved file.
  QVERIFY(!form.OpenWorldFile(bad).empty());
  QVERIFY(form.findChild<QMessageBox*>(QStringLiteral("openFault"))->isVisible());
  QCOMPARE(form.ExportChart(dir.filePath(QStringLiteral("c.csv"))), std::string());
  QTRY_VERIFY(form.findChild<QMessageBox*>(QStringLiteral("openFault")) == nullptr);
  QVERIFY(form.Lbl_status->text().startsWith(QStringLiteral("saved 'c.csv'")));
  QVERIFY(!form.Lbl_status->text().contains(QStringLiteral("notes.qvw")));
  // A failure of another kind that still stands stays in sight.
  form.E_stop->setText(QStringLiteral("abc"));
  QCOMPARE(form.ExportChart(dir.filePath(QStringLiteral("c.csv"))), std::string());
  QVERIFY2(form.Lbl_status->text().endsWith(QStringLiteral(") | 'abc' is not a valid integer value")),
           qPrintable(form.Lbl_status->text()));
}
#endif

QTEST_MAIN(WindowFilesTest)
#include "test_window_files.moc"
