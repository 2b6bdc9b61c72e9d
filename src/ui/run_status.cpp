// The seed every setup uses and the run's state in the status bar.

#include <QLabel>
#include <QTimer>
#include <chrono>
#include <random>

#include "CellForm.h"

namespace quorvan {

namespace {

uint64_t FreshSeed() {
  std::random_device device;
  const auto now = static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
  return (static_cast<uint64_t>(device()) << 32 | device()) ^ now;
}

}  // namespace

void TForm1::SetSeed(std::optional<uint64_t> seed) { seed_ = seed; }

void TForm1::SetupSeededWorld() {
  // A fixed seed makes the world reproducible and lets the status bar
  // show it. Should the setup fail, the old world goes on with the random
  // stream it had.
  const RandomSource before = sim.Rand;
  sim.Rand.FixSeed(seed_ ? *seed_ : FreshSeed());
  const std::string error = sim.SetupWorld();
  if (!error.empty()) sim.Rand = before;
  status_->Report(StatusLine::Source::Setup, error);
  if (error.empty()) {
    FileSucceeded();
    WorldReplaced();
    stoppedAtStopTime_ = false;
    SetWorldFile(QString());  // the new world is no file's
    WorkSaved();
  }
  ShowRunState();
}

QString TForm1::RunState() const {
  if (Timer1->isActive()) return QStringLiteral("running");
  return stoppedAtStopTime_ ? QStringLiteral("stopped at the stop time") : QStringLiteral("stopped");
}

void TForm1::ShowRunState() {
  Lbl_run->setText(QStringLiteral("seed %1 | %2").arg(sim.Rand.Seed()).arg(RunState()));
}

}  // namespace quorvan
