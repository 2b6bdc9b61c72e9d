#include "sweep_main.h"

#include <chrono>
#include <cstdio>
#include <filesystem>

#include "design_results.h"
#include "sweep_command.h"
#include "sweep_progress.h"
#include "sweep_record.h"
#include "sweep_runner.h"

namespace quorvan::batch {

namespace fs = std::filesystem;

namespace {

// The analysis of a design beside its tables (a whole sweep only: a share's
// runs are analysed once merged). Its notes go to stderr unless quiet.
std::string AnalyzeIfDesign(const SweepPlan& plan, const std::string& dir, bool quiet) {
  if (!plan.design || plan.shardCount > 1) return {};
  std::string notes;
  if (std::string error = WriteDesignResults(plan, plan.design->analysis, dir, plan.plot, notes); !error.empty()) {
    return "the analysis: " + error + " (quorvan-batch analyze " + dir + " tries again)";
  }
  if (!quiet && !notes.empty()) std::fputs(NotesForStderr(notes).c_str(), stderr);
  return {};
}

int Fail(const std::string& message, int code) {
  std::fprintf(stderr, "quorvan-batch: %s\n", message.c_str());
  return code;
}

// Temporary files of a session that was killed before it could tidy up.
void RemoveLeftovers(const std::string& parts) {
  std::error_code ec;
  for (const fs::directory_entry& e : fs::directory_iterator(parts, ec)) {
    const std::string name = e.path().filename().string();
    if (name.size() > 1 && name[0] == '.' && name.find(".tmp-") != std::string::npos) fs::remove(e.path(), ec);
  }
}

}  // namespace

int RunSweep(const SweepCommand& cmd) {
  const SweepPlan& plan = cmd.plan;
  const std::string parts = cmd.outDir + "/" + kPartsFolder;

  std::error_code ec;
  fs::create_directories(parts, ec);
  if (ec) return Fail("--out: cannot make '" + parts + "': " + ec.message(), 2);
  if (cmd.resume) {
    RemoveLeftovers(parts);
  } else if (std::string error = WriteTextFile(cmd.outDir + "/plan.json", PlanJson(plan)); !error.empty()) {
    return Fail(error, 2);
  }

  std::vector<int64_t> pending;
  int64_t share = 0;
  for (int64_t run = 0; run < plan.RunCount(); ++run) {
    if (!plan.InShard(run)) continue;
    ++share;
    if (!fs::exists(RowPartPath(parts, run))) pending.push_back(run);
  }

  SweepTimes times;
  times.started = UtcNow();
  times.jobs = cmd.jobs;
  Progress progress(share, share - static_cast<int64_t>(pending.size()), Progress::ForStderr(cmd.quiet));
  InstallStopSignals();
  const auto start = std::chrono::steady_clock::now();
  const PoolReport report = RunPool(plan, cmd.points, pending, parts, cmd.jobs,
                                    [&progress](int64_t done, const std::string& current) { progress.Update(done, current); });
  progress.Finish();
  times.wallSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  times.runSeconds = report.runSeconds;
  times.stepSeconds = report.stepSeconds;
  times.runsRun = report.done;

  if (!report.error.empty()) {
    return Fail(report.error + "\nquorvan-batch: the finished runs are kept; --resume " + cmd.outDir + " runs the rest", 1);
  }
  if (report.done < static_cast<int64_t>(pending.size())) {
    const int64_t done = share - static_cast<int64_t>(pending.size()) + report.done;
    return Fail("stopped: " + std::to_string(done) + " of " + std::to_string(share) + " runs done; --resume " +
                    cmd.outDir + " runs the rest",
                128 + report.stopSignal);
  }

  const std::string error = WriteResults(
      plan, [&parts](int64_t) { return parts; }, [&plan](int64_t run) { return plan.InShard(run); }, cmd.outDir,
      cmd.command, times, {});
  if (!error.empty()) return Fail(error, 1);
  if (std::string e = AnalyzeIfDesign(plan, cmd.outDir, cmd.quiet); !e.empty()) return Fail(e, 1);
  if (!cmd.quiet) {
    std::fprintf(stderr, "quorvan-batch: %lld runs in '%s' (%lld run now, %.1f s)\n", static_cast<long long>(share),
                 cmd.outDir.c_str(), static_cast<long long>(report.done), times.wallSeconds);
  }
  return 0;
}

int RunMerge(const MergeCommand& merge) {
  const std::string& outDir = merge.outDir;
  const std::vector<std::string>& shards = merge.shards;
  const std::optional<bool>& plot = merge.plot;
  const bool quiet = merge.quiet;

  // One sweep, every share once, each complete.
  std::vector<SweepPlan> plans(shards.size());
  for (std::size_t i = 0; i < shards.size(); ++i) {
    if (std::string error = ReadPlan(shards[i], plans[i]); !error.empty()) return Fail("merge: " + error, 2);
    if (SweepIdentity(plans[i]) != SweepIdentity(plans[0]) || plans[i].shardCount != plans[0].shardCount) {
      return Fail("merge: '" + shards[i] + "' holds another sweep than '" + shards[0] + "'", 2);
    }
  }
  const int64_t count = plans[0].shardCount;
  std::vector<std::string> byShare(static_cast<std::size_t>(count));
  for (std::size_t i = 0; i < shards.size(); ++i) {
    std::string& slot = byShare[static_cast<std::size_t>(plans[i].shardIndex - 1)];
    if (!slot.empty()) {
      return Fail("merge: '" + slot + "' and '" + shards[i] + "' are both share " +
                      std::to_string(plans[i].shardIndex) + "/" + std::to_string(count),
                  2);
    }
    slot = shards[i];
  }
  for (int64_t k = 0; k < count; ++k) {
    if (byShare[static_cast<std::size_t>(k)].empty()) {
      return Fail("merge: share " + std::to_string(k + 1) + "/" + std::to_string(count) + " is missing", 2);
    }
  }
  SweepPlan plan = plans[0];
  plan.shardIndex = plan.shardCount = 1;
  if (plot) plan.plot = *plot;
  const auto partsOf = [&](int64_t run) {
    return byShare[static_cast<std::size_t>(run % count)] + "/" + kPartsFolder;
  };
  int64_t missing = 0;
  for (int64_t run = 0; run < plan.RunCount(); ++run) missing += fs::exists(RowPartPath(partsOf(run), run)) ? 0 : 1;
  if (missing > 0) {
    return Fail("merge: " + std::to_string(missing) + " runs are not done yet; --resume their shares first", 2);
  }
  if (std::string error = CheckNewOutFolder(outDir, plan); !error.empty()) return Fail("merge: " + error, 2);

  SweepTimes times;
  times.started = UtcNow();
  std::error_code ec;
  fs::create_directories(outDir, ec);
  if (ec) return Fail("merge: cannot make '" + outDir + "': " + ec.message(), 2);
  if (std::string error = WriteTextFile(outDir + "/plan.json", PlanJson(plan)); !error.empty()) return Fail(error, 2);
  const std::string error =
      WriteResults(plan, partsOf, [](int64_t) { return true; }, outDir, merge.command, times, shards);
  if (!error.empty()) return Fail(error, 1);
  if (std::string e = AnalyzeIfDesign(plan, outDir, quiet); !e.empty()) return Fail(e, 1);
  if (!quiet) {
    std::fprintf(stderr, "quorvan-batch: %lld runs of %lld shares joined in '%s'\n",
                 static_cast<long long>(plan.RunCount()), static_cast<long long>(count), outDir.c_str());
  }
  return 0;
}

}  // namespace quorvan::batch
