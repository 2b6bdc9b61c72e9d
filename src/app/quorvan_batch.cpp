// quorvan-batch: runs a world headless, for experiments and measurement.

#include <cstdio>
#include <string>
#include <vector>

#include "batch_command.h"
#include "replay_main.h"
#include "single_run.h"
#include "sweep_main.h"

using namespace quorvan;
using namespace quorvan::batch;

int main(int argc, char** argv) {
  const BatchCommand parsed = ParseBatchCommandLine(std::vector<std::string>(argv + 1, argv + argc));
  if (const auto* run = std::get_if<RunCommand>(&parsed.command)) {
    Simulation sim;
    return RunSingle(*run, sim);
  }
  if (const auto* sweep = std::get_if<SweepCommand>(&parsed.command)) return RunSweep(*sweep);
  if (const auto* merge = std::get_if<MergeCommand>(&parsed.command)) return RunMerge(*merge);
  if (const auto* analyze = std::get_if<AnalyzeCommand>(&parsed.command)) return RunAnalyze(*analyze);
  if (const auto* replay = std::get_if<ReplayCommand>(&parsed.command)) return RunReplay(*replay);
  std::fputs(parsed.output.c_str(), parsed.exitCode == 0 ? stdout : stderr);
  return parsed.exitCode;
}
