#include "sweep_main.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <algorithm>

#include "run_records.h"
#include "design_results.h"
#include "sweep_command.h"
#include "sweep_fields.h"
#include "sweep_folder.h"
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

std::string ShareName(int64_t index, int64_t count, const std::string& dir) {
  return "shard " + std::to_string(index) + "/" + std::to_string(count) + " ('" + dir + "')";
}

// "runs 1, 4 and 2 more" for a refusal.
std::string SomeRuns(const std::vector<int64_t>& runs) {
  std::string text = runs.size() == 1 ? "run " : "runs ";
  for (std::size_t i = 0; i < runs.size() && i < 3; ++i) text += (i > 0 ? ", " : "") + std::to_string(runs[i]);
  if (runs.size() > 3) text += " and " + std::to_string(runs.size() - 3) + " more";
  return text;
}

// Whether `dir` holds nothing but the shards being merged (in folders of
// their own, as examples/parallel/sweep.sh keeps them under its output).
bool HoldsOnlyShards(const std::string& dir, const std::vector<std::string>& shards) {
  std::error_code ec;
  std::vector<fs::path> known;
  for (const std::string& s : shards) known.push_back(fs::weakly_canonical(s, ec));
  const auto isShard = [&](const fs::path& p) {
    return std::find(known.begin(), known.end(), fs::weakly_canonical(p, ec)) != known.end();
  };
  bool any = false;
  for (const fs::directory_entry& e : fs::directory_iterator(dir, ec)) {
    if (e.path().filename() == ".lock") continue;
    if (!e.is_directory(ec)) return false;
    if (isShard(e.path())) {
      any = true;
      continue;
    }
    for (const fs::directory_entry& inner : fs::directory_iterator(e.path(), ec)) {
      if (!isShard(inner.path())) return false;
      any = true;
    }
  }
  return any && !ec;
}

}  // namespace

