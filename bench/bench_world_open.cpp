// What reading a world first in a child process costs an open, at the
// smallest cell size (the largest grid) and the largest.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "simulation.h"
#include "world_file.h"

namespace {

using quorvan::ChartPoint;
using quorvan::Simulation;

// A world of `cellSize` with 200 agents, 100 steps in, saved once.
const std::string& SavedWorld(int cellSize) {
  static std::string paths[11];
  std::string& path = paths[cellSize];
  if (path.empty()) {
    Simulation sim;
    sim.Rand.FixSeed(7);
    sim.settings.Edit_size = std::to_string(cellSize);
    sim.settings.Edit_anzAg = "200";
    if (!sim.SetupWorld().empty()) std::abort();
    for (int i = 0; i < 100; ++i) sim.DoStep();
    path = "/tmp/quorvan_bench_open_" + std::to_string(getpid()) + "_" + std::to_string(cellSize) + ".qvw";
    if (!quorvan::SaveWorld(path, sim, {}).empty()) std::abort();
  }
  return path;
}

void Open(benchmark::State& state, bool apart) {
  const std::string& path = SavedWorld(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    // A new modification time makes it another version of the file, which
    // OpenWorld reads in a child again (it skips the child for a file it
    // has read through unchanged).
    if (apart) ::utimensat(AT_FDCWD, path.c_str(), nullptr, 0);
    Simulation sim;
    std::vector<ChartPoint> chart;
    const std::string error = apart ? quorvan::OpenWorld(path, sim, chart)
                                    : quorvan::OpenWorldInProcess(path, sim, chart);
    if (!error.empty()) state.SkipWithError(error.c_str());
    benchmark::DoNotOptimize(sim.StepCount);
  }
}

void BM_OpenApart(benchmark::State& state) { Open(state, true); }
// The same file again, unchanged: what every run of a sweep after the first pays.
void BM_OpenAgain(benchmark::State& state) {
  const std::string& path = SavedWorld(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    Simulation sim;
    std::vector<ChartPoint> chart;
    if (!quorvan::OpenWorld(path, sim, chart).empty()) state.SkipWithError("open failed");
    benchmark::DoNotOptimize(sim.StepCount);
  }
}
void BM_OpenInProcess(benchmark::State& state) { Open(state, false); }

BENCHMARK(BM_OpenInProcess)->Arg(2)->Arg(10)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenApart)->Arg(2)->Arg(10)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenAgain)->Arg(2)->Arg(10)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  for (int size : {2, 10}) std::remove(SavedWorld(size).c_str());
  return 0;
}
