#include "window_benchmark.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QLineEdit>

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
               form_.sim.CellSize, 1);
  std::fflush(out_);
  clock_.start();
}

void WindowBenchmark::OnStep(int stepCount) {
  if (done_ || stepCount <= lastReported_ || stepCount % block_ != 0) return;
  lastReported_ = stepCount;
  const qint64 now = clock_.nsecsElapsed();
  const int frames = form_.ZeichenPanel->FramesPainted();
  const int flushes = form_.Chart1->Flushes();
  const double seconds = static_cast<double>(now - blockStartNs_) * 1e-9;
  std::fprintf(out_, "steps %6d-%-6d %7.1f steps/s  %4d panel frames  %4d chart flushes\n",
               stepCount - block_, stepCount, block_ / seconds, frames - blockStartFrames_,
               flushes - blockStartFlushes_);
  std::fflush(out_);
  blockStartNs_ = now;
  blockStartFrames_ = frames;
  blockStartFlushes_ = flushes;
  if (stepCount >= steps_) {
    done_ = true;
    std::fprintf(out_, "total: %d steps in %.2f s, %.1f steps/s\n", stepCount, now * 1e-9,
                 stepCount / (now * 1e-9));
    std::fflush(out_);
    QCoreApplication::quit();
  }
}

}  // namespace quorvan
