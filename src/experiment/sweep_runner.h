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

/// Ctrl+C (SIGINT), SIGTERM and SIGHUP ask the sweep to stop after the runs
/// under way; a second one ends the program at once (removing its
/// temporary files).
void InstallStopSignals();
/// The signal that asked for a stop, 0 while none did.
int StopSignal();
/// Asks for a stop as a signal would (for tests).
void RequestStop(int signal);
/// Forgets an earlier stop.
void ClearStop();

class RecordWriter;

/// Runs one run of the plan with the options of its point and appends its
/// record (row, steps and final world digest, under `identity`) to
/// `records`; with the plan's fieldsEvery, its field history goes into
/// `fieldsFolder` first. Returns an error text, empty on success;
/// `stepSeconds` gets the time in the steps.
std::string RunOne(const SweepPlan& plan, const RunSpec& pointSpec, int64_t run, const std::string& identity,
                   RecordWriter& records, Simulation& sim, double& stepSeconds, const std::string& fieldsFolder = {});

/// Where a session's workers put their records: worker W of session S
/// appends to partsFolder/records-S-W.qvr, under the sweep's record identity.
struct RecordPlace {
  std::string partsFolder;
  int session = 1;
  std::string identity;
  std::string fieldsFolder;  ///< the runs' field histories, when the plan asks for them
};

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

/// Runs `pending` (run numbers, in order) on `jobs` threads. A run counts
/// as done once its record is appended; a failure to close a record file
/// at the end is the report's error.
PoolReport RunPool(const SweepPlan& plan, const std::vector<RunSpec>& points, const std::vector<int64_t>& pending,
                   const RecordPlace& place, int jobs, const ProgressCallback& progress);

}  // namespace quorvan::batch
