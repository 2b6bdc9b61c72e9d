// Running a world from batch options: determinism, the per-step CSV, the
// JSON summary and the picture.

#include <gtest/gtest.h>

#include <QImage>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "batch_picture.h"
#include "batch_run.h"

namespace quorvan::batch {
namespace {

BatchOptions Options(std::vector<std::string> args) {
  ParseOutcome out = ParseCommandLine(args);
  EXPECT_TRUE(out.options) << out.output;
  return *out.options;
}

// Runs and returns the CSV text.
std::string RunToCsv(const BatchOptions& o, uint64_t seed, Simulation& sim, RunSummary& summary) {
  std::FILE* f = std::tmpfile();
  CsvWriter csv(f);
  EXPECT_EQ(RunWorld(o, seed, sim, &csv, summary), "");
  EXPECT_TRUE(csv.Finish());
  std::rewind(f);
  std::string text;
  char buf[4096];
  for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) text.append(buf, n);
  std::fclose(f);
  return text;
}

TEST(BatchRun, TheSameSeedGivesTheSameRun) {
  const BatchOptions o = Options({"--steps", "300", "--agents", "200", "--decay", "0,95"});
  Simulation a, b, c;
  RunSummary sa, sb, sc;
  const std::string csvA = RunToCsv(o, 77, a, sa);
  EXPECT_EQ(csvA, RunToCsv(o, 77, b, sb));
  EXPECT_EQ(WorldDigest(a), WorldDigest(b));
  RunToCsv(o, 78, c, sc);
  EXPECT_NE(WorldDigest(a), WorldDigest(c));
  EXPECT_EQ(sa.seed, 77u);
}

TEST(BatchRun, CsvHasAHeaderAndOneRowPerStep) {
  const BatchOptions o = Options({"--steps", "40", "--agents", "50"});
  Simulation sim;
  RunSummary summary;
  std::istringstream csv(RunToCsv(o, 1, sim, summary));
  std::string line;
  std::getline(csv, line);
  EXPECT_EQ(line, "step,successful,returning,track_max,deliveries");
  int rows = 0;
  while (std::getline(csv, line)) {
    ++rows;
    int step = 0, successful = -1, returning = -1, deliveries = -1;
    double trackMax = 0;
    ASSERT_EQ(std::sscanf(line.c_str(), "%d,%d,%d,%lf,%d", &step, &successful, &returning, &trackMax, &deliveries), 5)
        << line;
    EXPECT_GE(deliveries, 0);
    EXPECT_EQ(step, rows);
    EXPECT_GE(successful, 0);
    EXPECT_LE(returning, 100);
    EXPECT_GE(trackMax, 0.1);
  }
  EXPECT_EQ(rows, 40);
  EXPECT_EQ(summary.stepsRun, 40);
  EXPECT_EQ(sim.StepCount, 40);
}

TEST(BatchRun, ZeroStepsBuildTheWorldAndRunNothing) {
  const BatchOptions o = Options({"--steps", "0"});
  Simulation sim;
  RunSummary summary;
  EXPECT_EQ(RunWorld(o, 3, sim, nullptr, summary), "");
  EXPECT_EQ(summary.stepsRun, 0);
  EXPECT_EQ(sim.Destinations.size(), 10u);
}

TEST(BatchRun, OverridesApplyAfterTheLandscapeWroteItsTexts) {
  struct Case {
    std::vector<std::string> args;
    const char* noise;
    const char* consume;
  };
  const Case cases[] = {
      {{"--mode", "manhattan", "--steps", "1"}, "30", "0,05"},
      {{"--mode", "circle", "--steps", "1"}, "50", "0,35"},
      {{"--mode", "circle", "--steps", "1", "--noise", "7", "--consume", "0,5"}, "7", "0,5"},
  };
  for (const Case& c : cases) {
    Simulation sim;
    RunSummary summary;
    ASSERT_EQ(RunWorld(Options(c.args), 1, sim, nullptr, summary), "");
    EXPECT_EQ(sim.settings.E_noise, c.noise);
    EXPECT_EQ(sim.settings.E_CProbab, c.consume);
  }
}

TEST(BatchRun, SummaryJsonHoldsTheRun) {
  const BatchOptions o = Options({"--steps", "25", "--agents", "30", "--mode", "raster", "--decay", "0,5"});
  Simulation sim;
  RunSummary summary;
  ASSERT_EQ(RunWorld(o, 9, sim, nullptr, summary), "");
  const auto j = nlohmann::json::parse(SummaryJson(o, sim, summary));
  EXPECT_EQ(j["seed"], 9);
  EXPECT_EQ(j["steps"], 25);
  EXPECT_EQ(j["agents"], 30);
  EXPECT_EQ(j["settings"]["mode"], "raster");
  EXPECT_EQ(j["settings"]["noise"], 30);
  EXPECT_EQ(j["settings"]["consume"], 0.35);
  EXPECT_EQ(j["settings"]["decay"], 0.5);
  ASSERT_EQ(j["destinations"].size(), 25u);
  EXPECT_EQ(j["destinations"][0]["x"], sim.Destinations[0].X);
  EXPECT_EQ(j["destinations"][0]["returns"], sim.Destinations[0].Returns);
  EXPECT_EQ(j["successful"], summary.successful);
  EXPECT_EQ(j["returning"], summary.returning);
  EXPECT_DOUBLE_EQ(j["track_max"].get<double>(), summary.trackMax);
  EXPECT_TRUE(j.contains("elapsed_s"));
  EXPECT_TRUE(j.contains("steps_per_s"));
  const auto plain = nlohmann::json::parse(SummaryJson(Options({}), sim, summary));
  EXPECT_TRUE(plain["settings"]["decay"].is_null());
}

TEST(BatchRun, PictureShowsTheAgentsUnlessLeftOut) {
  const auto path = std::filesystem::temp_directory_path() / "quorvan_batch_picture.png";
  for (bool agents : {true, false}) {
    std::vector<std::string> args = {"--steps", "3", "--agents", "20"};
    if (!agents) args.push_back("--no-agents");
    Simulation sim;
    RunSummary summary;
    ASSERT_EQ(RunWorld(Options(args), 4, sim, nullptr, summary), "");
    ASSERT_EQ(WritePicture(sim, path.string()), "");
    QImage image(QString::fromStdString(path.string()));
    ASSERT_EQ(image.size(), QSize(404, 404));
    // Agent bodies are the only pure red (searching) or lime (returning) pixels.
    int bodies = 0;
    for (int y = 0; y < image.height(); ++y) {
      for (int x = 0; x < image.width(); ++x) {
        const QRgb p = image.pixel(x, y);
        const bool red = qRed(p) == 255 && qGreen(p) == 0 && qBlue(p) == 0;
        const bool lime = qRed(p) == 0 && qGreen(p) == 255 && qBlue(p) == 0;
        bodies += red || lime;
      }
    }
    if (agents) {
      EXPECT_GT(bodies, 0);
    } else {
      EXPECT_EQ(bodies, 0);
    }
  }
  std::filesystem::remove(path);
}

TEST(BatchRun, ABadGravitySizeSkipsOnlyTheLines) {
  const auto path = std::filesystem::temp_directory_path() / "quorvan_batch_gravity.png";
  Simulation sim;
  RunSummary summary;
  ASSERT_EQ(RunWorld(Options({"--steps", "1", "--agents", "1", "--gravity", "5"}), 4, sim, nullptr, summary), "");
  sim.settings.E_grav = "big";
  std::string warning;
  EXPECT_EQ(WritePicture(sim, path.string(), &warning), "");
  EXPECT_EQ(warning, "'big' is not a valid floating point value");
  EXPECT_TRUE(std::filesystem::exists(path));
  std::filesystem::remove(path);
}

TEST(BatchRun, AnUnwritablePictureIsReported) {
  Simulation sim;
  RunSummary summary;
  ASSERT_EQ(RunWorld(Options({"--steps", "1", "--agents", "1"}), 4, sim, nullptr, summary), "");
  EXPECT_NE(WritePicture(sim, "/nonexistent/dir/world.png"), "");
}

}  // namespace
}  // namespace quorvan::batch

namespace quorvan::batch {
namespace {

// A landscape seed fixes the landscape alone: other run seeds, same destinations.
TEST(BatchRun, TheLandscapeSeedSharesTheLandscapeAcrossRunSeeds) {
  const BatchOptions o = Options({"--steps", "20", "--agents", "30", "--landscape-seed", "5"});
  Simulation a, b;
  RunSummary sa, sb;
  RunToCsv(o, 1, a, sa);
  RunToCsv(o, 2, b, sb);
  ASSERT_EQ(a.Destinations.size(), b.Destinations.size());
  for (std::size_t i = 0; i < a.Destinations.size(); ++i) EXPECT_EQ(a.Destinations[i].X, b.Destinations[i].X);
  EXPECT_NE(WorldDigest(a), WorldDigest(b));
  EXPECT_EQ(nlohmann::json::parse(SummaryJson(o, a, sa))["landscape_seed"], 5);
}

}  // namespace
}  // namespace quorvan::batch
