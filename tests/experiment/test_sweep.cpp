// Sweeps: expansion of lists, ranges and experiment files, seeds, and the
// tables, which must not depend on jobs, interruptions or shares.

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <tuple>
#include <unistd.h>

#include <nlohmann/json.hpp>

#include "batch_command.h"
#include "batch_run.h"
#include "json_text.h"
#include "replay_main.h"
#include "random_source.h"
#include "sweep_command.h"
#include "sweep_main.h"
#include "sweep_runner.h"
#include "sweep_tables.h"
#include "world_file.h"
#include "scratch_files.h"

namespace quorvan::batch {
namespace {

namespace fs = std::filesystem;

using scratch::Read;
// A fresh folder for one test; its sweeps go into sub-folders.
fs::path Scratch(const std::string& name) { return scratch::Folder("sweep", name); }

// A small sweep: 3 wiggles x 2 replicates of 30 agents for 60 steps.
std::vector<std::string> Small(const fs::path& out, std::vector<std::string> more = {}) {
  std::vector<std::string> args = {"--agents", "30", "--steps", "60", "--wiggle", "0:40:20", "--replicates", "2",
                                   "--seed",   "11", "--series", "--plot", "none", "--quiet", "--out", out.string()};
  args.insert(args.end(), more.begin(), more.end());
  return args;
}

TEST(SweepCommand, BadInputIsRefusedNamingItAndWritesNothing) {
  const fs::path dir = Scratch("bad");
  const std::string world = (dir / "w.qvw").string();
  {
    RunSpec o;
    o.agents = 20;
    o.stopTime = 2;
    o.seed = 1;
    Simulation sim;
    RunSummary summary;
    ASSERT_EQ(RunWorld(o, sim, nullptr, summary), "");
    ASSERT_EQ(SaveWorld(world, sim, {}), "");
  }
  std::ofstream(dir / "unknown.toml") << "wigle = 3\n";
  std::ofstream(dir / "type.toml") << "wiggle = 2.5\n";
  std::ofstream(dir / "syntax.toml") << "wiggle = [1,\n";
  std::ofstream(dir / "value.toml") << "wiggle = 200\n";
  const std::string target = (dir / "target.csv").string();
  std::ofstream(target) << "step,successful\n1,0\n2,5\n";
  const std::string out = (dir / "out").string();
  struct Case {
    std::vector<std::string> args;
    const char* named;
  };
  const Case cases[] = {
      {{"--wiggle", "0:180:0", "--out", out}, "0:180:0"},
      {{"--wiggle", "5:1:1", "--out", out}, "5:1:1"},
      {{"--wiggle", "0:200:20", "--out", out}, "--wiggle"},
      {{"--wiggle", "1,,2", "--out", out}, "1,,2"},
      {{"--mode", "random,nowhere", "--out", out}, "--mode"},
      {{"--experiment", (dir / "unknown.toml").string(), "--out", out}, "wigle"},
      {{"--experiment", (dir / "type.toml").string(), "--out", out}, "'wiggle' must be"},
      {{"--experiment", (dir / "syntax.toml").string(), "--out", out}, "line"},
      {{"--experiment", dir.string(), "--out", out}, "' is not a file"},
      {{"--shard", "3/2", "--out", out}, "--shard"},
      {{"--replicates", "0", "--out", out}, "--replicates"},
      {{"--wiggle", "0,20"}, "--out"},
      {{"--replicates", "2", "--csv", "x.csv", "--out", out}, "--csv"},
      {{"--replicates", "2", "--fields", "x.h5", "--out", out}, "give --fields without a file name"},
      {{"--resume", out, "--fields"}, "only --jobs and --quiet go with it"},
      {{"--resume", out}, out.c_str()},
      {{"--world", world + "," + world, "--agents", "21", "--out", out}, "--agents"},
      {{"--replicates", "1000000000", "--out", out}, "--replicates: '1000000000' is not a whole number from 1 to 10000000"},
      {{"--jobs", "0", "--out", out}, "--jobs: '0' is not a whole number from 1 to 1024"},
      {{"--wiggle", "1", "--wiggle", "2", "--out", out}, "--wiggle is given twice"},
      {{"--experiment", (dir / "missing.toml").string(), "--out", out}, "missing.toml' does not exist"},
      {{"--experiment", (dir / "value.toml").string(), "--out", out},
       "value.toml: 'wiggle': '200' is not a whole number from 0 to 180"},
      {{"--world", world + "," + world, "--steps", "1", "--out", out}, "' is at step 2 already"},
      {{"--world", world, "--out", out}, "' is at step 2, its stop time"},
      {{"--steps", "5", "--for", "5", "--out", out}, "--steps and --for"},
      // Designs.
      {{"--wiggle", "0..180", "--out", out}, "--wiggle: '0..180' is an interval, which a design samples"},
      {{"--design", "lhs", "--samples", "9", "--wiggle", "180..0", "--out", out}, "'180..0' runs from high to low"},
      {{"--design", "lhs", "--samples", "9", "--wiggle", "0..200", "--out", out}, "'200' is not a whole number"},
      {{"--design", "sobol", "--samples", "9", "--wiggle", "20", "--out", out}, "needs settings given as intervals"},
      {{"--design", "lhs", "--samples", "3", "--wiggle", "0..9", "--noise", "0..9", "--out", out},
       "--samples 3 is too few for the lhs design: partial rank correlations of 2 settings need at least 4"},
      {{"--design", "sobol", "--wiggle", "0..9", "--out", out}, "needs --samples N (2 or more"},
      {{"--design", "morris", "--samples", "4", "--levels", "1", "--wiggle", "0..9", "--out", out},
       "--levels 1: a Morris grid needs at least 2 levels"},
      {{"--design", "grid", "--samples", "4", "--wiggle", "0..9", "--out", out}, "--design: 'grid'"},
      {{"--design", "lhs", "--samples", "9", "--wiggle", "0..9", "--mode", "random,raster", "--out", out},
       "--mode: a list or range makes a grid"},
      {{"--design", "lhs", "--samples", "9", "--mode", "random..raster", "--out", out}, "numeric settings only"},
      {{"--design", "lhs", "--samples", "9", "--wiggle", "0..9", "--outputs", "deliveries,mode", "--out", out},
       "--outputs: 'mode' is not a numeric output column"},
      {{"--design", "lhs", "--samples", "9", "--wiggle", "0..9", "--calibrate", "--target", "deliveries=9",
        "--accept", "0", "--out", out},
       "--accept: '0' is not a fraction above 0 and at most 1"},
      {{"--design", "lhs", "--samples", "9", "--wiggle", "0..9", "--calibrate", "--target", "deliveries=9",
        "--accept", "1.01", "--out", out},
       "--accept: '1.01'"},
      {{"--design", "lhs", "--samples", "9", "--wiggle", "0..9", "--calibrate", "--target", "delivered=9", "--out", out},
       "'delivered' names no numeric output column"},
      {{"--design", "morris", "--samples", "9", "--wiggle", "0..9", "--calibrate", "--target", "deliveries=9",
        "--out", out},
       "not morris"},
      {{"--design", "lhs", "--samples", "9", "--wiggle", "0..9", "--target", "deliveries=9", "--out", out},
       "--target goes with --calibrate"},
      {{"--samples", "9", "--out", out}, "--samples goes with --design"},
      {{"--design", "lhs", "--samples", "9", "--wiggle", "0..9", "--steps", "5", "--calibrate", "--target", target,
        "--series", "--out", out},
       "target.csv' holds 2 steps; the runs take 5"},
      {{"--design", "lhs", "--samples", "9", "--wiggle", "0..9", "--steps", "2", "--calibrate", "--target", target,
        "--out", out},
       "the sweep needs --series"},
  };
  for (const Case& c : cases) {
    const SweepParse parsed = ParseSweepCommandLine(c.args);
    EXPECT_FALSE(parsed.command) << c.named;
    EXPECT_NE(parsed.error.find(c.named), std::string::npos) << parsed.error;
    EXPECT_LT(parsed.error.size(), 160u) << parsed.error;
    EXPECT_EQ(RunSweep(c.args), 2) << c.named;
    EXPECT_FALSE(fs::exists(out)) << c.named;
  }
}

TEST(SweepCommand, ExperimentFileAndCommandLineMakeOnePlan) {
  const fs::path dir = Scratch("toml");
  std::ofstream(dir / "e.toml") << "wiggle = \"0:40:20\"\nconsume = [0.1, 0.5]\nsniff = \"hill,roulette\"\n"
                                   "replicates = 3\nseed = 9\nagents = 40\nseries = true\nfields = true\n"
                                   "fields-every = 7\n";
  const SweepParse parsed = ParseSweepCommandLine(
      {"--experiment", (dir / "e.toml").string(), "--agents", "25", "--out", (dir / "o").string()});
  ASSERT_TRUE(parsed.command) << parsed.error;
  const SweepPlan& plan = parsed.command->plan;
  // Settings in their fixed order; the command line's --agents wins.
  std::vector<SweepSetting> expected = {
      {"agents", {"25"}}, {"wiggle", {"0", "20", "40"}}, {"consume", {"0.1", "0.5"}}, {"sniff", {"hill", "roulette"}}};
  EXPECT_EQ(plan.settings, expected);
  EXPECT_EQ(plan.replicates, 3);
  EXPECT_EQ(plan.seed, 9u);
  EXPECT_TRUE(plan.series);
  EXPECT_EQ(plan.fieldsEvery, 7);
  EXPECT_EQ(plan.PointCount(), 12);
  // The last setting varies fastest.
  EXPECT_EQ(plan.PointLabel(1), "wiggle=0 consume=0.1 sniff=roulette");
  EXPECT_EQ(parsed.command->points[1].sniff, Sniff::Roulette);
  EXPECT_EQ(parsed.command->points[11].wiggle, 40);
  EXPECT_EQ(parsed.command->points[11].agents, 25);
}

TEST(SweepPlan, ReplicateSeedsFollowSplitMix64OfTheBaseSeed) {
  uint64_t x = 123;
  for (int64_t r = 0; r < 4; ++r) EXPECT_EQ(RunSeed(123, r), SplitMix64(x)) << r;
  EXPECT_NE(DerivedLandscapeSeed(123, 0), RunSeed(123, 0));
}

TEST(Sweep, RunsTableAgreesWithTheSeriesAndSharesSeedsAcrossPoints) {
  const fs::path dir = Scratch("tables");
  ASSERT_EQ(RunSweep(Small(dir / "a")), 0);
  std::istringstream runs(Read(dir / "a/runs.csv"));
  std::string line;
  std::getline(runs, line);
  EXPECT_EQ(line,
            "run,wiggle,replicate,seed,landscape_seed,steps,successful,returning,track_max,deliveries,"
            "first_delivery,successful_50,successful_90,returns_max,returns_min");
  // Per run from the series: deliveries, the first delivery, the last step.
  std::map<int, std::tuple<long, std::string, std::string>> fromSeries;
  std::istringstream series(Read(dir / "a/series.csv"));
  std::getline(series, line);
  EXPECT_EQ(line, "run,step,successful,returning,track_max,deliveries");
  while (std::getline(series, line)) {
    int run = 0, step = 0, s = 0, r = 0, d = 0;
    double t = 0;
    ASSERT_EQ(std::sscanf(line.c_str(), "%d,%d,%d,%d,%lf,%d", &run, &step, &s, &r, &t, &d), 6) << line;
    auto& [sum, first, last] = fromSeries[run];
    sum += d;
    if (d > 0 && first.empty()) first = std::to_string(step);
    last = std::to_string(step) + "," + std::to_string(s) + "," + std::to_string(r);
  }
  std::map<std::string, std::string> seedOfReplicate;
  int rows = 0;
  while (std::getline(runs, line)) {
    std::vector<std::string> f;
    std::stringstream cells(line);
    for (std::string cell; std::getline(cells, cell, ',');) f.push_back(cell);
    f.resize(15);
    const int run = std::stoi(f[0]);
    EXPECT_EQ(run, rows++);
    const auto& [sum, first, last] = fromSeries[run];
    EXPECT_EQ(f[9], std::to_string(sum)) << line;
    EXPECT_EQ(f[10], first) << line;
    EXPECT_EQ(f[5] + "," + f[6] + "," + f[7], last) << line;
    EXPECT_EQ(f[3], std::to_string(RunSeed(11, std::stoi(f[2]))));
    // Common random numbers: replicate r has one seed at every point.
    auto [it, fresh] = seedOfReplicate.emplace(f[2], f[3] + "," + f[4]);
    if (!fresh) {
      EXPECT_EQ(it->second, f[3] + "," + f[4]);
    }
  }
  EXPECT_EQ(rows, 6);
  EXPECT_TRUE(fs::exists(dir / "a/experiment.json"));
}

TEST(Sweep, TablesDoNotDependOnJobsInterruptionsOrShares) {
  const fs::path dir = Scratch("same");
  ASSERT_EQ(RunSweep(Small(dir / "one", {"--jobs", "1"})), 0);
  const std::string runs = Read(dir / "one/runs.csv");
  const std::string series = Read(dir / "one/series.csv");
  const std::string digests = Read(dir / "one/digests.csv");
  const auto same = [&](const fs::path& d) {
    EXPECT_EQ(Read(d / "runs.csv"), runs) << d;
    EXPECT_EQ(Read(d / "series.csv"), series) << d;
    EXPECT_EQ(Read(d / "digests.csv"), digests) << d;
  };

  ASSERT_EQ(RunSweep(Small(dir / "two", {"--jobs", "2"})), 0);
  same(dir / "two");
  EXPECT_EQ(RunSweep(Small(dir / "two", {"--mode", "raster"})), 2);  // another sweep's folder
  same(dir / "two");

  // Stopped before any run: the folder keeps its plan; a resume does the rest.
  RequestStop(SIGINT);
  EXPECT_EQ(RunSweep(Small(dir / "stopped", {"--jobs", "2"})), 128 + SIGINT);
  ClearStop();
  EXPECT_FALSE(fs::exists(dir / "stopped/runs.csv"));
  EXPECT_EQ(RunSweep(Small(dir / "stopped")), 2);  // holds this sweep already
  EXPECT_EQ(RunSweep({"--resume", (dir / "stopped").string(), "--quiet"}), 0);
  same(dir / "stopped");

  // Runs lost from a finished sweep (a worker's last records cut off) are
  // run again, and only they.
  for (const auto& e : fs::directory_iterator(dir / "two/parts")) {
    if (e.path().filename().string().rfind("records-0001-", 0) == 0) fs::resize_file(e.path(), fs::file_size(e.path()) - 9);
  }
  fs::remove(dir / "two/runs.csv");
  EXPECT_EQ(RunSweep({"--resume", (dir / "two").string(), "--quiet", "--jobs", "2"}), 0);
  same(dir / "two");

  // Four shares of six runs, merged in any order.
  std::vector<std::string> merge = {"--out", (dir / "merged").string(), "--quiet"};
  for (int k = 4; k >= 1; --k) {
    const fs::path share = dir / ("share" + std::to_string(k));
    ASSERT_EQ(RunSweep(Small(share, {"--shard", std::to_string(k) + "/4"})), 0);
    merge.push_back(share.string());
  }
  ASSERT_EQ(RunMerge(merge), 0);
  same(dir / "merged");
}

// Names are bytes: a world and an output folder whose names are not UTF-8
// run, are recorded escaped, and resume.
TEST(Sweep, NamesThatAreNotUtf8RunRecordAndResume) {
  const fs::path dir = Scratch("bytes");
  const std::string world = (dir / "w\xe9.qvw").string();
  {
    RunSpec o;
    o.stopTime = 10;
    o.seed = 1;
    Simulation sim;
    RunSummary summary;
    ASSERT_EQ(RunWorld(o, sim, nullptr, summary), "");
    ASSERT_EQ(SaveWorld(world, sim, {}), "");
  }
  const fs::path out = dir / "o\xff";
  const std::vector<std::string> args = {"--world", world, "--steps", "30", "--wiggle", "0,20",
                                         "--plot",  "none", "--quiet", "--out", out.string()};
  ASSERT_EQ(RunSweep(args), 0);
  const auto record = nlohmann::json::parse(Read(out / "experiment.json"));
  EXPECT_EQ(record["command"], JsonTexts(args));
  EXPECT_EQ(record["settings"]["world"][0], JsonText(world));
  const std::string runs = Read(out / "runs.csv");
  for (const auto& e : fs::directory_iterator(out / "parts")) {  // the last record cut off
    if (e.path().filename().string().rfind("records-", 0) == 0) fs::resize_file(e.path(), fs::file_size(e.path()) - 9);
  }
  fs::remove(out / "runs.csv");
  EXPECT_EQ(RunSweep({"--resume", out.string(), "--quiet"}), 0);
  EXPECT_EQ(Read(out / "runs.csv"), runs);
}

TEST(Sweep, MergeRefusesSharesThatDoNotMakeOneSweep) {
  const fs::path dir = Scratch("merge");
  ASSERT_EQ(RunSweep(Small(dir / "s1", {"--shard", "1/2"})), 0);
  ASSERT_EQ(RunSweep(Small(dir / "s2", {"--shard", "2/2"})), 0);
  ASSERT_EQ(RunSweep({"--agents", "31", "--steps", "60", "--wiggle", "0:40:20", "--replicates", "2", "--seed", "11",
                      "--series", "--quiet", "--plot", "none", "--shard", "2/2", "--out", (dir / "other").string()}),
            0);
  const std::string out = (dir / "out").string();
  const std::vector<std::string> cases[] = {
      {"--out", out, (dir / "s1").string(), (dir / "other").string()},  // another sweep
      {"--out", out, (dir / "s1").string()},                            // a share missing
      {"--out", out, (dir / "s1").string(), (dir / "s1").string()},     // a share twice
      {"--out", (dir / "s2").string(), (dir / "s1").string(), (dir / "s2").string()},  // into a share
  };
  for (const auto& args : cases) {
    EXPECT_EQ(RunMerge(args), 2);
    EXPECT_FALSE(fs::exists(out));
  }
  // A merged folder cannot be resumed: merging into it again says what to do.
  ASSERT_EQ(RunMerge({"--out", out, "--quiet", (dir / "s1").string(), (dir / "s2").string()}), 0);
  EXPECT_EQ(RunMerge({"--out", out, "--quiet", (dir / "s1").string(), (dir / "s2").string()}), 2);
  SweepPlan plan;
  ASSERT_EQ(ReadPlan(out, plan), "");
  const std::string again = CheckNewOutFolder(out, plan);
  EXPECT_NE(again.find("remove it or choose another folder"), std::string::npos) << again;
  EXPECT_EQ(again.find("--resume"), std::string::npos) << again;
}

// A sweep stopped before it wrote its plan (a signal, a full disk) leaves
// its lock and an empty parts folder: the same command begins it again.
TEST(Sweep, AFolderStoppedBeforeItsPlanIsBegunAgain) {
  const fs::path dir = Scratch("begun");
  struct Case {
    std::vector<const char*> files;  // a name ending in '/' is a folder
    bool isNew;
  };
  const Case cases[] = {
      {{".lock", "parts/"}, true},
      {{"parts/"}, true},
      {{".lock", "parts/", "parts/records-0001-1.qvr"}, false},
      {{".lock", "parts/", "runs.csv"}, false},
      {{"parts"}, false},
  };
  SweepPlan plan;
  int i = 0;
  for (const Case& c : cases) {
    const fs::path out = dir / std::to_string(i++);
    fs::create_directories(out);
    for (const char* f : c.files) {
      const std::string name = f;
      if (name.back() == '/') fs::create_directories(out / name);
      else std::ofstream(out / name) << "";
    }
    const std::string said = CheckNewOutFolder(out.string(), plan);
    EXPECT_EQ(said.empty(), c.isNew) << out << ": " << said;
  }
  const fs::path stopped = dir / "0";
  ASSERT_EQ(RunSweep(Small(stopped)), 0);
  EXPECT_TRUE(fs::exists(stopped / "runs.csv"));
}

// A replay starts from what the folder records: it is refused (status 2,
// before anything is written) for a run the folder does not hold, a folder
// that is no sweep and a world file changed since; a stopped sweep resumed
// keeps writing field histories; and the replay's final world is compared
// with the digest the sweep recorded, or said to be unchecked.
TEST(Replay, RefusesWhatTheFolderDoesNotHoldAndComparesFinalDigests) {
  const fs::path dir = Scratch("replay");
  const fs::path sw = dir / "sw", ws = dir / "ws", world = dir / "w.qvw";
  const auto saveWorld = [&](int32_t steps) {
    RunSpec o;
    o.agents = 20;
    o.stopTime = steps;
    o.seed = 1;
    Simulation sim;
    RunSummary summary;
    ASSERT_EQ(RunWorld(o, sim, nullptr, summary), "");
    ASSERT_EQ(SaveWorld(world.string(), sim, {}), "");
  };
  saveWorld(2);
  RequestStop(SIGINT);  // stopped before any run: the resume must go on writing fields
  EXPECT_EQ(RunSweep(Small(sw, {"--fields", "--fields-every", "20", "--jobs", "2"})), 128 + SIGINT);
  ClearStop();
  ASSERT_EQ(RunSweep({"--resume", sw.string(), "--quiet"}), 0);
  EXPECT_EQ(std::distance(fs::directory_iterator(sw / "fields"), fs::directory_iterator()), 6);
  ASSERT_EQ(RunSweep({"--world", world.string(), "--for", "5", "--wiggle", "0,20", "--seed", "3", "--plot", "none",
                      "--quiet", "--out", ws.string()}),
            0);
  ASSERT_EQ(RunSweep(Small(dir / "s1", {"--shard", "1/2"})), 0);
  fs::create_directories(dir / "damaged");
  std::ofstream(dir / "damaged/plan.json") << "{\"sweep\": ";
  saveWorld(3);

  struct Case {
    std::vector<std::string> args;
    const char* named;
  };
  const Case refused[] = {
      {{sw.string(), "6"}, "'6' is not a run of '"},
      {{sw.string(), "-1"}, "'-1' is not a run of '"},
      {{sw.string(), "two"}, "which holds runs 0 to 5"},
      {{sw.string()}, "replay needs the sweep's folder and a run"},
      {{(dir / "none").string(), "0"}, "none' does not exist"},
      {{(sw / "runs.csv").string(), "0"}, "runs.csv' is not a folder"},
      {{dir.string(), "0"}, "holds no sweep (no plan.json)"},
      {{(dir / "damaged").string(), "0"}, "plan.json' is damaged"},
      {{ws.string(), "1"}, "w.qvw' has changed since the sweep began"},
      {{(dir / "s1").string(), "1"}, "is share 1/2 of its sweep; run 1 is in share 2's folder"},
      {{sw.string(), "0", "--frame-every", "0"}, "--frame-every: '0'"},
      {{sw.string(), "0", "--fps", "121"}, "--fps: '121'"},
      {{sw.string(), "0", "--movie", "m.avi"}, "'m.avi' must end in .mp4, .webm or .gif"},
      {{sw.string(), "0", "--fields"}, "--fields needs a file name"},
      {{sw.string(), "0", "--wiggle", "5"}, "--wiggle"},
  };
  for (const Case& c : refused) {
    std::vector<std::string> args = {"replay"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const BatchCommand parsed = ParseBatchCommandLine(args);
    EXPECT_TRUE(std::holds_alternative<std::monostate>(parsed.command)) << c.named;
    EXPECT_EQ(parsed.exitCode, 2) << c.named;
    EXPECT_NE(parsed.output.find(c.named), std::string::npos) << parsed.output;
  }

  // The digest recorded, altered, or absent (a folder of an older version).
  fs::copy(sw, dir / "altered", fs::copy_options::recursive);
  std::string digests = Read(sw / "digests.csv");
  digests[digests.find("\n4,") + 3] = digests[digests.find("\n4,") + 3] == '0' ? '1' : '0';
  std::ofstream(dir / "altered/digests.csv") << digests;
  fs::copy(sw, dir / "older", fs::copy_options::recursive);
  fs::remove(dir / "older/digests.csv");
  fs::remove_all(dir / "older/parts");
  const std::tuple<fs::path, int, const char*> outcomes[] = {
      {sw, 0, "run 4 of '"},
      {dir / "altered", 1, "is not exact"},
      {dir / "older", 0, "recorded no final digests (recorded by an older quorvan-batch)"},
  };
  for (const auto& [folder, status, said] : outcomes) {
    const BatchCommand parsed = ParseBatchCommandLine({"replay", folder.string(), "4"});
    ASSERT_TRUE(std::holds_alternative<ReplayCommand>(parsed.command)) << parsed.output;
    testing::internal::CaptureStderr();
    EXPECT_EQ(RunReplay(std::get<ReplayCommand>(parsed.command)), status) << folder;
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find(said), std::string::npos) << err;
    EXPECT_EQ(err.find("replayed exactly") != std::string::npos, status == 0 && folder == sw) << err;
  }
}

}  // namespace
}  // namespace quorvan::batch
