// Sweeps over designs: the plan a design makes, and its runs and analysis,
// which must not depend on jobs, interruptions or shares.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <unistd.h>

#include "analyze_command.h"
#include "batch_command.h"
#include "sweep_main.h"
#include "sweep_tables.h"
#include "scratch_files.h"

namespace quorvan::batch {
namespace {

namespace fs = std::filesystem;

using scratch::Read;
fs::path Scratch(const std::string& name) { return scratch::Folder("design", name); }

std::vector<std::string> Args(const std::vector<std::string>& design, const fs::path& out,
                              std::vector<std::string> more = {}) {
  std::vector<std::string> args = {"--agents", "20", "--steps", "40", "--wiggle", "0..180", "--consume", "0.05..0.6",
                                   "--seed",   "7",  "--plot",  "none", "--quiet", "--out", out.string()};
  args.insert(args.end(), design.begin(), design.end());
  args.insert(args.end(), more.begin(), more.end());
  return args;
}

// The plan of each kind: its size, its seed's design (the same seed gives
// the same points, another seed others), whole values for whole settings,
// and plan.json giving it back exactly.
TEST(DesignSweep, PlanOfEachKind) {
  const fs::path dir = Scratch("plan");
  struct Case {
    std::vector<std::string> design;
    int64_t points;
  };
  const Case cases[] = {
      {{"--design", "lhs", "--samples", "6"}, 6},
      {{"--design", "sobol", "--samples", "4"}, 4 * (2 + 2)},
      {{"--design", "morris", "--samples", "3", "--levels", "6"}, 3 * (2 + 1)},
  };
  for (const Case& c : cases) {
    const SweepParse a = ParseSweepCommandLine(Args(c.design, dir / "x", {"--replicates", "2"}));
    ASSERT_TRUE(a.command) << a.error;
    const SweepPlan& plan = a.command->plan;
    ASSERT_TRUE(plan.design);
    EXPECT_EQ(plan.PointCount(), c.points);
    EXPECT_EQ(plan.RunCount(), 2 * c.points);
    EXPECT_EQ(plan.design->request.seed, 7u);
    for (int64_t p = 0; p < plan.PointCount(); ++p) {
      const RunSpec& spec = a.command->points[static_cast<std::size_t>(p)];
      ASSERT_TRUE(spec.wiggle && spec.consume && spec.agents);
      EXPECT_EQ(plan.PointValues(p)[2], std::to_string(*spec.wiggle));  // agents, steps, wiggle, consume
      EXPECT_GE(spec.consume->value, 0.05);
      EXPECT_LE(spec.consume->value, 0.6);
    }
    const SweepParse again = ParseSweepCommandLine(Args(c.design, dir / "x", {"--replicates", "2"}));
    ASSERT_TRUE(again.command) << again.error;
    EXPECT_EQ(again.command->plan.settings, plan.settings);
    std::vector<std::string> otherSeed = Args(c.design, dir / "x", {"--replicates", "2"});
    *std::find(otherSeed.begin(), otherSeed.end(), "7") = "8";
    const SweepParse other = ParseSweepCommandLine(otherSeed);
    ASSERT_TRUE(other.command) << other.error;
    EXPECT_NE(other.command->plan.settings, plan.settings);
    SweepPlan back;
    ASSERT_EQ(ParsePlanJson(PlanJson(plan), back), "");
    EXPECT_EQ(SweepIdentity(back), SweepIdentity(plan));
    EXPECT_EQ(back.settings, plan.settings);
    EXPECT_EQ(back.design->analysis.outputs, plan.design->analysis.outputs);
  }
}

TEST(DesignSweep, ExperimentFileGivesTheSameDesignAsTheCommandLine) {
  const fs::path dir = Scratch("toml");
  std::ofstream(dir / "e.toml") << "design = \"lhs\"\nsamples = 6\nwiggle = \"0..180\"\nconsume = \"0.05..0.6\"\n"
                                   "agents = 20\nsteps = 40\nseed = 7\ncalibrate = true\n"
                                   "target = [\"deliveries=10\", \"returning=3\"]\naccept = 0.5\n"
                                   "outputs = [\"deliveries\", \"track_max\"]\nplot = \"none\"\n";
  const SweepParse file = ParseSweepCommandLine({"--experiment", (dir / "e.toml").string(), "--out", "x"});
  ASSERT_TRUE(file.command) << file.error;
  const SweepParse line = ParseSweepCommandLine(
      Args({"--design", "lhs", "--samples", "6", "--calibrate", "--target", "deliveries=10", "--target", "returning=3",
            "--accept", "0.5", "--outputs", "deliveries,track_max"},
           "x"));
  ASSERT_TRUE(line.command) << line.error;
  EXPECT_EQ(SweepIdentity(file.command->plan), SweepIdentity(line.command->plan));
  EXPECT_EQ(PlanJson(file.command->plan), PlanJson(line.command->plan));
  const DesignAnalysisOptions& o = file.command->plan.design->analysis;
  EXPECT_EQ(o.targets, (std::map<std::string, double>{{"deliveries", 10}, {"returning", 3}}));
  EXPECT_EQ(o.outputs, (std::vector<std::string>{"deliveries", "track_max"}));
}

// A design's tables and analysis come out the same run at once, resumed,
// or in shares merged; analyze redoes it, and refuses without writing.
TEST(DesignSweep, SameResultsWhateverJobsResumeOrShares) {
  const fs::path dir = Scratch("same");
  const std::vector<std::string> sobol = {"--design", "sobol", "--samples", "4", "--bootstrap", "50"};
  ASSERT_EQ(RunSweep(Args(sobol, dir / "one", {"--jobs", "1"})), 0);
  const std::string runs = Read(dir / "one/runs.csv"), indices = Read(dir / "one/indices.csv");
  ASSERT_NE(indices.find("deliveries,wiggle,first,"), std::string::npos) << indices;
  EXPECT_NE(Read(dir / "one/analysis.txt").find("successful_50: "), std::string::npos);

  fs::copy(dir / "one", dir / "resumed", fs::copy_options::recursive);
  for (const auto& e : fs::directory_iterator(dir / "resumed/parts")) {  // the last records cut off
    if (e.path().filename().string().rfind("records-", 0) == 0) fs::resize_file(e.path(), fs::file_size(e.path()) - 9);
  }
  fs::remove(dir / "resumed/runs.csv");
  fs::remove(dir / "resumed/indices.csv");
  ASSERT_EQ(RunSweep({"--resume", (dir / "resumed").string(), "--quiet", "--jobs", "2"}), 0);

  std::vector<std::string> merge = {"--out", (dir / "merged").string(), "--quiet"};
  for (const char* share : {"1/3", "2/3", "3/3"}) {
    const fs::path folder = dir / ("share" + std::string(1, share[0]));
    ASSERT_EQ(RunSweep(Args(sobol, folder, {"--shard", share, "--jobs", "2"})), 0);
    EXPECT_FALSE(fs::exists(folder / "indices.csv"));  // a share alone is not analysed
    merge.push_back(folder.string());
  }
  ASSERT_EQ(RunMerge(merge), 0);
  for (const char* folder : {"resumed", "merged"}) {
    EXPECT_EQ(Read(dir / folder / "runs.csv"), runs) << folder;
    EXPECT_EQ(Read(dir / folder / "indices.csv"), indices) << folder;
  }

  // analyze: other outputs; refusals leave the folder as it was.
  const auto analyze = [](std::vector<std::string> args) {
    args.insert(args.begin(), "analyze");
    const BatchCommand parsed = ParseBatchCommandLine(args);
    if (const auto* c = std::get_if<AnalyzeCommand>(&parsed.command)) return std::make_pair(RunAnalyze(*c), std::string());
    return std::make_pair(parsed.exitCode, parsed.output);
  };
  const std::string merged = (dir / "merged").string();
  const struct {
    std::vector<std::string> args;
    const char* named;
  } refused[] = {
      {{merged, "--outputs", "deliveries,wiggle"}, "'wiggle' is not a numeric output column"},
      {{merged, "--calibrate", "--target", "nothing=3"}, "'nothing' names no numeric output"},
      {{merged, "--calibrate", "--target", "deliveries=3", "--accept", "1.5"}, "--accept: '1.5'"},
      {{(dir / "share1").string()}, "one share of a sweep"},
      {{(dir / "missing").string()}, "holds no sweep"},
  };
  for (const auto& c : refused) {
    const auto [code, output] = analyze(c.args);
    EXPECT_EQ(code, 2) << c.named;
    EXPECT_NE(output.find(c.named), std::string::npos) << output;
    EXPECT_EQ(Read(dir / "merged/indices.csv"), indices) << c.named;
  }
  EXPECT_EQ(analyze({merged, "--outputs", "track_max", "--quiet"}).first, 0);
  EXPECT_EQ(Read(dir / "merged/indices.csv").find("deliveries"), std::string::npos);
  EXPECT_NE(Read(dir / "merged/indices.csv").find("track_max,consume,total,"), std::string::npos);
  EXPECT_EQ(analyze({merged, "--calibrate", "--target", "deliveries=3", "--accept", "0.25", "--quiet"}).first, 0);
  const std::string posterior = Read(dir / "merged/posterior.csv");
  EXPECT_EQ(std::count(posterior.begin(), posterior.end(), '\n'), 1 + 4);  // a quarter of 16 points
}

// Target series: the point whose runs made the series is the nearest.
TEST(DesignSweep, CalibrationToATargetSeriesFindsThePointThatMadeIt) {
  const fs::path dir = Scratch("series");
  const std::vector<std::string> lhs = {"--design", "lhs", "--samples", "8", "--series"};
  ASSERT_EQ(RunSweep(Args(lhs, dir / "sample")), 0);
  // Point 6's own series (one of the few that moved in 40 steps) as the target.
  std::ifstream series(dir / "sample/series.csv");
  std::ofstream target(dir / "target.csv");
  target << "step,successful,returning,track_max\n";
  std::string line;
  std::getline(series, line);
  while (std::getline(series, line)) {
    int run = 0, step = 0, successful = 0, returning = 0, deliveries = 0;
    double track = 0;
    ASSERT_EQ(std::sscanf(line.c_str(), "%d,%d,%d,%d,%lf,%d", &run, &step, &successful, &returning, &track, &deliveries), 6);
    if (run == 6) target << step << "," << successful << "," << returning << "," << track << "\n";
  }
  target.close();
  ASSERT_EQ(RunSweep(Args(lhs, dir / "fit", {"--calibrate", "--target", (dir / "target.csv").string(), "--accept",
                                             "0.125"})),
            0);
  const std::string posterior = Read(dir / "fit/posterior.csv");
  const std::string first = posterior.substr(posterior.find('\n') + 1, posterior.find('\n', posterior.find('\n') + 1) - posterior.find('\n'));
  EXPECT_EQ(first.rfind("1,6,", 0), 0u) << posterior;
  EXPECT_EQ(first.substr(first.rfind(',')), ",0\n") << posterior;
}

}  // namespace
}  // namespace quorvan::batch
