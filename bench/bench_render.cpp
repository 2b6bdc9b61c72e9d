// The cost of painting the default world (800 agents, cell size 2, random
// destinations, hill climbing), tracks and agents shown, after some hundred
// steps.
//
//   build/release/bench/quorvan_bench_render

#include <benchmark/benchmark.h>

#include <QImage>
#include <QPainter>
#include <cstdlib>
#include <ctime>

#include "layer_painter.h"
#include "simulation.h"

namespace {

using quorvan::LayerPainter;
using quorvan::Simulation;

constexpr int kWarmup = 300;

/// This thread's CPU time in seconds: the machines are shared, and time
/// spent preempted is not painting.
double ThreadSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

// The default world with `painter` as its display, after kWarmup steps.
void Prepare(Simulation& sim, LayerPainter& painter) {
  sim.SetDisplay(&painter);
  sim.Rand.FixSeed(42);
  sim.settings.E_stop.assign(1, '0');  // no stop time: the benchmark runs past 10,000 steps
  if (!sim.SetupWorld().empty()) std::abort();
  for (int i = 0; i < kWarmup; ++i) sim.DoStep();
}

// One step's painting as DoStep does it: the agent layer wiped, the cells
// whose Track moved repainted, the agents drawn. The world moves on between
// the measurements (a headless step), so every iteration paints a fresh
// step's changes. "Time" is the painting's thread CPU time.
void BM_PaintOneStep(benchmark::State& state) {
  Simulation sim;
  LayerPainter painter(sim);
  Prepare(sim, painter);
  sim.SetDisplay(nullptr);
  for (auto _ : state) {
    sim.DoStep();
    sim.ScanTrackRange();
    const double start = ThreadSeconds();
    painter.ClearAgentLayer();
    painter.PaintChangedCells();
    painter.DrawAgents();
    state.SetIterationTime(ThreadSeconds() - start);
  }
}
BENCHMARK(BM_PaintOneStep)->UseManualTime()->Unit(benchmark::kMicrosecond);

// The three parts alone, on the same kind of step, each after what the
// step does before it.
template <typename Before, typename Part>
void PaintPart(benchmark::State& state, Before before, Part part) {
  Simulation sim;
  LayerPainter painter(sim);
  Prepare(sim, painter);
  sim.SetDisplay(nullptr);
  for (auto _ : state) {
    sim.DoStep();
    sim.ScanTrackRange();
    before(painter);
    const double start = ThreadSeconds();
    part(painter);
    state.SetIterationTime(ThreadSeconds() - start);
  }
}
void BM_ClearAgentLayer(benchmark::State& s) {
  PaintPart(s, [](LayerPainter& p) { p.DrawAgents(); }, [](LayerPainter& p) { p.ClearAgentLayer(); });
}
void BM_PaintChangedCells(benchmark::State& s) {
  PaintPart(s, [](LayerPainter& p) { p.ClearAgentLayer(); }, [](LayerPainter& p) { p.PaintChangedCells(); });
}
void BM_DrawAgents(benchmark::State& s) {
  PaintPart(s, [](LayerPainter& p) { p.ClearAgentLayer(); }, [](LayerPainter& p) { p.DrawAgents(); });
}
BENCHMARK(BM_ClearAgentLayer)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PaintChangedCells)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DrawAgents)->UseManualTime()->Unit(benchmark::kMicrosecond);

// Looking at the agent layer after a step: the step's wipe and drawing
// are done on the pixels then. The panel does this once per frame (some
// 60 times a second), however many steps ran in between.
void BM_LookAtAgentLayer(benchmark::State& s) {
  PaintPart(
      s,
      [](LayerPainter& p) {
        p.ClearAgentLayer();
        p.DrawAgents();
      },
      [](LayerPainter& p) { benchmark::DoNotOptimize(p.AgentLayer().constBits()); });
}
BENCHMARK(BM_LookAtAgentLayer)->UseManualTime()->Unit(benchmark::kMicrosecond);

// A whole step with and without the painting, for comparison.
void BM_StepHeadless(benchmark::State& state) {
  Simulation sim;
  LayerPainter painter(sim);
  Prepare(sim, painter);
  sim.SetDisplay(nullptr);
  for (auto _ : state) benchmark::DoNotOptimize(sim.DoStep());
}
void BM_StepPainted(benchmark::State& state) {
  Simulation sim;
  LayerPainter painter(sim);
  Prepare(sim, painter);
  for (auto _ : state) benchmark::DoNotOptimize(sim.DoStep());
}
BENCHMARK(BM_StepHeadless)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_StepPainted)->Unit(benchmark::kMicrosecond);

// What the handlers and the panel pay: every cell repainted ("repaint
// all"), and the agent layer composited over the track layer.
void BM_PaintAllCells(benchmark::State& state) {
  Simulation sim;
  LayerPainter painter(sim);
  Prepare(sim, painter);
  for (auto _ : state) painter.PaintAllCells();
}
void BM_Composite(benchmark::State& state) {
  Simulation sim;
  LayerPainter painter(sim);
  Prepare(sim, painter);
  for (auto _ : state) benchmark::DoNotOptimize(painter.Composite());
}
BENCHMARK(BM_PaintAllCells)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Composite)->Unit(benchmark::kMicrosecond);

// The agents drawn through QPainter instead (integer ellipses and lines,
// no antialiasing), to keep the choice of writing pixels directly honest.
void BM_DrawAgentsQPainter(benchmark::State& state) {
  Simulation sim;
  LayerPainter painter(sim);
  Prepare(sim, painter);
  QImage layer(quorvan::kPanelWidth, quorvan::kPanelHeight, QImage::Format_ARGB32_Premultiplied);
  for (auto _ : state) {
    layer.fill(Qt::transparent);
    QPainter p(&layer);
    for (const quorvan::TAgent& a : sim.Agents) {
      p.setPen(QColor(128, 128, 128));
      p.setBrush(a.State == 0 ? QColor(255, 0, 0) : QColor(0, 255, 0));
      p.drawEllipse(a.PixelX - a.Radius, a.PixelY - a.Radius, 2 * a.Radius - 1, 2 * a.Radius - 1);
      p.setPen(QColor(0, 128, 0));
      p.drawLine(a.PixelX, a.PixelY, a.PixelX + 6, a.PixelY);
    }
  }
}
BENCHMARK(BM_DrawAgentsQPainter)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
