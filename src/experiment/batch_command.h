#pragma once
// The grammar of quorvan-batch: one CLI11 app holding the run's options, the
// sweep's and the subcommands (merge, analyze, replay). A command is a sweep when an option
// of the sweep is given, a single run otherwise; a subcommand is itself.

#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "analyze_command.h"
#include "replay_command.h"
#include "run_command.h"
#include "sweep_command.h"

namespace quorvan::batch {

/// What the command line asks for.
struct BatchCommand {
  std::variant<std::monostate, RunCommand, SweepCommand, MergeCommand, AnalyzeCommand, ReplayCommand> command;  ///< none: stop
  int exitCode = 0;    ///< when there is no command: 0 after --help or --version, 2 on a fault
  std::string output;  ///< help or version (stdout), or the fault (stderr), ending in a newline
};

/// Parses and checks the whole command line (without the program name);
/// nothing is created or written.
BatchCommand ParseBatchCommandLine(const std::vector<std::string>& args);

/// A sweep's command line alone (for tests and scripts): its command, or why
/// there is none (a single run's command line says that a sweep needs --out).
struct SweepParse {
  std::optional<SweepCommand> command;
  std::string error;  ///< without the program's name
};
SweepParse ParseSweepCommandLine(const std::vector<std::string>& args);

/// The version that `--version` prints and experiment.json records.
const char* ProgramVersion();

}  // namespace quorvan::batch
