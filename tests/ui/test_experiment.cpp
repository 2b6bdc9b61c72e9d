// Experiments from the window: the dialog's sweep against quorvan-batch with
// the experiment file the dialog saves, its runs opened at a step against a
// straight run, the results window's tables, and what the dialog refuses.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>

#include "batch_run.h"
#include "csv_table.h"
#include "experiment_dialog.h"
#include "experiment_menu.h"
#include "batch_helpers.h"
#include "form_helpers.h"
#include "prompts.h"
#include "results_window.h"
#include "sweep_command.h"
#include "sweep_job.h"

using quorvan::ExperimentRequest;
using quorvan::TForm1;
using namespace quorvan::testing;

namespace {

// A small window world: raster landscape of 10-pixel cells, 40 agents, a mouse edit, timer stopped.
void SmallWorld(TForm1& form) {
  StopTimer(form);
  form.Edit_anzAg->setText(QStringLiteral("40"));
  NewWorld(form, 10, 2);
  // A left drag lays obstacles where the mouse moves.
  form.ZeichenPanelMouseDown(Qt::LeftButton, Qt::NoModifier, QPoint(120, 90));
  for (int x = 130; x <= 200; x += 10) form.ZeichenPanelMouseMove(QPoint(x, 90));
  form.ZeichenPanelMouseUp(Qt::LeftButton, QPoint(200, 90));
}

// A straight run of the sweep's run to `step`: the engine's RunWorldSteps.
uint64_t StraightDigest(const QString& folder, int64_t run, int32_t step) {
  namespace b = quorvan::batch;
  b::SweepPlan plan;
  if (!b::ReadPlan(folder.toStdString(), plan).empty()) return 0;
  std::vector<b::RunSpec> points;
  if (!b::PointSpecs(plan, [](const std::string& k) { return k; }, points).empty()) return 0;
  b::RunSpec spec = b::RunSpecOf(plan, points[static_cast<std::size_t>(plan.PointOf(run))], run);
  spec.stopTime = step;
  spec.moreSteps.reset();
  quorvan::Simulation sim;
  b::RunSummary summary;
  if (!b::RunWorldSteps(spec, sim, {}, summary).empty()) return 0;
  return quorvan::WorldDigest(sim);
}

}  // namespace

class ExperimentTest : public QObject {
  Q_OBJECT

 private slots:
  void dialogSweepMatchesTheCommandLine_data();
  void dialogSweepMatchesTheCommandLine();
  void cancelKeepsTheRunsAndResumeFinishesThem();
  void resultsWindowSortsNumbersAndRefusesOtherFolders();
  void badInputIsShownAndNothingIsWritten_data();
  void badInputIsShownAndNothingIsWritten();
};

void ExperimentTest::dialogSweepMatchesTheCommandLine_data() {
  QTest::addColumn<int>("base");
  QTest::newRow("current world, mouse edit included") << static_cast<int>(ExperimentRequest::Base::CurrentWorld);
  QTest::newRow("new setup per run") << static_cast<int>(ExperimentRequest::Base::NewSetup);
}

