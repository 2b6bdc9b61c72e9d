#include "window_benchmark.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QLineEdit>
#include <QTimer>

#include "CellForm.h"
#include "drawing_panel.h"
#include "stats_chart.h"

namespace quorvan {

WindowBenchmark::WindowBenchmark(TForm1& form, int steps, int block, std::FILE* out)
    : QObject(&form), form_(form), steps_(steps), block_(block > 0 ? block : 1000), out_(out) {
  form_.E_stop->setText(QString::number(steps_));
  connect(&form_, &TForm1::StepDone, this, &WindowBenchmark::OnStep);
  std::fprintf(out_, "platform %s, %zu agents, cell size %d, timer interval %d ms\n",
               qPrintable(QGuiApplication::platformName()), form_.sim.Agents.size(),
               form_.sim.CellSize, form_.Timer1->interval());
  if (form_.Recording().Active()) {
    std::fprintf(out_, "recording %s, a frame every %d steps\n", form_.Recording().Path().c_str(),
                 form_.Recording().FrameEvery());
  }
  std::fprintf(out_, "%-13s %9s %23s %31s\n", "steps", "steps/s", "panel frames (ms each)",
               "chart flushes (ms each, share)");
  std::fflush(out_);
  clock_.start();
  blockStart_ = Now();
}

WindowBenchmark::Mark WindowBenchmark::Now() const {
  return {clock_.nsecsElapsed(), form_.ZeichenPanel->FramesPainted(),
          form_.ZeichenPanel->PaintNanoseconds(), form_.Chart1->Flushes(),
          form_.Chart1->FlushNanoseconds() + form_.Chart1->PaintNanoseconds()};
}

void WindowBenchmark::OnStep(int stepCount) {
  if (done_ || stepCount <= lastReported_ || stepCount % block_ != 0) return;
  lastReported_ = stepCount;
  const Mark now = Now();
  const double seconds = static_cast<double>(now.ns - blockStart_.ns) * 1e-9;
  const int frames = now.frames - blockStart_.frames;
  const int flushes = now.flushes - blockStart_.flushes;
  const double frameMs = frames ? static_cast<double>(now.frameNs - blockStart_.frameNs) * 1e-6 / frames : 0.0;
  const double chartMs = static_cast<double>(now.chartNs - blockStart_.chartNs) * 1e-6;
  const double totalSeconds = static_cast<double>(now.ns) * 1e-9;
  std::fprintf(out_, "%6d-%-6d %9.1f %12d (%6.2f) %14d (%5.2f, %4.1f%%)\n", stepCount - block_,
               stepCount, block_ / seconds, frames, frameMs, flushes,
               flushes ? chartMs / flushes : 0.0, chartMs * 1e-3 / seconds * 100.0);
  std::fflush(out_);
  blockStart_ = now;
  if (stepCount >= steps_) {
    done_ = true;
    std::fprintf(out_, "total: %d steps in %.2f s, %.1f steps/s\n", stepCount, totalSeconds,
                 stepCount / totalSeconds);
    if (const int64_t movieFrames = form_.Recording().Frames(); movieFrames > 0) {
      // The frames' cost on the window's thread: made, and handed to the encoder's.
      const double ms = static_cast<double>(form_.Recording().FrameNanoseconds()) * 1e-6;
      std::fprintf(out_, "recording: %lld frames, %.2f ms each on the window's thread (%.1f%% of the time)\n",
                   static_cast<long long>(movieFrames), ms / static_cast<double>(movieFrames), ms * 1e-3 / totalSeconds * 100.0);
    }
    std::fflush(out_);
    // Leave the timer's event first: the steps below run outside it.
    QTimer::singleShot(0, this, &WindowBenchmark::MeasureStepsAlone);
  }
}

void WindowBenchmark::MeasureStepsAlone() {
  form_.Timer1->stop();
  QElapsedTimer clock;
  clock.start();
  for (int i = 0; i < block_; ++i) form_.B_oneStepClick();
  const double us = static_cast<double>(clock.nsecsElapsed()) * 1e-3 / block_;
  std::fprintf(out_, "a step alone (model, layers, chart storage), %d back to back: %.0f us\n",
               block_, us);
  std::fflush(out_);
  // exit, not quit: quit closes the window, which would ask about the
  // stop time the benchmark typed.
  QCoreApplication::exit(0);
}

}  // namespace quorvan
