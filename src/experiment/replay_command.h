#pragma once
// `quorvan-batch replay DIR RUN [outputs]`: run RUN of the sweep in DIR made
// again from what the folder records (the plan's settings, the run's seeds,
// the world files it read), with the outputs of a single run.

#include <CLI/CLI.hpp>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "run_command.h"
#include "sweep_plan.h"

namespace quorvan::batch {

struct ReplayCommand {
  std::string dir;
  int64_t run = 0;
  SweepPlan plan;      ///< as dir/plan.json records it
  RunCommand command;  ///< the run as RunSpecOf describes it, and the outputs asked for
  std::optional<uint64_t> recordedDigest;  ///< the final world digest the sweep recorded
  std::string unchecked;  ///< why there is none to compare with
};

/// The replay subcommand's options: DIR, RUN, the single run's outputs and
/// the picture's --gravity.
class ReplayOptions {
 public:
  /// Adds the subcommand "replay" to `app`.
  explicit ReplayOptions(CLI::App& app);
  ReplayOptions(const ReplayOptions&) = delete;
  ReplayOptions& operator=(const ReplayOptions&) = delete;

  bool Chosen() const;
  /// Whether replay has the option `name` ("--csv").
  bool Takes(const std::string& name) const;
  /// Reads the folder (its plan, the run, its world files as they are now,
  /// the recorded digest) and the outputs; nothing is written. An error
  /// names the folder, the run or the option and what is wrong.
  std::string Read(ReplayCommand& command) const;

 private:
  CLI::App* replay_ = nullptr;
  std::string dir_, run_, gravity_;
  std::unique_ptr<RunOutputOptions> outputs_;
};

}  // namespace quorvan::batch
