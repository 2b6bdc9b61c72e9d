#include "experiment_menu.h"

#include <QAction>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTimer>

#include "CellForm.h"
#include "experiment_dialog.h"
#include "results_window.h"
#include "settings_limits.h"
#include "stats_chart.h"
#include "sweep_job.h"
#include "sweep_replay.h"
#include "world_file.h"

namespace quorvan {

ExperimentRequest RequestFromWindow(const TForm1& form) {
  const Settings& s = form.sim.settings;
  ExperimentRequest r;
  if (IsLandscapeMode(s.SetupMode)) {
    r.SetSetting("mode", std::string(kLandscapeModes[static_cast<std::size_t>(s.SetupMode)].name));
  }
  r.SetSetting("cell-size", s.Edit_size);
  r.SetSetting("agents", s.Edit_anzAg);
  r.SetSetting("threshold", std::to_string(s.TrB_thresh));
  r.SetSetting("wiggle", std::to_string(s.SB_wiggle));
  r.SetSetting("noise", s.E_noise);
  r.SetSetting("consume", s.E_CProbab);
  r.SetSetting("decay", s.CB_decay ? s.E_decay : std::string());
  r.SetSetting("sniff", s.rb_rulette ? "roulette" : s.rb_hill ? "hill" : "");
  r.SetSetting("trail", s.CB_showAB ? "return" : "footprint");
  r.steps = s.E_stop;
  r.replicates = 5;
  r.jobs = DefaultJobs();
  r.plot = true;
  return r;
}

void TForm1::CreateExperimentMenu(QMenu* file) { experiments_ = new ExperimentMenu(*this, file); }

ExperimentMenu::ExperimentMenu(TForm1& form, QMenu* file) : QObject(&form), form_(form) {
  job_ = new SweepJob(this);
  A_experiment = file->addAction(tr("E&xperiment..."));
  A_experiment->setObjectName(QStringLiteral("A_experiment"));
  A_experiment->setShortcut(QKeySequence(QStringLiteral("Ctrl+E")));
  connect(A_experiment, &QAction::triggered, this, &ExperimentMenu::OpenDialog);
  A_openExperiment = file->addAction(tr("Open exper&iment..."));
  A_openExperiment->setObjectName(QStringLiteral("A_openExperiment"));
  connect(A_openExperiment, &QAction::triggered, this, &ExperimentMenu::OpenExperimentClick);
  file->addSeparator();

  bar_ = new QProgressBar(&form);
  bar_->setObjectName(QStringLiteral("sweepProgress"));
  bar_->setMinimumWidth(260);
  bar_->hide();
  cancel_ = new QPushButton(tr("Cancel sweep"), &form);
  cancel_->setToolTip(tr("Stop after the runs under way; they are kept and the sweep can be resumed"));
  cancel_->hide();
  form.statusBar()->addPermanentWidget(bar_);
  form.statusBar()->addPermanentWidget(cancel_);
  connect(cancel_, &QPushButton::clicked, job_, &SweepJob::Cancel);
  connect(job_, &SweepJob::Progress, this, &ExperimentMenu::SweepProgress);
  connect(job_, &SweepJob::Finished, this, &ExperimentMenu::SweepFinished);
}

ExperimentDialog* ExperimentMenu::Dialog() const { return dialog_; }
ResultsWindow* ExperimentMenu::Results() const { return results_; }

ExperimentDialog* ExperimentMenu::OpenDialog() {
  if (!dialog_) {
    const auto save = [this](const std::string& path) {
      return SaveWorld(path, form_.sim, form_.Chart1->Points());
    };
    dialog_ = new ExperimentDialog(RequestFromWindow(form_), save, *job_, &form_);
    dialog_->setAttribute(Qt::WA_DeleteOnClose);
  }
  dialog_->show();
  dialog_->raise();
  dialog_->activateWindow();
  return dialog_;
}

std::string ExperimentMenu::ShowResults(const QString& folder) {
  if (!results_) {
    results_ = new ResultsWindow(
        [this](const QString& f, int64_t run, std::optional<int32_t> step) { return form_.OpenSweepRun(f, run, step); },
        &form_);
    results_->setAttribute(Qt::WA_DeleteOnClose);
  }
  const std::string error = results_->LoadFolder(folder);
  if (!error.empty()) {
    if (results_->Tabs()->count() == 0) delete results_;
    return error;
  }
  results_->show();
  results_->raise();
  return {};
}

void ExperimentMenu::OpenExperimentClick() {
  const QString folder = QFileDialog::getExistingDirectory(&form_, tr("Open experiment (a sweep folder)"));
  if (folder.isEmpty()) return;
  if (const std::string error = ShowResults(folder); !error.empty()) {
    form_.statusBar()->showMessage(QString::fromStdString(error), 10000);
    QMessageBox::warning(&form_, tr("Open experiment"), QString::fromStdString(error));
  }
}

void ExperimentMenu::SweepProgress(qint64 done, qint64 total, double secondsLeft) {
  bar_->show();
  cancel_->show();
  bar_->setRange(0, static_cast<int>(std::min<qint64>(total, 1 << 30)));
  bar_->setValue(static_cast<int>(std::min<qint64>(done, 1 << 30)));
  QString left;
  if (secondsLeft >= 0) {
    const auto s = static_cast<long long>(secondsLeft + 0.5);
    left = tr(", %1:%2 left").arg(s / 60).arg(s % 60, 2, 10, QLatin1Char('0'));
  }
  bar_->setFormat(tr("sweep: %v of %m runs") + left);
}

void ExperimentMenu::SweepFinished(int exitCode, const QString& message, const QString& outDir) {
  bar_->hide();
  cancel_->hide();
  form_.statusBar()->showMessage(message, 15000);
  if (exitCode == 0) {
    ShowResults(outDir);
  } else if (exitCode < 128) {
    QMessageBox::warning(&form_, tr("Experiment"), message);
  }
}

std::string TForm1::OpenSweepRun(const QString& folder, int64_t run, std::optional<int32_t> step) {
  Simulation built;
  std::vector<ChartPoint> chart;
  if (std::string error = BuildSweepRun(folder.toStdString(), run, step, built, chart); !error.empty()) {
    return ReportFile(error);
  }
  if (!MaySetWorldAside()) return {};  // unsaved work: Save, Discard or Cancel
  // The window opens worlds from files: the run goes through one, so that
  // the controls, layers and chart come up as for any opened world.
  QTemporaryDir scratch;
  const QString path = scratch.filePath(QStringLiteral("run.qvw"));
  if (std::string error = SaveWorld(path.toStdString(), built, chart); !error.empty()) return ReportFile(error);
  if (std::string error = OpenWorldFile(path); !error.empty()) return error;
  Timer1->stop();
  SetWorldFile(QString());
  setWindowTitle(QStringLiteral("Quorvan - run %1 of %2 at step %3")
                     .arg(run)
                     .arg(QFileInfo(folder).fileName())
                     .arg(sim.StepCount));
  ShowRunState();
  return {};
}

}  // namespace quorvan
