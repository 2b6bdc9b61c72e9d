#pragma once
// A sweep running in the background of the window, through the same engine
// as quorvan-batch (RunSweep), on a thread of its own. Its progress is read
// from the runs' records in the sweep folder and its end is reported on the
// window's thread. The engine's stop request is process-wide: one sweep at a
// time runs, and the signal handlers it installs are put back afterwards.

#include <QObject>
#include <QString>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <thread>

#include "sweep_command.h"

namespace quorvan {

class SweepJob : public QObject {
  Q_OBJECT

 public:
  explicit SweepJob(QObject* parent = nullptr);
  /// Stops the sweep after the runs under way and waits for it.
  ~SweepJob() override;

  /// Starts `command`; false (and nothing started) while a sweep runs.
  bool Start(batch::SweepCommand command);
  /// Stops after the runs under way; they are kept for a resume.
  void Cancel();
  bool Running() const { return thread_.joinable(); }
  const QString& OutDir() const { return outDir_; }

  /// The share's runs with their records in `parts`: done runs.
  static int64_t RunsDone(const std::string& outDir);

 signals:
  /// Runs done of the sweep's total; seconds left (negative: not known yet).
  void Progress(qint64 done, qint64 total, double secondsLeft);
  /// The sweep ended: complete (exitCode 0), stopped, or failed; `message` says which.
  void Finished(int exitCode, const QString& message, const QString& outDir);

 private:
  void Poll();
  void End();

  std::thread thread_;
  std::atomic<int> exitCode_{-1};
  QTimer poll_;
  QString outDir_;
  int64_t total_ = 0;
  int64_t before_ = 0;
  bool cancelled_ = false;
  std::chrono::steady_clock::time_point start_;
};

}  // namespace quorvan
