#pragma once
// The command line of a single run: the run's values and the files that
// receive what happened. Its options are registered on a CLI11 app as texts,
// so that the program can tell a sweep (an option of its own) from a single
// run before any value is read; each text is then read by its key's parser.

#include <CLI/CLI.hpp>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "recording_options.h"
#include "run_spec.h"

namespace quorvan::batch {

/// A single run: what to run, and where to write it.
struct RunCommand {
  RunSpec spec;
  std::string csvPath;   ///< "-" for standard output
  std::string jsonPath;  ///< "-" for standard output
  std::string pngPath;
  std::string saveWorldPath;  ///< save the final world here (empty: do not)
  RecordingOptions recording;  ///< --movie, --frames, --fields and their settings
};

/// A single run's outputs on an app (group "Single run"): --csv, --json,
/// --png, --save-world, --no-agents and the recordings (movie, frames,
/// fields). The single run and the replay of a sweep's run take them alike.
class RunOutputOptions {
 public:
  explicit RunOutputOptions(CLI::App& app);
  RunOutputOptions(const RunOutputOptions&) = delete;
  RunOutputOptions& operator=(const RunOutputOptions&) = delete;

  /// The outputs that were given ("--csv", "--movie", ...).
  std::vector<std::string> Given() const;
  /// --fields's file name when given ("" for --fields alone, which asks a
  /// sweep for one field history per run).
  std::optional<std::string> Fields() const;
  /// --fields-every when given.
  std::optional<int32_t> FieldsEvery() const;

  /// Puts the outputs into `command` (whose run description is read already) and checks
  /// them: none empty, no two the same file, none but --save-world over the
  /// world the run reads.
  std::string Read(RunCommand& command) const;

 private:
  std::map<std::string, std::string> texts_;  ///< by option name; CLI11 writes into the nodes
  std::map<std::string, CLI::Option*> options_;
  bool noAgents_ = false;
  RecordingOptions recording_;  ///< CLI11 writes into it; Read copies it
};

/// The run's options on an app, as texts until Read.
class RunOptions {
 public:
  /// Adds the run's values (group "Run") and a single run's outputs (group
  /// "Single run") to `app`, which must outlive this.
  explicit RunOptions(CLI::App& app);
  RunOptions(const RunOptions&) = delete;
  RunOptions& operator=(const RunOptions&) = delete;

  /// The sweepable settings that were given, with their texts, in the order of RunKeys().
  std::vector<std::pair<const RunKey*, std::string>> GivenSettings() const;
  /// --seed's text, when given.
  std::optional<std::string> Seed() const;
  /// The options of a single run alone that were given ("--csv", "--gravity", ...).
  std::vector<std::string> SingleRunOnly() const;
  const RunOutputOptions& Outputs() const { return *outputs_; }

  /// Reads every text into `command` as a single run; an error names the
  /// option, its value and what it accepts (a list or a range says that it
  /// makes a sweep, which needs --out).
  std::string Read(RunCommand& command) const;

 private:
  std::map<std::string, std::string> texts_;  ///< by key; CLI11 writes into the nodes
  std::map<std::string, CLI::Option*> options_;
  std::unique_ptr<RunOutputOptions> outputs_;  ///< added after the run's values, as the help lists them
};

/// What parsing a single run's command line came to.
struct ParseOutcome {
  std::optional<RunCommand> command;  ///< set when the run should go ahead
  int exitCode = 0;                   ///< otherwise: 0 after --help, 2 on a bad option
  std::string output;                 ///< help text (stdout) or the error (stderr)
};

/// Parses and checks a single run's command line (no sweep options); nothing
/// is opened or written.
ParseOutcome ParseCommandLine(const std::vector<std::string>& args);

}  // namespace quorvan::batch
