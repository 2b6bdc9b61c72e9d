#pragma once
// The options that turn a sweep into a design and say how its runs are
// analysed: --design, --samples, --levels, --outputs, --bootstrap,
// --calibrate, --target, --accept (and their keys in experiment files).

#include <CLI/CLI.hpp>

#include <map>
#include <string>
#include <vector>

#include "experiment_file.h"
#include "sweep_plan.h"

namespace quorvan::batch {

/// A setting given as an interval, with where it came from.
struct GivenInterval {
  std::size_t setting = 0;  ///< index into the plan's settings
  DesignInterval interval;
  std::string where;
};

/// The design's options on an app (their own group), as texts until read.
class DesignOptions {
 public:
  explicit DesignOptions(CLI::App& app);
  DesignOptions(const DesignOptions&) = delete;
  DesignOptions& operator=(const DesignOptions&) = delete;

  bool Given() const;
  /// The options given, as values of an experiment file would be.
  void ReadGiven(std::map<std::string, ExperimentValue>& values) const;

 private:
  std::map<std::string, std::string> texts_;
  std::vector<std::string> targets_;
  bool calibrate_ = false;
  std::map<std::string, CLI::Option*> options_;
};

/// Reads the design from `values` (the file's and the command line's) over
/// the plan's settings: without --design, intervals and the design's
/// options are refused; with it, the design is made from the plan's seed
/// and its points are written into the settings. Checks the outputs and
/// targets against the runs table's columns. Nothing is run or written.
std::string ReadDesign(const std::map<std::string, ExperimentValue>& values, const std::vector<GivenInterval>& intervals,
                       SweepPlan& plan);

/// The columns of the plan's runs.csv that an analysis may name: the runs'
/// outcomes (not the run number, replicate, seeds or settings).
std::vector<std::string> OutputColumns(const SweepPlan& plan);

/// Reads the calibration's targets: OUTPUT=VALUE each, or one file of target
/// series (checked against the plan's run length and --series).
std::string ReadTargets(const std::string& where, const std::vector<std::string>& items, const SweepPlan& plan,
                        DesignAnalysisOptions& options);

/// Reads a comma list of outputs (or several) and checks each names an output column.
std::string ReadOutputs(const std::string& where, const std::vector<std::string>& items, const SweepPlan& plan,
                        std::vector<std::string>& outputs);

}  // namespace quorvan::batch
