#include "sweep_job.h"

#include <csignal>
#include <filesystem>

#include "sweep_main.h"
#include "sweep_runner.h"
#include "sweep_tables.h"

namespace quorvan {

namespace {

// The one sweep of the process: the engine's stop flag is shared.
std::atomic<bool> gSweepRunning{false};

using Handler = void (*)(int);

}  // namespace

SweepJob::SweepJob(QObject* parent) : QObject(parent) {
  poll_.setInterval(400);
  connect(&poll_, &QTimer::timeout, this, &SweepJob::Poll);
}

SweepJob::~SweepJob() {
  if (thread_.joinable()) {
    batch::RequestStop(SIGINT);
    thread_.join();
    gSweepRunning.store(false);
  }
}

int64_t SweepJob::RunsDone(const std::string& outDir) {
  namespace fs = std::filesystem;
  std::error_code ec;
  int64_t done = 0;
  for (const fs::directory_entry& e : fs::directory_iterator(outDir + "/" + batch::kPartsFolder, ec)) {
    const std::string name = e.path().filename().string();
    if (name.size() > 8 && name.compare(name.size() - 8, 8, ".row.csv") == 0 && name[0] != '.') ++done;
  }
  return done;
}

bool SweepJob::Start(batch::SweepCommand command) {
  bool idle = false;
  if (thread_.joinable() || !gSweepRunning.compare_exchange_strong(idle, true)) return false;
  command.quiet = true;
  outDir_ = QString::fromStdString(command.outDir);
  total_ = 0;
  for (int64_t run = 0; run < command.plan.RunCount(); ++run) total_ += command.plan.InShard(run) ? 1 : 0;
  before_ = RunsDone(command.outDir);
  cancelled_ = false;
  exitCode_.store(-1);
  start_ = std::chrono::steady_clock::now();
  batch::ClearStop();
  // RunSweep installs the engine's own Ctrl+C handlers; the window's come back after it.
  const Handler oldInt = std::signal(SIGINT, SIG_DFL);
  std::signal(SIGINT, oldInt);
  const Handler oldTerm = std::signal(SIGTERM, SIG_DFL);
  std::signal(SIGTERM, oldTerm);
  thread_ = std::thread([this, cmd = std::move(command), oldInt, oldTerm] {
    const int code = batch::RunSweep(cmd);
    std::signal(SIGINT, oldInt);
    std::signal(SIGTERM, oldTerm);
    exitCode_.store(code);
    QMetaObject::invokeMethod(this, &SweepJob::End, Qt::QueuedConnection);
  });
  poll_.start();
  emit Progress(before_, total_, -1.0);
  return true;
}

void SweepJob::Cancel() {
  if (!thread_.joinable()) return;
  cancelled_ = true;
  batch::RequestStop(SIGINT);
}

void SweepJob::Poll() {
  const int64_t done = RunsDone(outDir_.toStdString());
  const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
  const int64_t here = done - before_;
  const double left = here > 0 ? elapsed / static_cast<double>(here) * static_cast<double>(total_ - done) : -1.0;
  emit Progress(done, total_, left);
}

void SweepJob::End() {
  if (!thread_.joinable()) return;
  thread_.join();
  poll_.stop();
  gSweepRunning.store(false);
  batch::ClearStop();
  const int code = exitCode_.load();
  const int64_t done = RunsDone(outDir_.toStdString());
  emit Progress(done, total_, 0.0);
  QString message;
  if (code == 0) {
    message = tr("Sweep complete: %1 runs in %2").arg(total_).arg(outDir_);
  } else if (code >= 128 || cancelled_) {
    message = tr("Sweep stopped: %1 of %2 runs done and kept; Resume in the Experiment dialog, or "
                 "quorvan-batch --resume %3, runs the rest")
                  .arg(done)
                  .arg(total_)
                  .arg(outDir_);
  } else {
    message = tr("Sweep failed (status %1): the finished runs are kept in %2; the terminal has the engine's message")
                  .arg(code)
                  .arg(outDir_);
  }
  emit Finished(code, message, outDir_);
}

}  // namespace quorvan
