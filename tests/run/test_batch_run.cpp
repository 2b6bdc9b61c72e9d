// Running a world from batch options: determinism, the per-step CSV, the
// JSON summary and the picture.

#include <gtest/gtest.h>

#include <QImage>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <nlohmann/json.hpp>
#include <sstream>

#include "batch_picture.h"
#include "batch_run.h"
#include "json_text.h"
#include "run_command.h"
#include "world_file.h"

namespace quorvan::batch {
namespace {

RunSpec Options(std::vector<std::string> args) {
  ParseOutcome out = ParseCommandLine(args);
  EXPECT_TRUE(out.command) << out.output;
  return out.command ? out.command->spec : RunSpec{};
}

// Runs `spec` with `seed` in place of its own.
std::string RunSeeded(RunSpec spec, std::optional<uint64_t> seed, Simulation& sim, CsvWriter* csv, RunSummary& summary,
                std::vector<ChartPoint>* chart = nullptr) {
  spec.seed = seed;
  return RunWorld(spec, sim, csv, summary, chart);
}

// Runs and returns the CSV text.
std::string RunToCsv(const RunSpec& o, std::optional<uint64_t> seed, Simulation& sim, RunSummary& summary) {
  std::FILE* f = std::tmpfile();
  CsvWriter csv(f);
  EXPECT_EQ(RunSeeded(o, seed, sim, &csv, summary), "");
  EXPECT_TRUE(csv.Finish());
  std::rewind(f);
  std::string text;
  char buf[4096];
  for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) text.append(buf, n);
  std::fclose(f);
  return text;
}

TEST(BatchRun, TheSameSeedGivesTheSameRun) {
  const RunSpec o = Options({"--steps", "300", "--agents", "200", "--decay", "0,95"});
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
  const RunSpec o = Options({"--steps", "40", "--agents", "50"});
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
  const RunSpec o = Options({"--steps", "0"});
  Simulation sim;
  RunSummary summary;
  EXPECT_EQ(RunSeeded(o, 3, sim, nullptr, summary), "");
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
    ASSERT_EQ(RunSeeded(Options(c.args), 1, sim, nullptr, summary), "");
    EXPECT_EQ(sim.settings.E_noise, c.noise);
    EXPECT_EQ(sim.settings.E_CProbab, c.consume);
  }
}

TEST(BatchRun, SummaryJsonHoldsTheRun) {
  const RunSpec o = Options({"--steps", "25", "--agents", "30", "--mode", "raster", "--decay", "0,5"});
  Simulation sim;
  RunSummary summary;
  ASSERT_EQ(RunSeeded(o, 9, sim, nullptr, summary), "");
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
  Simulation plainSim;
  ASSERT_EQ(RunSeeded(Options({"--steps", "1", "--agents", "1"}), 9, plainSim, nullptr, summary), "");
  const auto plain = nlohmann::json::parse(SummaryJson(Options({}), plainSim, summary));
  EXPECT_TRUE(plain["settings"]["decay"].is_null());
}

// A world saved from the window may hold any text typed into a setting; a
// run from it names the file and the attribute, and shows odd bytes escaped.
// The file's name is not UTF-8: the summary records it escaped.
TEST(BatchRun, ABadSettingTextInAWorldNamesFileAndAttribute) {
  struct Case {
    const char* name;
    std::function<void(Settings&)> edit;
    std::vector<std::string> options;
    const char* message;  // nullptr: the run goes
  };
  const Case kCases[] = {
      {"noise", [](Settings& s) { s.E_noise = "na"; }, {},
       "attribute '/settings/E_noise': 'na' is not a valid floating point value"},
      {"consume, raw bytes", [](Settings& s) { s.E_CProbab = "0,3\xff\x1b"; }, {},
       "attribute '/settings/E_CProbab': '0,3\\xff\\x1b' is not a valid"},
      {"decay while on", [](Settings& s) { s.CB_decay = true; s.E_decay = "x"; }, {}, "'/settings/E_decay': 'x'"},
      {"decay while off", [](Settings& s) { s.CB_decay = false; s.E_decay = "x"; }, {}, nullptr},
      {"noise given over it", [](Settings& s) { s.E_noise = "na"; }, {"--noise", "20"}, nullptr},
  };
  const std::string path = (std::filesystem::temp_directory_path() / "quorvan_bad_text\xff.qvw").string();
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    Simulation saved;
    RunSummary summary;
    ASSERT_EQ(RunSeeded(Options({"--steps", "2", "--agents", "3"}), 9, saved, nullptr, summary), "");
    c.edit(saved.settings);
    ASSERT_EQ(SaveWorld(path, saved, {}), "");
    std::vector<std::string> args = {"--steps", "4"};
    args.insert(args.end(), c.options.begin(), c.options.end());
    RunSpec o = Options(args);
    o.world = path;
    Simulation sim;
    const std::string error = RunWorld(o, sim, nullptr, summary);
    if (!c.message) {
      ASSERT_EQ(error, "");
      const auto j = nlohmann::json::parse(SummaryJson(o, sim, summary));
      EXPECT_EQ(j["world"], JsonText(path));
      EXPECT_EQ(TextFromJson(j["world"].get<std::string>()), path);
      continue;
    }
    EXPECT_EQ(error.rfind(path + ": ", 0), 0u) << error;
    EXPECT_NE(error.find(c.message), std::string::npos) << error;
  }
  std::filesystem::remove(path);
}