void ExperimentTest::dialogSweepMatchesTheCommandLine() {
  QFETCH(int, base);
  QTemporaryDir tmp;
  TForm1 form(uint64_t{7});
  SmallWorld(form);
  quorvan::ExperimentDialog* dialog = form.Experiments()->OpenDialog();
  ExperimentRequest r = dialog->Request();
  QCOMPARE(r.Setting("agents"), std::string("40"));  // seeded from the controls
  QCOMPARE(r.Setting("mode"), std::string("raster"));
  r.base = static_cast<ExperimentRequest::Base>(base);
  r.SetSetting("wiggle", "10,60");
  r.SetSetting("consume", "0.2:0.6:0.4");
  r.steps = "40";
  r.replicates = 2;
  r.seed = "11";
  r.jobs = 2;
  r.series = true;
  // The plot is drawn on the window's thread while the sweep's thread waits.
  r.plot = r.base == ExperimentRequest::Base::NewSetup;
  r.outDir = tmp.filePath(QStringLiteral("window")).toStdString();
  dialog->SetRequest(r);
  const uint64_t before = quorvan::WorldDigest(form.sim);
  const QString toml = tmp.filePath(QStringLiteral("e.toml"));
  QCOMPARE(dialog->SaveExperimentFile(toml), std::string());
  QCOMPARE(dialog->StartSweep(), std::string());
  QVERIFY(form.Experiments()->Job().Running());
  QTRY_VERIFY_WITH_TIMEOUT(!form.Experiments()->Job().Running(), 120000);
  QCOMPARE(quorvan::WorldDigest(form.sim), before);  // the window's world is untouched

  // The command line, with the file the dialog saved, writes the same tables.
  const QString window = QString::fromStdString(r.outDir);
  const QString line = tmp.filePath(QStringLiteral("line"));
  QCOMPARE(Batch({QStringLiteral("--experiment"), toml, QStringLiteral("--out"), line, QStringLiteral("--quiet")}), 0);
  for (const char* table : {"runs.csv", "series.csv"}) {
    const QByteArray ours = Contents(window + "/" + table);
    QVERIFY2(ours.count('\n') > 8, table);
    QCOMPARE(ours, Contents(line + "/" + table));
  }
  // So does the experiment file the sweep left in its folder.
  QVERIFY(QFile::exists(window + "/experiment.toml"));
  QCOMPARE(QFile::exists(window + "/plot.png"), r.plot);

  // The results window came up with every run.
  quorvan::ResultsWindow* results = form.Experiments()->Results();
  QVERIFY(results);
  QCOMPARE(results->RunsModel()->rowCount(), 8);

  // The mouse edit is unsaved: Cancel keeps the world, Discard lets the run in.
  quorvan::SetSaveQuestionHook([](const QString&) { return quorvan::SaveAnswer::Cancel; });
  QCOMPARE(form.OpenSweepRun(window, 5, 17), std::string());
  QCOMPARE(quorvan::WorldDigest(form.sim), before);
  quorvan::SetSaveQuestionHook([](const QString&) { return quorvan::SaveAnswer::Discard; });
  // Any run, opened at a step, is the straight run's world at that step.
  for (const int32_t step : {17, 40}) {
    QCOMPARE(form.OpenSweepRun(window, 5, step), std::string());
    QCOMPARE(form.sim.StepCount, step);
    QCOMPARE(quorvan::WorldDigest(form.sim), StraightDigest(window, 5, step));
  }
  QCOMPARE(form.OpenSweepRun(window, 5, std::nullopt), std::string());
  QCOMPARE(form.sim.StepCount, 0);
  QVERIFY(!form.Timer1->isActive());
  QVERIFY(form.WorldFilePath().isEmpty());
  QVERIFY(form.OpenSweepRun(window, 8, 1).find("not run 8") != std::string::npos);
  QVERIFY(form.OpenSweepRun(window, 1, 41).find("step 41") != std::string::npos);
  quorvan::SetSaveQuestionHook({});

  // The saved file fills the dialog again with the same sweep; the current
  // world comes back as the world file saved beside it.
  dialog->SetRequest(quorvan::RequestFromWindow(form));
  QCOMPARE(dialog->OpenExperimentFile(toml), std::string());
  const ExperimentRequest back = dialog->Request();
  QCOMPARE(static_cast<int>(back.base), static_cast<int>(r.base == ExperimentRequest::Base::CurrentWorld
                                                                ? ExperimentRequest::Base::WorldFile
                                                                : r.base));
  if (back.base == ExperimentRequest::Base::WorldFile) {
    QCOMPARE(back.worldFile, tmp.filePath(QStringLiteral("e.base.qvw")).toStdString());
  }
  for (const char* key : {"wiggle", "consume", "threshold", "sniff"}) QCOMPARE(back.Setting(key), r.Setting(key));
  QCOMPARE(back.steps, r.steps);
  QCOMPARE(back.replicates, r.replicates);
  QCOMPARE(back.seed, r.seed);
  QCOMPARE(back.series, r.series);
  QCOMPARE(back.plot, r.plot);
  QCOMPARE(back.outDir, r.outDir);
}

