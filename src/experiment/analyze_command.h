#pragma once
// `quorvan-batch analyze DIR`: the analysis of a design's sweep folder made
// again from its runs.csv, after a merge or for other outputs, bootstrap
// resamples or calibration targets than the sweep was given.

#include <CLI/CLI.hpp>

#include <string>
#include <vector>

#include "sweep_plan.h"

namespace quorvan::batch {

struct AnalyzeCommand {
  std::string dir;
  SweepPlan plan;                   ///< as recorded in dir/plan.json
  DesignAnalysisOptions options;    ///< the plan's, with the command line's over them
  bool plot = true;
  bool quiet = false;
};

/// The analyze subcommand's options.
class AnalyzeOptions {
 public:
  /// Adds the subcommand "analyze" to `app`.
  explicit AnalyzeOptions(CLI::App& app);
  AnalyzeOptions(const AnalyzeOptions&) = delete;
  AnalyzeOptions& operator=(const AnalyzeOptions&) = delete;

  bool Chosen() const;
  /// Reads the folder's plan and the options over it; nothing is written.
  std::string Read(AnalyzeCommand& command) const;

 private:
  CLI::App* analyze_ = nullptr;
  std::string dir_, outputs_, bootstrap_, accept_, plot_;
  std::vector<std::string> targets_;
  bool calibrate_ = false;
  bool quiet_ = false;
};

/// Runs it: 0, or 2 when the folder's runs cannot be analysed as asked
/// (nothing is then written).
int RunAnalyze(const AnalyzeCommand& command);

}  // namespace quorvan::batch
