#include "batch_command.h"

#include "command_line.h"
#include "sweep_main.h"

namespace quorvan::batch {

const char* ProgramVersion() { return QUORVAN_VERSION; }

BatchCommand ParseBatchCommandLine(const std::vector<std::string>& args) {
  CLI::App app{"Runs a Quorvan world headless and writes what happened; with a sweep's options, many runs.",
               "quorvan-batch"};
  SetUpApp(app);
  app.set_version_flag("--version", std::string("quorvan-batch ") + ProgramVersion(), "Print the version and exit");
  app.require_subcommand(0, 1);
  const RunOptions run(app);
  // The single run's further groups of options (recording, ...) go here, each
  // added by a function of its own file, as RunOptions adds the run's.
  const SweepOptions sweep(app);
  const MergeOptions merge(app);
  const AnalyzeOptions analyze(app);
  const ReplayOptions replay(app);
  app.footer("A setting's list or range makes a sweep too: --wiggle 0:180:20 --replicates 5 --out DIR.\n"
             "Intervals make a design: --design sobol --samples 64 --wiggle 0..180 --consume 0.05..0.6 --out DIR.\n"
             "quorvan-batch merge --help, analyze --help and replay --help tell of merge, analyze and replay.");

  BatchCommand out;
  out.exitCode = ParseArgs(app, args, out.output);
  if (out.exitCode >= 0) {
    if (out.exitCode != 0) out.output = "quorvan-batch: " + out.output + "\nRun with --help for the options.\n";
    return out;
  }
  const auto fail = [&out](const std::string& error) {
    out.exitCode = 2;
    out.output = "quorvan-batch: " + error + "\n";
    return out;
  };

  if (merge.Chosen()) {
    for (const CLI::Option* option : app.get_options()) {
      if (option->count() > 0) return fail("merge: --" + option->get_lnames().front() + " goes with a run or a sweep, not with merge");
    }
    MergeCommand command;
    if (std::string error = merge.Read({args.begin() + 1, args.end()}, command); !error.empty()) return fail(error);
    command.command.insert(command.command.begin(), "merge");
    out.command = std::move(command);
  } else if (analyze.Chosen()) {
    for (const CLI::Option* option : app.get_options()) {
      if (option->count() > 0) return fail("analyze: --" + option->get_lnames().front() + " goes with a run or a sweep, not with analyze");
    }
    AnalyzeCommand command;
    if (std::string error = analyze.Read(command); !error.empty()) return fail(error);
    out.command = std::move(command);
  } else if (replay.Chosen()) {
    for (const CLI::Option* option : app.get_options()) {
      if (option->count() == 0) continue;
      const std::string name = "--" + option->get_lnames().front();
      return fail("replay: " + name +
                  (replay.Takes(name) ? " goes after replay DIR RUN" : " goes with a run or a sweep, not with replay"));
    }
    ReplayCommand command;
    if (std::string error = replay.Read(command); !error.empty()) return fail(error);
    out.command = std::move(command);
  } else if (sweep.Given()) {
    SweepCommand command;
    if (std::string error = sweep.Read(run, args, command); !error.empty()) return fail(error);
    out.command = std::move(command);
  } else {
    RunCommand command;
    if (std::string error = run.Read(command); !error.empty()) return fail(error);
    out.command = std::move(command);
  }
  return out;
}

SweepParse ParseSweepCommandLine(const std::vector<std::string>& args) {
  BatchCommand parsed = ParseBatchCommandLine(args);
  SweepParse out;
  if (auto* sweep = std::get_if<SweepCommand>(&parsed.command)) {
    out.command = std::move(*sweep);
  } else if (std::holds_alternative<std::monostate>(parsed.command)) {
    out.error = parsed.output.substr(0, parsed.output.find('\n'));
    if (out.error.rfind("quorvan-batch: ", 0) == 0) out.error.erase(0, 15);
  } else {
    out.error = "a sweep needs --out DIR, the folder for its results";
  }
  return out;
}

int RunSweep(const std::vector<std::string>& args) {
  const SweepParse parsed = ParseSweepCommandLine(args);
  if (!parsed.command) {
    std::fprintf(stderr, "quorvan-batch: %s\n", parsed.error.c_str());
    return 2;
  }
  return RunSweep(*parsed.command);
}

int RunMerge(const std::vector<std::string>& args) {
  std::vector<std::string> all = {"merge"};
  all.insert(all.end(), args.begin(), args.end());
  BatchCommand parsed = ParseBatchCommandLine(all);
  if (auto* merge = std::get_if<MergeCommand>(&parsed.command)) return RunMerge(*merge);
  std::fputs(parsed.output.c_str(), parsed.exitCode == 0 ? stdout : stderr);
  return parsed.exitCode;
}

}  // namespace quorvan::batch
