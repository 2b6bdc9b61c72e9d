#pragma once
// Benchmark mode: lets the window run at its own timer's pace and reports,
// for every block of steps, the steps per second and where the time went:
// the panel's frames, the chart's flushes and repaints. At the end it runs
// a block of steps back to back, without the timer, for the cost of a step
// itself (model, layers and chart storage).

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
  /// What the counters stood at when a block began.
  struct Mark {
    qint64 ns = 0;
    int frames = 0;
    qint64 frameNs = 0;
    int flushes = 0;
    qint64 chartNs = 0;
  };
  Mark Now() const;
  void OnStep(int stepCount);
  /// Steps run back to back, outside the timer.
  void MeasureStepsAlone();

  TForm1& form_;
  int steps_;
  int block_;
  std::FILE* out_;
  QElapsedTimer clock_;
  Mark blockStart_;
  int lastReported_ = 0;
  bool done_ = false;
};

}  // namespace quorvan
