// What recording a movie costs per frame: the frame's picture on the run's
// thread, and the caption and encoding on the recording thread, for the
// default world after some hundred steps.
//
//   build/release/bench/quorvan_bench_record

#include <benchmark/benchmark.h>

#include <QImage>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "caption_strip.h"
#include "frame_picture.h"
#include "frame_scene.h"
#include "movie_encoder.h"
#include "simulation.h"
#include "text_drawing.h"

namespace {

using quorvan::Simulation;

void Prepare(Simulation& sim) {
  sim.Rand.FixSeed(42);
  sim.settings.E_stop.assign(1, '0');  // no stop time
  if (!sim.SetupWorld().empty()) std::abort();
  for (int i = 0; i < 300; ++i) sim.DoStep();
}

// The "repaint all" picture made whole on the run's thread, ten steps apart
// (the steps are not timed).
void BM_FramePicture(benchmark::State& state) {
  Simulation sim;
  Prepare(sim);
  for (auto _ : state) {
    state.PauseTiming();
    for (int i = 0; i < 10; ++i) sim.DoStep();
    state.ResumeTiming();
    benchmark::DoNotOptimize(quorvan::FramePicture(sim, false, true, nullptr).constBits());
  }
}
BENCHMARK(BM_FramePicture)->Unit(benchmark::kMicrosecond);

// The same picture in two halves: the scene taken on the run's thread, and
// the picture painted from it on the recording's.
void BM_TakeScene(benchmark::State& state) {
  Simulation sim;
  Prepare(sim);
  quorvan::FrameSceneTaker taker;
  for (auto _ : state) {
    state.PauseTiming();
    for (int i = 0; i < 10; ++i) sim.DoStep();
    state.ResumeTiming();
    benchmark::DoNotOptimize(taker.Take(sim, false, true).values.data());
  }
}
BENCHMARK(BM_TakeScene)->Unit(benchmark::kMicrosecond);

void BM_PaintScene(benchmark::State& state) {
  Simulation sim;
  Prepare(sim);
  quorvan::FrameSceneTaker taker;
  quorvan::FramePainter painter;
  for (auto _ : state) {
    state.PauseTiming();
    for (int i = 0; i < 10; ++i) sim.DoStep();
    const quorvan::FrameScene scene = taker.Take(sim, false, true);
    state.ResumeTiming();
    benchmark::DoNotOptimize(painter.Paint(scene).constBits());
  }
}
BENCHMARK(BM_PaintScene)->Unit(benchmark::kMicrosecond);

void BM_WithCaption(benchmark::State& state) {
  quorvan::EnsureTextDrawing();
  Simulation sim;
  Prepare(sim);
  const QImage panel = quorvan::FramePicture(sim, false, true, nullptr);
  for (auto _ : state) {
    benchmark::DoNotOptimize(quorvan::movie::WithCaption(panel, "step 1234  seed 42  wiggle 20").constBits());
  }
}
BENCHMARK(BM_WithCaption)->Unit(benchmark::kMicrosecond);

// Frames of a running world, ten steps apart, encoded (argument 0: MP4, 1: GIF).
void BM_Encode(benchmark::State& state) {
  Simulation sim;
  Prepare(sim);
  std::vector<QImage> frames;
  for (int i = 0; i < 4; ++i) {
    for (int s = 0; s < 10; ++s) sim.DoStep();
    frames.push_back(quorvan::FramePicture(sim, false, true, nullptr));
  }
  const std::string path = (std::filesystem::temp_directory_path() /
                            (state.range(0) == 0 ? "quorvan-bench.mp4" : "quorvan-bench.gif"))
                               .string();
  quorvan::movie::MovieSettings settings;
  settings.width = quorvan::kPanelWidth;
  settings.height = quorvan::kPanelHeight;
  settings.exactColours = quorvan::PanelColours();
  quorvan::movie::MovieEncoder encoder;
  std::string error;
  if (!encoder.Open(path, settings, error)) std::abort();
  std::size_t k = 0;
  for (auto _ : state) {
    if (!encoder.Add(frames[k++ % frames.size()], error)) std::abort();
  }
  if (!encoder.Finish(error)) std::abort();
  std::filesystem::remove(path);
}
BENCHMARK(BM_Encode)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
