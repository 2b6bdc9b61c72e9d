#pragma once
// The tables of a sweep: one row per run (runs.csv) and one row per step of
// every run (series.csv), made from the records each run leaves in the
// sweep's parts folder.
//
// Each run leaves one record in the parts folder (see run_records.h): its
// row and its steps. The tables are these records joined in run order, so
// they come out the same whatever the number of jobs, the interruptions or
// the shares.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "simulation.h"
#include "sweep_plot.h"
#include "sweep_plan.h"

namespace quorvan::batch {

/// The folder of the run records inside a sweep folder.
inline constexpr const char* kPartsFolder = "parts";

struct RecordIndex;

/// What a run's steps came to, gathered step by step.
struct RunStats {
  int64_t deliveries = 0;
  std::optional<int32_t> firstDelivery;  ///< the step of the first delivery
  std::optional<int32_t> successful50;   ///< first step with at least 50% successful
  std::optional<int32_t> successful90;   ///< ... and 90%

  void Step(int32_t step, const StepResult& r);
};

/// The series rows of one step, appended to `out`.
void AppendSeriesRow(std::string& out, int64_t run, int32_t step, const StepResult& r);

inline constexpr const char* kSeriesHeader = "run,step,successful,returning,track_max,deliveries\n";
/// Every run's final world digest (16 hex digits; empty for a record of an
/// older sweep), which a replay of the run must reach.
inline constexpr const char* kDigestsFile = "digests.csv";
inline constexpr const char* kDigestsHeader = "run,digest\n";
std::string RunsHeader(const SweepPlan& plan);

/// The runs.csv row of a finished run.
struct RunOutcome {
  uint64_t seed = 0;
  std::optional<uint64_t> landscapeSeed;
  int32_t stepsRun = 0;
  int32_t successful = 0;
  int32_t returning = 0;
  double trackMax = 0.0;
  RunStats stats;
  std::vector<TDestination> destinations;
};
std::string RunRow(const SweepPlan& plan, int64_t run, const RunOutcome& outcome);

/// Writes runs.csv, digests.csv (and series.csv when the plan asks for it) into `outDir`
/// from the verified records of every run that `take` accepts, in run order, and
/// fills `curves` (one per point with at least one run). Each table is
/// written to a temporary name and renamed when complete. Returns an
/// error text, empty on success.
std::string WriteTables(const SweepPlan& plan, const RecordIndex& records, const std::function<bool(int64_t)>& take,
                        const std::string& outDir, std::vector<PlotCurve>& curves);

}  // namespace quorvan::batch
