#pragma once
// The command line of a sweep: which settings vary, how often each point is
// repeated, where the results go, and how many runs go at once.

#include <optional>
#include <string>
#include <vector>

#include "run_command.h"
#include "sweep_plan.h"

namespace quorvan::batch {

struct SweepCommand {
  SweepPlan plan;
  std::vector<BatchOptions> points;  ///< the checked options of every point
  std::string outDir;
  int jobs = 1;
  bool quiet = false;
  bool resume = false;  ///< continue the sweep recorded in outDir
  std::vector<std::string> command;  ///< the arguments as given
};

/// What parsing a sweep's command line came to.
struct SweepParse {
  std::optional<SweepCommand> command;  ///< set when the sweep should go ahead
  std::string error;                    ///< otherwise why not (exit status 2)
};

/// Whether the command line asks for a sweep: an option of its own (--out,
/// --replicates, --jobs, --series, --plot, --quiet, --resume, --shard,
/// --experiment) or a setting with a list or a range. Otherwise it is one
/// run, parsed by ParseCommandLine as before.
bool IsSweepCommandLine(const std::vector<std::string>& args);

/// Parses and checks a sweep's command line (and its experiment file):
/// every point's settings, the output folder. Nothing is created.
SweepParse ParseSweepCommandLine(const std::vector<std::string>& args);

/// Whether `dir` may receive a new sweep (or a merge) of `plan`: absent or
/// empty. An error names the folder and what it holds.
std::string CheckNewOutFolder(const std::string& dir, const SweepPlan& plan);

/// Reads the plan recorded in a sweep folder.
std::string ReadPlan(const std::string& dir, SweepPlan& plan);

}  // namespace quorvan::batch