void ExperimentTest::cancelKeepsTheRunsAndResumeFinishesThem() {
  QTemporaryDir tmp;
  TForm1 form(uint64_t{7});
  SmallWorld(form);
  quorvan::ExperimentDialog* dialog = form.Experiments()->OpenDialog();
  ExperimentRequest r = dialog->Request();
  r.base = ExperimentRequest::Base::NewSetup;
  r.SetSetting("wiggle", "0:180:10");
  r.steps = "60";
  r.replicates = 2;
  r.seed = "3";
  r.jobs = 1;
  r.plot = false;
  r.outDir = tmp.filePath(QStringLiteral("window")).toStdString();
  dialog->SetRequest(r);
  quorvan::SweepJob& job = form.Experiments()->Job();
  QSignalSpy finished(&job, &quorvan::SweepJob::Finished);
  const auto handler = [] {
    const auto h = std::signal(SIGINT, SIG_DFL);
    std::signal(SIGINT, h);
    return h;
  };
  const auto windowHandler = handler();
  QCOMPARE(dialog->StartSweep(), std::string());
  job.Cancel();
  QTRY_VERIFY_WITH_TIMEOUT(!job.Running(), 60000);
  QCOMPARE(finished.count(), 1);
  QVERIFY(finished.at(0).at(0).toInt() >= 128);
  QVERIFY(finished.at(0).at(1).toString().contains(QStringLiteral("--resume")));
  const QString window = QString::fromStdString(r.outDir);
  QVERIFY(quorvan::SweepJob::RunsDone(r.outDir) < 38);
  QVERIFY(!QFile::exists(window + "/runs.csv"));

  QCOMPARE(dialog->ResumeFolder(window), std::string());
  QTRY_VERIFY_WITH_TIMEOUT(!job.Running(), 120000);
  QCOMPARE(finished.count(), 2);
  QCOMPARE(finished.at(1).at(0).toInt(), 0);
  QVERIFY(handler() == windowHandler);  // the engine's Ctrl+C handling ended with the sweep
  const QString line = tmp.filePath(QStringLiteral("line"));
  QCOMPARE(Batch({QStringLiteral("--experiment"), window + "/experiment.toml", QStringLiteral("--out"), line,
                  QStringLiteral("--quiet")}),
           0);
  QCOMPARE(Contents(window + "/runs.csv"), Contents(line + "/runs.csv"));
}

void ExperimentTest::resultsWindowSortsNumbersAndRefusesOtherFolders() {
  QTemporaryDir tmp;
  const QString sweep = tmp.filePath(QStringLiteral("sweep"));
  QCOMPARE(Batch({QStringLiteral("--wiggle"), QStringLiteral("5,100,20,10"), QStringLiteral("--agents"),
                  QStringLiteral("20"), QStringLiteral("--cell-size"), QStringLiteral("10"), QStringLiteral("--steps"),
                  QStringLiteral("5"), QStringLiteral("--plot"), QStringLiteral("none"), QStringLiteral("--quiet"),
                  QStringLiteral("--out"), sweep}),
           0);
  quorvan::ResultsWindow window([](const QString&, int64_t, std::optional<int32_t>) { return std::string(); });
  QCOMPARE(window.LoadFolder(sweep), std::string());
  QSortFilterProxyModel* runs = window.RunsModel();
  QCOMPARE(runs->rowCount(), 4);
  const auto column = [runs](const QString& name) {
    for (int c = 0; c < runs->columnCount(); ++c) {
      if (runs->headerData(c, Qt::Horizontal).toString() == name) return c;
    }
    return -1;
  };
  const auto columnTexts = [runs](int c) {
    QStringList texts;
    for (int r = 0; r < runs->rowCount(); ++r) texts << runs->index(r, c).data().toString();
    return texts;
  };
  window.RunsView()->sortByColumn(column(QStringLiteral("wiggle")), Qt::DescendingOrder);
  QCOMPARE(columnTexts(column(QStringLiteral("wiggle"))), QStringList({"100", "20", "10", "5"}));
  // Seeds keep all 64 bits when sorted.
  const int seed = column(QStringLiteral("seed"));
  window.RunsView()->sortByColumn(seed, Qt::AscendingOrder);
  const QStringList seeds = columnTexts(seed);
  for (qsizetype i = 1; i < seeds.size(); ++i) QVERIFY(seeds[i - 1].toULongLong() <= seeds[i].toULongLong());
  // Selecting a row names its run.
  window.RunsView()->selectRow(2);
  QCOMPARE(window.SelectedRun(), std::optional<int64_t>(runs->index(2, column(QStringLiteral("run"))).data().toLongLong()));

  // Folders that are no finished sweep leave the window as it was.
  const struct {
    const char* name;
    const char* plan;
    const char* expected;
  } refused[] = {{"empty", nullptr, "holds no sweep (no plan.json)"},
                 {"damaged", "{\"settings\": 3", "is damaged"},
                 {"unfinished", "copy", "not finished"}};
  for (const auto& c : refused) {
    const QString folder = tmp.filePath(QString::fromLatin1(c.name));
    QDir().mkpath(folder);
    if (c.plan && std::string(c.plan) == "copy") {
      QFile::copy(sweep + "/plan.json", folder + "/plan.json");
    } else if (c.plan) {
      QFile file(folder + "/plan.json");
      QVERIFY(file.open(QIODevice::WriteOnly));
      file.write(c.plan);
    }
    const std::string error = window.LoadFolder(folder);
    QVERIFY2(error.find(c.expected) != std::string::npos, error.c_str());
    QCOMPARE(window.RunsModel()->rowCount(), 4);
  }
  QCOMPARE(quorvan::SplitCsvLine(QStringLiteral("1,\"a,b\",\"say \"\"hi\"\"\",")),
           QStringList({"1", "a,b", "say \"hi\"", ""}));
}

