// The cost of one time step, headless.
//
//   build/release/bench/quorvan_bench --benchmark_filter=Step

#include <benchmark/benchmark.h>

#include "simulation.h"

namespace {

using quorvan::Simulation;

// A world after `warmup` steps, so that trails and returning agents exist.
void Prepare(Simulation& sim, int agents, bool decay, bool roulette, int warmup) {
  sim.Rand.FixSeed(42);
  sim.settings.Edit_anzAg = std::to_string(agents);
  sim.settings.CB_decay = decay;
  sim.settings.rb_rulette = roulette;
  sim.settings.rb_hill = !roulette;
  sim.settings.E_stop.assign(1, '0');  // no stop time: the benchmark runs past 10,000 steps
  if (!sim.SetupWorld().empty()) std::abort();
  for (int i = 0; i < warmup; ++i) sim.DoStep();
}

void Step(benchmark::State& state, bool decay, bool roulette) {
  const auto agents = static_cast<int>(state.range(0));
  Simulation sim;
  Prepare(sim, agents, decay, roulette, 1000);
  for (auto _ : state) {
    auto r = sim.DoStep();
    benchmark::DoNotOptimize(r);
  }
  state.counters["steps/s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
  state.counters["ns/agent-step"] = benchmark::Counter(
      static_cast<double>(state.iterations()) * agents * 1e-9,
      benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_Step(benchmark::State& s) { Step(s, false, false); }
void BM_StepDecay(benchmark::State& s) { Step(s, true, false); }
void BM_StepRoulette(benchmark::State& s) { Step(s, false, true); }

BENCHMARK(BM_Step)->Arg(800)->Arg(8000)->Arg(80000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_StepDecay)->Arg(800)->Arg(8000)->Arg(80000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_StepRoulette)->Arg(800)->Unit(benchmark::kMicrosecond);

// After 20,000 steps at 0.95 nearly every trail has decayed into the
// denormals, where it stays.
void BM_StepDecayLongRun(benchmark::State& state) {
  Simulation sim;
  Prepare(sim, 800, true, false, 20000);
  for (auto _ : state) {
    auto r = sim.DoStep();
    benchmark::DoNotOptimize(r);
  }
  state.counters["steps/s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_StepDecayLongRun)->Unit(benchmark::kMicrosecond);

// The parts of a step on the default world.
void BM_ScanTrackRange(benchmark::State& state) {
  Simulation sim;
  Prepare(sim, 800, false, false, 1000);
  for (auto _ : state) {
    sim.ScanTrackRange();
    benchmark::DoNotOptimize(sim.TrackMax);
  }
}
BENCHMARK(BM_ScanTrackRange)->Unit(benchmark::kMicrosecond);

void BM_DecayTracks(benchmark::State& state) {
  Simulation sim;
  Prepare(sim, 800, state.range(0) != 0, false, state.range(0) != 0 ? 20000 : 1000);
  // Alternating 0.95 and its inverse keeps the trails where they are, instead
  // of driving them ever deeper with each iteration.
  bool down = true;
  for (auto _ : state) {
    sim.DecayTracks(down ? 0.95 : 1 / 0.95);
    down = !down;
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_DecayTracks)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);  // 1: trails long decayed

}  // namespace

BENCHMARK_MAIN();
