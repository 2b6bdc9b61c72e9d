#pragma once
// Running a world headless from the batch options, and writing its results.

#include <cstdint>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "batch_options.h"
#include "run_recorder.h"
#include "simulation.h"

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

/// Builds the world of `options` in `sim` (seeded with `seed`, from the clock
/// when absent) or opens the one of --world, and runs it to its stop time,
/// handing each step to `csv` when there is one. An opened world keeps its
/// own random stream unless a seed is given, which restarts the stream from
/// it. Returns an error text, empty on success.
std::string RunWorld(const BatchOptions& options, std::optional<uint64_t> seed, Simulation& sim, CsvWriter* csv,
                     RunSummary& summary, RunRecorder* recorder = nullptr);

/// Sees every step of a run as it completes: StepCount after it, and its result.
using StepObserver = std::function<void(int32_t step, const StepResult& result)>;

/// RunWorld with every step handed to `observer` instead of a CSV writer.
std::string RunWorldSteps(const BatchOptions& options, std::optional<uint64_t> seed, Simulation& sim,
                          const StepObserver& observer, RunSummary& summary);

/// Opens the world of --world into `sim` and puts the given options over its
/// settings; refuses options that would need a new world.
std::string StartFromWorld(const BatchOptions& options, std::optional<uint64_t> seed, Simulation& sim);

/// The JSON summary of a finished run.
std::string SummaryJson(const BatchOptions& options, const Simulation& sim, const RunSummary& summary);


}  // namespace quorvan::batch
