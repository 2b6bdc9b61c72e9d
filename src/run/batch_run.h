#pragma once
// Running a world headless from its run description, and writing its results.

#include <cstdint>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "run_recorder.h"
#include "run_spec.h"
#include "simulation.h"
#include "world_file.h"

namespace quorvan::batch {

/// What a run came to: the summary that the JSON report holds.
struct RunSummary {
  uint64_t seed = 0;
  int32_t startStep = 0;   ///< the step the run began at (0, or an opened world's)
  int32_t stepsRun = 0;    ///< the step count when the run ended
  int32_t successful = 0;  ///< last step's percentage
  int32_t returning = 0;   ///< last step's percentage
  double trackMax = 0.0;   ///< last step's scan
  double elapsedSeconds = 0.0;
};

/// Writes one CSV row per step, with a header, to an open file.
class CsvWriter {
 public:
  explicit CsvWriter(std::FILE* file);
  void Row(int32_t step, int32_t successful, int32_t returning, double trackMax, int32_t deliveries);
  /// Flushes what is buffered; false when the file could not be written.
  bool Finish();

 private:
  std::FILE* file_;
  std::string buffer_;
};

/// Sees every step of a run as it completes: StepCount after it, and its result.
using StepObserver = std::function<void(int32_t step, const StepResult& result)>;

/// Builds the world of `spec` in `sim` (seeded with spec.seed, from the
/// clock when absent) or opens the one of spec.world, and runs it to its
/// stop time, handing every step to `observer` when there is one. An opened
/// world keeps its own random stream unless a seed is given, which restarts
/// the stream from it. With `chart`, it receives an opened world's chart
/// points and one more for every step, as the window's chart does. Returns
/// an error text, empty on success.
std::string RunWorldSteps(const RunSpec& spec, Simulation& sim, const StepObserver& observer, RunSummary& summary,
                          std::vector<ChartPoint>* chart = nullptr);

/// RunWorldSteps with every step written to `csv` and handed to `recorder`
/// (movie, frames, field history) when there are.
std::string RunWorld(const RunSpec& spec, Simulation& sim, CsvWriter* csv, RunSummary& summary,
                     std::vector<ChartPoint>* chart = nullptr, RunRecorder* recorder = nullptr);

/// Opens the world of spec.world into `sim` (its chart points into `chart`
/// when given), puts the given values over its settings and sets its stop
/// time. Refuses values that would need a new world, and a stop time that
/// is not after the step the world stands at (the message names the world
/// and its step).
std::string StartFromWorld(const RunSpec& spec, Simulation& sim, std::vector<ChartPoint>* chart = nullptr);

/// The JSON summary of a finished run.
std::string SummaryJson(const RunSpec& spec, const Simulation& sim, const RunSummary& summary);

}  // namespace quorvan::batch
