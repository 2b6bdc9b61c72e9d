#pragma once
// Running the runs of a sweep: a pool of threads, each with its own world,
// taking the next run that is due until none is left or a stop is asked for.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "run_spec.h"
#include "simulation.h"
#include "sweep_plan.h"

namespace quorvan::batch {

/// Ctrl+C (SIGINT) and SIGTERM ask the sweep to stop after the runs under
/// way; a second one ends the program at once.
void InstallStopSignals();
/// The signal that asked for a stop, 0 while none did.
int StopSignal();
/// Asks for a stop as a signal would (for tests).
void RequestStop(int signal);
/// Forgets an earlier stop.
void ClearStop();

/// Runs one run of the plan with the run description of its point and leaves its
/// records in `partsFolder` (the steps first, then the row). Returns an
/// error text, empty on success; `stepSeconds` gets the time in the steps.
std::string RunOne(const SweepPlan& plan, const RunSpec& pointSpec, int64_t run,
                   const std::string& partsFolder, Simulation& sim, double& stepSeconds);

struct PoolReport {
  int64_t done = 0;          ///< runs finished here
  std::string error;         ///< the first failure (the pool then stops)
  int stopSignal = 0;        ///< a stop was asked for
  double stepSeconds = 0.0;  ///< summed over runs: time in the steps
  double runSeconds = 0.0;   ///< summed over runs: everything a run did
};

/// Sees the pool's progress on the calling thread, a few times a second and
/// at the end: runs done so far, and the point last started.
using ProgressCallback = std::function<void(int64_t done, const std::string& current)>;

/// Runs `pending` (run numbers, in order) on `jobs` threads.
PoolReport RunPool(const SweepPlan& plan, const std::vector<RunSpec>& points, const std::vector<int64_t>& pending,
                   const std::string& partsFolder, int jobs, const ProgressCallback& progress);

}  // namespace quorvan::batch
