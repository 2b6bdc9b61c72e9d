#pragma once
// Benchmark mode: lets the window run at its own timer's pace and reports
// the steps per second of every block of steps, with how often the panel
// and the chart were redrawn meanwhile.

#include <QElapsedTimer>
#include <QObject>
#include <cstdio>

namespace quorvan {

class TForm1;

class WindowBenchmark : public QObject {
  Q_OBJECT

 public:
  /// Runs `steps` steps (the stop time is set to it), reporting every
  /// `block` steps on `out`, then quits the application.
  WindowBenchmark(TForm1& form, int steps, int block, std::FILE* out);

 private:
  void OnStep(int stepCount);

  TForm1& form_;
  int steps_;
  int block_;
  std::FILE* out_;
  QElapsedTimer clock_;
  qint64 blockStartNs_ = 0;
  int blockStartFrames_ = 0;
  int blockStartFlushes_ = 0;
  int lastReported_ = 0;
  bool done_ = false;
};

}  // namespace quorvan
