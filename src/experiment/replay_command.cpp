#include "replay_command.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "recorded_digest.h"
#include "sweep_command.h"
#include "sweep_folder.h"

namespace quorvan::batch {

namespace fs = std::filesystem;

ReplayOptions::ReplayOptions(CLI::App& app) {
  replay_ = app.add_subcommand("replay", "Run one run of a sweep again, exactly, with a single run's outputs");
  replay_->add_option("dir", dir_, "The sweep's folder (a sweep, a share of one, or a merge)")->type_name("DIR");
  replay_->add_option("run", run_, "The run's number, as runs.csv and series.csv give it")->type_name("RUN");
  replay_->add_option("--gravity", gravity_, FindRunKey("gravity")->help)->type_name("X")->group("Single run");
  outputs_ = std::make_unique<RunOutputOptions>(*replay_);
  replay_->footer(
      "The run starts from the folder's plan.json: its settings, its seeds, its world files (refused when one has "
      "changed since). Its --csv holds the run's rows of series.csv without the run column; its final world is "
      "compared with the digest the sweep recorded (exit status 1 when they differ).");
}

bool ReplayOptions::Chosen() const { return replay_->parsed(); }

bool ReplayOptions::Takes(const std::string& name) const { return replay_->get_option_no_throw(name) != nullptr; }

std::string ReplayOptions::Read(ReplayCommand& cmd) const {
  cmd = ReplayCommand{};
  if (dir_.empty() || run_.empty()) return "replay needs the sweep's folder and a run: replay DIR RUN";
  cmd.dir = dir_;
  std::error_code ec;
  if (!fs::exists(dir_, ec)) return "replay: '" + dir_ + "' does not exist";
  if (!fs::is_directory(dir_, ec)) return "replay: '" + dir_ + "' is not a folder";
  if (std::string error = ReadPlan(dir_, cmd.plan); !error.empty()) return "replay: " + error;
  const SweepPlan& plan = cmd.plan;

  const Parsed<int64_t> run = ParseWhole("replay", run_, 0, plan.RunCount() - 1);
  if (!run) {
    return "replay: '" + run_ + "' is not a run of '" + dir_ + "', which holds runs 0 to " +
           std::to_string(plan.RunCount() - 1);
  }
  cmd.run = *run;
  if (!plan.InShard(cmd.run)) {
    return "replay: '" + dir_ + "' is share " + std::to_string(plan.shardIndex) + "/" +
           std::to_string(plan.shardCount) + " of its sweep; run " + std::to_string(cmd.run) + " is in share " +
           std::to_string(cmd.run % plan.shardCount + 1) + "'s folder (or the merged one)";
  }

  // The worlds the sweep read must be those it recorded.
  FolderRecord history;
  if (std::string error = ReadFolderRecord(dir_, history); !error.empty()) return "replay: " + error;
  for (const SweepSetting& setting : plan.settings) {
    for (const std::string& path : setting.key == "world" ? setting.values : std::vector<std::string>{}) {
      if (std::ifstream(path, std::ios::binary)) continue;
      return "replay: the sweep's world file '" + path + "' cannot be read: " + std::strerror(errno) +
             (fs::path(path).is_relative() ? " (a relative name: replay from the folder the sweep ran in)" : "");
    }
  }
  std::vector<WorldDigest> worlds;
  if (std::string error = DigestWorlds(plan, worlds); !error.empty()) return "replay: " + error;
  if (!history.worlds.empty()) {
    if (std::string error = CheckWorlds(history.worlds, worlds); !error.empty()) {
      return "replay: " + error;
    }
  }

  std::vector<RunSpec> points;
  const auto where = [this](const std::string& key) { return "'" + dir_ + "/plan.json': '" + key + "'"; };
  if (std::string error = PointSpecs(plan, where, points); !error.empty()) return "replay: " + error;
  RunCommand& run_command = cmd.command;
  run_command.spec = RunSpecOf(plan, points[static_cast<std::size_t>(plan.PointOf(cmd.run))], cmd.run);
  if (replay_->get_option("--gravity")->count() > 0) {
    if (std::string error = SetRunValue(run_command.spec, *FindRunKey("gravity"), "replay: --gravity", gravity_);
        !error.empty()) {
      return error;
    }
  }
  if (std::string error = outputs_->Read(run_command); !error.empty()) return "replay: " + error;

  if (std::string error = FindRecordedDigest(dir_, plan, history, cmd.run, cmd.recordedDigest, cmd.unchecked);
      !error.empty()) {
    return "replay: " + error;
  }
  return {};
}

}  // namespace quorvan::batch
