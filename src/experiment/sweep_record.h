#pragma once
// What a sweep folder receives at the end: the tables, the plot and
// experiment.json, the record of the command, its expansion and its times.

#include <string>
#include <vector>

#include "run_records.h"
#include "sweep_folder.h"
#include "sweep_plan.h"
#include "sweep_tables.h"

namespace quorvan::batch {

/// The times of one session of a sweep (a run, a resume or a merge).
struct SweepTimes {
  std::string started;       ///< UTC, ISO 8601
  std::string finished;
  double wallSeconds = 0.0;  ///< the whole session
  double runSeconds = 0.0;   ///< summed over the runs: each run from setup to its records
  double stepSeconds = 0.0;  ///< summed over the runs: the steps alone
  double finishSeconds = 0.0;  ///< tables, plot and this record
  int jobs = 0;
  int64_t runsRun = 0;  ///< runs done in this session
};

std::string UtcNow();

/// Writes `text` to `path` under a temporary name, renamed when complete.
std::string WriteTextFile(const std::string& path, const std::string& text);

/// experiment.json: the command that began the sweep, each resume since
/// with its time, the plan and its expansion (each point's settings, each
/// replicate's seeds), the world files' digests, the program version and
/// the times.
std::string ExperimentJson(const SweepPlan& plan, const std::vector<std::string>& command, const SweepTimes& times,
                           const std::vector<std::string>& mergedFrom, const std::vector<Resumption>& resumed = {},
                           const std::vector<WorldDigest>& worlds = {});

/// Writes the tables, the plot (unless the plan leaves it out) and
/// experiment.json into `outDir`. Returns an error, empty on success.
std::string WriteResults(const SweepPlan& plan, const RecordIndex& records, const std::function<bool(int64_t)>& take,
                         const std::string& outDir, const FolderRecord& history, SweepTimes& times);

}  // namespace quorvan::batch
