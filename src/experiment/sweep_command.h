#pragma once
// The command line of a sweep (which settings vary, how often each point is
// repeated, where the results go, how many runs go at once) and of the merge
// of a sweep's shares. Their options are registered on CLI11 apps; a sweep's
// settings are the run's own options (RunOptions) given lists or ranges.

#include <CLI/CLI.hpp>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "design_command.h"
#include "experiment_file.h"
#include "run_command.h"
#include "sweep_plan.h"

namespace quorvan::batch {

struct SweepCommand {
  SweepPlan plan;
  std::vector<RunSpec> points;  ///< the run description of every point, checked
  std::string outDir;
  int jobs = 1;
  bool quiet = false;
  bool resume = false;  ///< continue the sweep recorded in outDir
  std::vector<std::string> command;  ///< the arguments as given
};

/// The sweep's own options on an app (group "Sweep"), as texts until Read.
class SweepOptions {
 public:
  explicit SweepOptions(CLI::App& app);
  SweepOptions(const SweepOptions&) = delete;
  SweepOptions& operator=(const SweepOptions&) = delete;

  /// Whether any was given: that makes the command a sweep.
  bool Given() const;

  /// Reads the sweep: its experiment file, the command line's settings
  /// (`run`) and options over it, every point's run description, the output
  /// folder (absent or empty, unless resumed). Nothing is created.
  std::string Read(const RunOptions& run, const std::vector<std::string>& args, SweepCommand& command) const;

 private:
  // The options given, as values of an experiment file would be.
  void ReadGiven(std::map<std::string, ExperimentValue>& values) const;

  std::map<std::string, std::string> texts_;
  std::map<std::string, CLI::Option*> options_;
  DesignOptions design_;
  bool series_ = false;
  bool quiet_ = false;
};

/// `merge --out DIR SHARD_DIR...`: the shares of one sweep to join.
struct MergeCommand {
  std::string outDir;
  std::optional<bool> plot;  ///< the plan's own choice when absent
  bool quiet = false;
  std::vector<std::string> shards;
  std::vector<std::string> command;  ///< "merge" and its arguments as given
};

/// The merge subcommand's options.
class MergeOptions {
 public:
  /// Adds the subcommand "merge" to `app`.
  explicit MergeOptions(CLI::App& app);
  MergeOptions(const MergeOptions&) = delete;
  MergeOptions& operator=(const MergeOptions&) = delete;

  /// Whether the command line chose it.
  bool Chosen() const;
  std::string Read(const std::vector<std::string>& args, MergeCommand& command) const;

 private:
  CLI::App* merge_ = nullptr;
  std::string out_;
  std::string plot_;
  bool quiet_ = false;
  std::vector<std::string> shards_;
};

/// Whether `dir` may receive a new sweep (or a merge) of `plan`: absent or
/// empty. An error names the folder, what it holds and what to do.
std::string CheckNewOutFolder(const std::string& dir, const SweepPlan& plan);

/// Reads the plan recorded in a sweep folder.
std::string ReadPlan(const std::string& dir, SweepPlan& plan);

}  // namespace quorvan::batch
