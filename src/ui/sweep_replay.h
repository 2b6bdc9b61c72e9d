#pragma once
// Any run of a sweep folder built again: its description from the folder's
// plan (RunSpecOf), its world set up as the sweep set it up, and run exactly
// to a chosen step.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "simulation.h"
#include "world_file.h"

namespace quorvan {

/// Builds run `run` of the sweep in `folder` into `sim` and runs it to
/// `step` (its start when absent); `chart` gets the chart's points so far.
/// An error names the folder, the run or the step; `sim` may then hold a
/// partial world.
std::string BuildSweepRun(const std::string& folder, int64_t run, std::optional<int32_t> step, Simulation& sim,
                          std::vector<ChartPoint>& chart);

}  // namespace quorvan