int RunSweep(const SweepCommand& cmd) {
  const SweepPlan& plan = cmd.plan;
  const std::string parts = cmd.outDir + "/" + kPartsFolder;
  const std::string flag = cmd.resume ? "--resume: " : "";

  const std::string fields = plan.fieldsEvery ? cmd.outDir + "/" + kFieldsFolder : std::string();
  std::error_code ec;
  fs::create_directories(parts, ec);
  if (ec) return Fail("--out: cannot make '" + parts + "': " + ec.message(), 2);
  if (!fields.empty() && (fs::create_directories(fields, ec), ec)) {
    return Fail("--out: cannot make '" + fields + "': " + ec.message(), 2);
  }
  FolderLock lock;
  if (std::string error = lock.Take(cmd.outDir); !error.empty()) return Fail(flag + error, 2);

  // What the sweep reads, as it is now; a resume must find what it began with.
  FolderRecord history;
  std::vector<WorldDigest> worlds;
  if (std::string error = DigestWorlds(plan, worlds); !error.empty()) return Fail(flag + error, 2);
  if (cmd.resume) {
    if (std::string error = ReadFolderRecord(cmd.outDir, history); !error.empty()) return Fail(flag + error, 2);
    if (!history.mergedFrom.empty()) {
      return Fail("--resume: '" + cmd.outDir + "' holds a merge; merge the shards into it again to finish it", 2);
    }
    if (history.command.empty()) {  // a folder from before worlds and commands were recorded
      history.command = cmd.command;
      history.worlds = worlds;
    } else {
      if (std::string error = CheckWorlds(history.worlds, worlds); !error.empty()) return Fail(flag + error, 2);
      history.resumptions.push_back({cmd.command, UtcNow()});
    }
    RemoveLeftovers(parts);
    if (!fields.empty()) RemoveLeftovers(fields);
  } else {
    if (fs::exists(cmd.outDir + "/plan.json")) {  // another process made it since the command was checked
      return Fail("--out: '" + cmd.outDir + "' already holds a sweep; --resume " + cmd.outDir + " finishes it", 2);
    }
    history.command = cmd.command;
    history.worlds = worlds;
  }
  const std::string identity = RecordIdentity(plan, history.worlds);

  // Every record there must be this sweep's; a damaged one is run again.
  std::vector<int64_t> pending;
  int64_t share = 0;
  {
    RecordIndex found;
    if (std::string error = ReadRecords(parts, identity, plan, found); !error.empty()) return Fail(flag + error, 2);
    for (int64_t run = 0; run < plan.RunCount(); ++run) {
      if (!plan.InShard(run)) continue;
      ++share;
      if (!found.runs.count(run)) pending.push_back(run);
    }
    if (!found.damaged.empty() && !cmd.quiet) {
      std::fprintf(stderr, "quorvan-batch: %s (%zu damaged record%s, run again)\n",
                   found.damaged.begin()->second.c_str(), found.damaged.size(), found.damaged.size() == 1 ? "" : "s");
    }
  }
  if (std::string error = WritePlanFile(cmd.outDir, plan, history); !error.empty()) return Fail(error, 2);

  SweepTimes times;
  times.started = UtcNow();
  times.jobs = cmd.jobs;
  Progress progress(share, share - static_cast<int64_t>(pending.size()), Progress::ForStderr(cmd.quiet));
  InstallStopSignals();
  const auto start = std::chrono::steady_clock::now();
  const PoolReport report =
      RunPool(plan, cmd.points, pending, {parts, NextSession(parts), identity, fields}, cmd.jobs,
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

  RecordIndex records;
  if (std::string error = ReadRecords(parts, identity, plan, records); !error.empty()) return Fail(error, 1);
  const std::string error = WriteResults(
      plan, records, [&plan](int64_t run) { return plan.InShard(run); }, cmd.outDir, history, times);
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

  // One sweep, every share once, each complete and each record checked.
  std::vector<SweepPlan> plans(shards.size());
  std::vector<FolderRecord> histories(shards.size());
  std::vector<std::unique_ptr<FolderLock>> locks;
  for (std::size_t i = 0; i < shards.size(); ++i) {
    locks.push_back(std::make_unique<FolderLock>());
    if (std::string error = ReadPlan(shards[i], plans[i]); !error.empty()) return Fail("merge: " + error, 2);
    if (std::string error = locks.back()->Take(shards[i]); !error.empty()) return Fail("merge: " + error, 2);
    if (std::string error = ReadFolderRecord(shards[i], histories[i]); !error.empty()) return Fail("merge: " + error, 2);
    if (SweepIdentity(plans[i]) != SweepIdentity(plans[0]) || plans[i].shardCount != plans[0].shardCount) {
      return Fail("merge: '" + shards[i] + "' holds another sweep than '" + shards[0] + "'", 2);
    }
    for (const WorldDigest& w : histories[i].worlds) {
      for (const WorldDigest& first : histories[0].worlds) {
        if (w.path == first.path && w.digest != first.digest) {
          return Fail("merge: '" + shards[i] + "' and '" + shards[0] + "' read different contents of the world file '" +
                          w.path + "' (" + w.digest + " and " + first.digest + ")",
                      2);
        }
      }
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
  // The runs' field histories are joined when every share has them.
  for (const SweepPlan& p : plans) {
    if (p.fieldsEvery != plan.fieldsEvery) plan.fieldsEvery.reset();
  }

  RecordIndex records;
  for (std::size_t i = 0; i < shards.size(); ++i) {
    const std::string name = ShareName(plans[i].shardIndex, count, shards[i]);
    const std::size_t damagedBefore = records.damaged.size();
    if (std::string error = ReadRecords(shards[i] + "/" + kPartsFolder, RecordIdentity(plans[i], histories[i].worlds),
                                        plans[i], records);
        !error.empty()) {
      return Fail("merge: " + name + ": " + error, 2);
    }
    std::vector<int64_t> missing;
    for (int64_t run = plans[i].shardIndex - 1; run < plan.RunCount(); run += count) {
      if (!records.runs.count(run)) missing.push_back(run);
    }
    if (!missing.empty()) {
      const std::string why = records.damaged.size() > damagedBefore
                                  ? records.damaged.rbegin()->second
                                  : SomeRuns(missing) + (missing.size() == 1 ? " has" : " have") + " no record";
      return Fail("merge: " + name + " is not done: " + std::to_string(missing.size()) + " of its runs are missing (" +
                      why + "); --resume " + shards[i] + " runs them",
                  2);
    }
  }

  // A merge that failed before (a full disk) is finished by merging again;
  // one that finished is not done twice.
  SweepPlan there;
  FolderRecord thereHistory;
  const bool remerge = ReadPlan(outDir, there).empty() && ReadFolderRecord(outDir, thereHistory).empty() &&
                       !thereHistory.mergedFrom.empty() && thereHistory.mergeFinished.empty() &&
                       SweepIdentity(there) == SweepIdentity(plan);
  if (!remerge && !HoldsOnlyShards(outDir, shards)) {
    if (std::string error = CheckNewOutFolder(outDir, plan); !error.empty()) return Fail("merge: " + error, 2);
  }

  SweepTimes times;
  times.started = UtcNow();
  std::error_code ec;
  fs::create_directories(outDir, ec);
  if (ec) return Fail("merge: cannot make '" + outDir + "': " + ec.message(), 2);
  FolderLock outLock;
  if (std::string error = outLock.Take(outDir); !error.empty()) return Fail("merge: " + error, 2);
  FolderRecord history;
  history.command = merge.command;
  history.worlds = histories[0].worlds;
  history.mergedFrom = shards;
  if (std::string error = WritePlanFile(outDir, plan, history); !error.empty()) return Fail("merge: " + error, 2);
  const std::string error = WriteResults(plan, records, [](int64_t) { return true; }, outDir, history, times);
  if (!error.empty()) return Fail("merge: " + error + "; merging again finishes it", 2);
  if (plan.fieldsEvery) {
    if (std::string e = GatherFields(shards, plans, outDir); !e.empty()) {
      return Fail("merge: " + e + "; merging again finishes it", 2);
    }
  }
  history.mergeFinished = UtcNow();
  if (std::string last = WritePlanFile(outDir, plan, history); !last.empty()) return Fail("merge: " + last, 2);
  if (std::string e = AnalyzeIfDesign(plan, outDir, quiet); !e.empty()) return Fail("merge: " + e, 2);
  if (!quiet) {
    std::fprintf(stderr, "quorvan-batch: %lld runs of %lld shares joined in '%s'\n",
                 static_cast<long long>(plan.RunCount()), static_cast<long long>(count), outDir.c_str());
  }
  return 0;
}

}  // namespace quorvan::batch