void ExperimentTest::badInputIsShownAndNothingIsWritten_data() {
  QTest::addColumn<QString>("key");
  QTest::addColumn<QString>("value");
  QTest::addColumn<QString>("expected");
  QTest::newRow("angle out of range") << "wiggle" << "200" << "--wiggle: '200'";
  QTest::newRow("bad item in a list") << "consume" << "0.1,abc" << "--consume";
  QTest::newRow("stop time the world has reached") << "steps" << "0" << "--steps 0";
  QTest::newRow("negative seed") << "seed" << "-1" << "--seed";
  QTest::newRow("output folder not empty") << "out" << "full" << "is not empty";
  QTest::newRow("damaged experiment file") << "file" << "wiggle = [1, \"x\"" << "e.toml: line";
  QTest::newRow("experiment file with an unknown key") << "file" << "wiggles = 3" << "unknown key 'wiggles'";
}

void ExperimentTest::badInputIsShownAndNothingIsWritten() {
  QFETCH(QString, key);
  QFETCH(QString, value);
  QFETCH(QString, expected);
  QTemporaryDir tmp;
  TForm1 form(uint64_t{7});
  SmallWorld(form);
  QDir().mkpath(tmp.filePath(QStringLiteral("full")));
  QFile keep(tmp.filePath(QStringLiteral("full/notes.txt")));
  QVERIFY(keep.open(QIODevice::WriteOnly));
  keep.write("mine");
  keep.close();

  quorvan::ExperimentDialog* dialog = form.Experiments()->OpenDialog();
  ExperimentRequest r = dialog->Request();
  r.outDir = tmp.filePath(QStringLiteral("out")).toStdString();
  if (key == "steps") {
    r.steps = value.toStdString();
  } else if (key == "seed") {
    r.seed = value.toStdString();
  } else if (key == "out") {
    r.outDir = tmp.filePath(value).toStdString();
  } else if (key != "file") {
    r.SetSetting(key.toStdString(), value.toStdString());
  }
  dialog->SetRequest(r);
  const uint64_t before = quorvan::WorldDigest(form.sim);
  std::string error;
  if (key == "file") {
    const QString path = tmp.filePath(QStringLiteral("e.toml"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(value.toUtf8() + "\n");
    file.close();
    error = dialog->OpenExperimentFile(path);
    QCOMPARE(dialog->Request().outDir, r.outDir);  // the dialog keeps its values
  } else {
    error = dialog->StartSweep();
  }
  QVERIFY2(error.find(expected.toStdString()) != std::string::npos, error.c_str());
  QCOMPARE(dialog->Message(), QString::fromStdString(error));
  QVERIFY(!form.Experiments()->Job().Running());
  QVERIFY(!QFileInfo::exists(tmp.filePath(QStringLiteral("out"))));
  QCOMPARE(QDir(tmp.filePath(QStringLiteral("full"))).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
           QStringList({"notes.txt"}));
  QCOMPARE(quorvan::WorldDigest(form.sim), before);
  // A setting the engine refused is marked in the table.
  if (const int row = key == "wiggle" || key == "consume" ? dialog->SettingsTable()->currentRow() : -1; row >= 0) {
    QCOMPARE(dialog->SettingsTable()->item(row, 0)->text(), key);
  }
}

QTEST_MAIN(ExperimentTest)
#include "test_experiment.moc"