TEST(BatchRun, PictureShowsTheAgentsUnlessLeftOut) {
  const auto path = std::filesystem::temp_directory_path() / "quorvan_batch_picture.png";
  for (bool agents : {true, false}) {
    std::vector<std::string> args = {"--steps", "3", "--agents", "20"};
    if (!agents) args.push_back("--no-agents");
    Simulation sim;
    RunSummary summary;
    ASSERT_EQ(RunSeeded(Options(args), 4, sim, nullptr, summary), "");
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
  ASSERT_EQ(RunSeeded(Options({"--steps", "1", "--agents", "1", "--gravity", "5"}), 4, sim, nullptr, summary), "");
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
  ASSERT_EQ(RunSeeded(Options({"--steps", "1", "--agents", "1"}), 4, sim, nullptr, summary), "");
  EXPECT_NE(WritePicture(sim, "/nonexistent/dir/world.png"), "");
}

}  // namespace
}  // namespace quorvan::batch

namespace quorvan::batch {
namespace {

// A landscape seed fixes the landscape alone: other run seeds, same destinations.
TEST(BatchRun, TheLandscapeSeedSharesTheLandscapeAcrossRunSeeds) {
  const RunSpec o = Options({"--steps", "20", "--agents", "30", "--landscape-seed", "5"});
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

namespace quorvan::batch {
namespace {

std::string WorldPath(const char* name) {
  return (std::filesystem::temp_directory_path() / (std::string("quorvan_batch_") + name + ".qvw")).string();
}

// A world saved at step 30 after mouse edits and run on by --world reaches
// the digest of the run that never stopped, in every landscape; the CSV
// goes on from the saved step.
TEST(BatchRun, AWorldRunOnByWorldEqualsTheUninterruptedRun) {
  const std::string path = WorldPath("resume");
  for (const char* mode : {"random", "circle", "raster", "manhattan"}) {
    SCOPED_TRACE(mode);
    Simulation a;
    RunSummary sa;
    ASSERT_EQ(RunSeeded(Options({"--mode", mode, "--agents", "60", "--cell-size", "4", "--steps", "30", "--decay",
                                "0,98"}),
                       21, a, nullptr, sa),
              "");
    a.EditCellAt(60, 60, EditAction::Obstacles, 0);
    a.EditCellAt(300, 90, EditAction::Destination, a.AddDestination(300, 90));
    a.EditCellAt(200, 200, EditAction::Free, 0);
    ASSERT_EQ(SaveWorld(path, a, {}), "");
    a.StopTime = 70;
    while (a.StepCount < 70) ASSERT_TRUE(a.DoStep().ok());

    Simulation b;
    RunSummary sb;
    std::istringstream csv(RunToCsv(Options({"--world", path, "--steps", "70"}), std::nullopt, b, sb));
    EXPECT_EQ(WorldDigest(b), WorldDigest(a));
    EXPECT_EQ(sb.seed, 21u);
    EXPECT_EQ(sb.startStep, 30);
    EXPECT_EQ(sb.stepsRun, 70);
    std::string header, first;
    std::getline(csv, header);
    std::getline(csv, first);
    EXPECT_EQ(first.substr(0, 3), "31,");
  }
  std::filesystem::remove(path);
}

// What --world takes from the options, and what it refuses.
TEST(BatchRun, WorldOptionsOverrideTheRunButNotTheWorld) {
  const std::string path = WorldPath("options");
  Simulation saved;
  RunSummary s0;
  ASSERT_EQ(RunSeeded(Options({"--agents", "40", "--cell-size", "5", "--steps", "10", "--mode", "raster"}), 3, saved,
                     nullptr, s0),
            "");
  ASSERT_EQ(SaveWorld(path, saved, {}), "");
  struct Case {
    std::vector<std::string> args;
    std::string error;  ///< empty: the run goes ahead
    std::function<void(const Simulation&)> check;
  };
  const Case cases[] = {
      {{"--agents", "41"}, "--agents: the world in '" + path + "' has 40 agents; another count needs a new world", {}},
      {{"--cell-size", "2"}, "--cell-size: the world in '" + path + "' has cells of 5 pixels; another size needs a new world", {}},
      {{"--mode", "circle"}, "--mode: the world in '" + path + "' was built with another landscape; it needs a new world", {}},
      {{"--landscape-seed", "4"}, "--landscape-seed: the landscape of the world in '" + path + "' is built already", {}},
      {{"--agents", "40", "--cell-size", "5", "--mode", "raster", "--for", "5"}, "",
       [](const Simulation& sim) { EXPECT_EQ(sim.StepCount, 15); }},
      // A stop time the run cannot meet runs nothing, so it is refused.
      {{"--steps", "5"}, "--steps 5: the world in '" + path + "' is at step 10 already (--for N runs N steps more)", {}},
      {{"--steps", "10"}, "--steps 10: the world in '" + path + "' is at step 10 already (--for N runs N steps more)", {}},
      {{}, "the world in '" + path + "' is at step 10, its stop time (--for N or a later --steps runs it on)", {}},
      {{"--wiggle", "90", "--decay", "0,9", "--sniff", "roulette", "--noise", "7", "--steps", "12"}, "",
       [](const Simulation& sim) {
         EXPECT_EQ(sim.settings.SB_wiggle, 90);
         EXPECT_TRUE(sim.settings.CB_decay);
         EXPECT_EQ(sim.settings.E_decay, "0,9");
         EXPECT_EQ(sim.settings.SniffMode(), 1);
         EXPECT_EQ(sim.settings.E_noise, "7");
         EXPECT_EQ(sim.settings.TrB_thresh, 30) << "what is not given stays the world's";
         EXPECT_EQ(sim.StepCount, 12);
       }},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = {"--world", path};
    args.insert(args.end(), c.args.begin(), c.args.end());
    Simulation sim;
    RunSummary summary;
    EXPECT_EQ(RunSeeded(Options(args), std::nullopt, sim, nullptr, summary), c.error) << c.error;
    if (c.check) c.check(sim);
  }
  // A seed restarts the world's stream from it: the same seed, the same run.
  Simulation x, y, z;
  RunSummary sx, sy, sz;
  ASSERT_EQ(RunSeeded(Options({"--world", path, "--steps", "20"}), 5, x, nullptr, sx), "");
  ASSERT_EQ(RunSeeded(Options({"--world", path, "--steps", "20"}), 5, y, nullptr, sy), "");
  ASSERT_EQ(RunSeeded(Options({"--world", path, "--steps", "20"}), std::nullopt, z, nullptr, sz), "");
  EXPECT_EQ(WorldDigest(x), WorldDigest(y));
  EXPECT_NE(WorldDigest(x), WorldDigest(z));
  EXPECT_EQ(sx.seed, 5u);
  const auto j = nlohmann::json::parse(SummaryJson(Options({"--world", path}), z, sz));
  EXPECT_EQ(j["world"], path);
  EXPECT_EQ(j["start_step"], 10);
  EXPECT_EQ(j["settings"]["mode"], "raster");
  EXPECT_EQ(j["settings"]["cell_size"], 5);
  EXPECT_EQ(RunSeeded(Options({"--world", path + ".missing"}), std::nullopt, z, nullptr, sz).find(path + ".missing"), 0u);
  std::filesystem::remove(path);
}

// A world saved after a run keeps every chart point of the world it started
// from and adds one per step, as the window's chart does.
TEST(BatchRun, TheChartOfTheWorldGoesOnWithTheRunsOwnPoints) {
  const std::string path = WorldPath("chart");
  Simulation first;
  RunSummary s0;
  std::vector<ChartPoint> chart;
  ASSERT_EQ(RunSeeded(Options({"--agents", "30", "--steps", "6"}), 2, first, nullptr, s0, &chart), "");
  ASSERT_EQ(chart.size(), 6u);
  chart.insert(chart.begin(), ChartPoint{0.5, 1, 2, 3});  // a point only the file holds
  ASSERT_EQ(SaveWorld(path, first, chart), "");

  Simulation next;
  RunSummary s1;
  std::vector<ChartPoint> after;
  ASSERT_EQ(RunSeeded(Options({"--world", path, "--for", "4"}), std::nullopt, next, nullptr, s1, &after), "");
  ASSERT_EQ(after.size(), 11u);
  EXPECT_TRUE(std::equal(chart.begin(), chart.end(), after.begin()));
  EXPECT_EQ(after.back().step, 10.0);
  EXPECT_EQ(after.back().successful, s1.successful);
  EXPECT_EQ(after.back().trackMax, s1.trackMax);
  std::filesystem::remove(path);
}

}  // namespace
}  // namespace quorvan::batch
