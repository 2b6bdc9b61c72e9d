// Saved worlds go on exactly; damaged files are refused and change nothing.

#include <gtest/gtest.h>
#include <hdf5.h>

#include <filesystem>
#include <fstream>
#include <algorithm>
#include <cmath>
#include <csignal>
#include <chrono>
#include <functional>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

#include "read_apart.h"
#include "world_file.h"
#include "world_fixture.h"

namespace quorvan {
namespace {

std::string TempPath(const char* name) {
  return (std::filesystem::temp_directory_path() / (std::string("quorvan_") + name + ".h5")).string();
}

void Steps(Simulation& sim, int n) {
  for (int i = 0; i < n; ++i) ASSERT_TRUE(sim.DoStep().ok());
}

TEST(WorldFile, ResumeReachesTheSameDigestInEveryLandscape) {
  // Every landscape, and worlds without agents or without destinations.
  const testing::WorldOptions kWorlds[] = {
      {.cellSize = 4, .agents = 60, .mode = 0, .seed = 99}, {.cellSize = 2, .agents = 60, .mode = 1, .seed = 99},
      {.cellSize = 4, .agents = 60, .mode = 2, .seed = 99}, {.cellSize = 4, .agents = 60, .mode = 3, .seed = 99},
      {.cellSize = 10, .agents = 0, .mode = 0, .seed = 99}, {.cellSize = 10, .agents = 3, .mode = -1, .seed = 99},
  };
  for (const testing::WorldOptions& world : kWorlds) {
    const int mode = world.mode;
    SCOPED_TRACE(std::to_string(mode) + " with " + std::to_string(world.agents) + " agents");
    Simulation a;
    testing::BuildWorld(a, world);
    a.settings.CB_decay = mode % 2 == 0;
    Steps(a, 40);
    a.EditCellAt(60, 60, EditAction::Obstacles, 0);
    a.EditCellAt(80, 90, EditAction::Destination, a.AddDestination(80, 90));
    const std::string path = TempPath("resume");
    const std::vector<ChartPoint> chart = {{1, 2, 3, 0.1}, {2, 5, 6, 1e300 * 1e10}};
    ASSERT_EQ(SaveWorld(path, a, chart), "");
    Simulation b;
    std::vector<ChartPoint> opened;
    ASSERT_EQ(OpenWorld(path, b, opened), "");
    EXPECT_EQ(opened, chart);
    EXPECT_EQ(WorldDigest(b), WorldDigest(a));
    EXPECT_EQ(b.Rand.State(), a.Rand.State());
    Steps(a, 60);
    Steps(b, 60);
    EXPECT_EQ(WorldDigest(b), WorldDigest(a));
    std::filesystem::remove(path);
  }
}

// Damages a good world; the open must fail with `message` and leave the world as it was.
struct Damage {
  const char* name;
  std::function<void(const std::string&)> apply;
  const char* message;
};

void Write(const std::string& path, const char* dataset, int32_t value) {
  const hid_t f = H5Fopen(path.c_str(), H5F_ACC_RDWR, H5P_DEFAULT);
  const hid_t d = H5Dopen2(f, dataset, H5P_DEFAULT);
  const hid_t space = H5Dget_space(d);
  const hsize_t at[2] = {0, 0};
  H5Sselect_elements(space, H5S_SELECT_SET, 1, at);
  const hsize_t one = 1;
  const hid_t mem = H5Screate_simple(1, &one, nullptr);
  H5Dwrite(d, H5T_NATIVE_INT32, mem, space, H5P_DEFAULT, &value);
  H5Sclose(mem);
  H5Sclose(space);
  H5Dclose(d);
  H5Fclose(f);
}

void SetVersion(const std::string& path, int32_t v) {
  const hid_t f = H5Fopen(path.c_str(), H5F_ACC_RDWR, H5P_DEFAULT);
  const hid_t a = H5Aopen(f, "format_version", H5P_DEFAULT);
  H5Awrite(a, H5T_NATIVE_INT32, &v);
  H5Aclose(a);
  H5Fclose(f);
}

// Worlds that only a mouse or a setting can make: they must open as saved.
TEST(WorldFile, WhatTheMouseAndTheSettingsMakeOpens) {
  struct Made {
    const char* name;
    std::function<void(Simulation&)> make;
    bool (*trailHas)(double) = nullptr;  // what some trail value must then be
  };
  const auto decay = [](const char* rate, int steps) {
    return [=](Simulation& sim) {
      sim.settings.CB_decay = true;
      sim.settings.E_decay = rate;
      Steps(sim, steps);
    };
  };
  const Made kMade[] = {
      {"nest freed", [](Simulation& sim) { sim.EditCellAt(202, 202, EditAction::Free, 0); }},
      {"destination cells anywhere",
       [](Simulation& sim) {
         const int32_t d = sim.AddDestination(0, 0);
         for (int32_t x : {0, 200, 403}) sim.EditCellAt(x, 403 - x, EditAction::Destination, d);
       }},
      {"a destination with no cell (Ctrl-click off the grid)", [](Simulation& sim) { sim.AddDestination(403, 403); }},
      // A rate above 1 overflows the trails; a rate of 0 after that makes
      // NaN of infinity (0 * inf): both are trails a user can make.
      {"infinite trails", decay("3", 700), [](double v) { return std::isinf(v); }},
      {"infinite, then NaN trails",
       [&](Simulation& sim) {
         decay("3", 700)(sim);
         decay("0", 1)(sim);
       },
       [](double v) { return std::isnan(v); }},
  };
  for (const Made& m : kMade) {
    SCOPED_TRACE(m.name);
    Simulation made;
    testing::BuildWorld(made, {.cellSize = 10, .agents = 50, .mode = kRandomDestinations, .seed = 3});
    m.make(made);
    Steps(made, 2);
    if (m.trailHas) {
      const double* track = made.Cells.TrackData();
      EXPECT_TRUE(std::any_of(track, track + made.Cells.Count(), m.trailHas));
    }
    const std::string path = TempPath("made");
    ASSERT_EQ(SaveWorld(path, made, {}), "");
    Simulation opened;
    std::vector<ChartPoint> chart;
    EXPECT_EQ(OpenWorld(path, opened, chart), "");
    EXPECT_EQ(WorldDigest(opened), WorldDigest(made));
    std::filesystem::remove(path);
  }
}

TEST(WorldFile, DamagedFilesAreRefusedAndChangeNothing) {
  const Damage kDamages[] = {
      {"missing", [](const std::string& p) { std::filesystem::remove(p); }, "no such file"},
      {"not hdf5", [](const std::string& p) { std::ofstream(p) << "hello"; }, "not an HDF5 file"},
      {"truncated", [](const std::string& p) { std::filesystem::resize_file(p, std::filesystem::file_size(p) / 2); },
       "damaged or truncated"},
      {"version", [](const std::string& p) { SetVersion(p, 2); }, "format version 2"},
      {"kind", [](const std::string& p) { Write(p, "/cells/Kind", 7); }, "cell kind 7 outside 0..3"},
      {"dest index",
       [](const std::string& p) {
         Write(p, "/cells/Kind", 2);
         Write(p, "/cells/DestIndex", 500);
       },
       "destination index 500 out of range"},
      {"agent cell", [](const std::string& p) { Write(p, "/agents/CellX", 999); }, "agent 0: cell outside the grid"},
      {"heading", [](const std::string& p) { Write(p, "/agents/Heading", -5); }, "heading outside 0..360"},
      {"directions", [](const std::string& p) { Write(p, "/agents/DirectionCount", 9); }, "more than 8"},
      {"distance", [](const std::string& p) { Write(p, "/cells/Distance", 3); }, "does not match the grid"},
      {"destination far right", [](const std::string& p) { Write(p, "/destinations/X", 5000); },
       "destination 0: point (5000, "},
      {"destination far left", [](const std::string& p) { Write(p, "/destinations/X", INT32_MIN); },
       "destination 0: point (-2147483648, "},
      {"destination below", [](const std::string& p) { Write(p, "/destinations/Y", 404); }, ", 404) lies off the panel"},
      {"negative dest index",
       [](const std::string& p) {
         Write(p, "/cells/Kind", 2);
         Write(p, "/cells/DestIndex", -1);
       },
       "destination index -1 out of range"},
      // A file on which HDF5's own read crashes in a fresh process; after
      // this process's earlier reads the library may refuse it before it
      // gets there (the batch test pins the crash's message).
      {"hdf5 crash",
       [](const std::string& p) {
         std::filesystem::copy_file(QUORVAN_HDF5_CRASH, p, std::filesystem::copy_options::overwrite_existing);
       },
       ""},
  };
  Simulation good;
  testing::BuildWorld(good, {.cellSize = 4, .agents = 20, .mode = kRandomDestinations});
  Steps(good, 5);
  for (const Damage& d : kDamages) {
    SCOPED_TRACE(d.name);
    const std::string path = TempPath("damaged");
    ASSERT_EQ(SaveWorld(path, good, {}), "");
    d.apply(path);
    Simulation sim;
    testing::BuildWorld(sim, {.cellSize = 2, .agents = 7, .mode = kRasterDestinations});
    const uint64_t before = WorldDigest(sim);
    const RandomState random = sim.Rand.State();
    std::vector<ChartPoint> chart = {{1, 1, 1, 1}};
    const std::string error = OpenWorld(path, sim, chart);
    EXPECT_NE(error.find(path + ": "), std::string::npos) << error;
    EXPECT_NE(error.find(d.message), std::string::npos) << error;
    EXPECT_EQ(WorldDigest(sim), before);
    EXPECT_EQ(sim.Rand.State(), random);
    EXPECT_EQ(chart.size(), 1u);
    std::filesystem::remove(path);
  }
}

// Where a save may go: a link is written through and stays a link, a
// replaced file keeps its permissions, and what is no regular file is refused.
TEST(WorldFile, SaveWritesThroughLinksAndRefusesWhatIsNoFile) {
  namespace fs = std::filesystem;
  Simulation sim;
  testing::BuildWorld(sim, {.cellSize = 10, .agents = 3, .mode = kRandomDestinations});
  const fs::path dir = fs::temp_directory_path() / "quorvan_save_targets";
  fs::remove_all(dir);
  fs::create_directories(dir / "folder");
  struct Target {
    const char* name;
    std::function<void(const fs::path&)> make;
    const char* refusal;  // nullptr: the save must succeed
  };
  const Target kTargets[] = {
      {"new", [](const fs::path&) {}, nullptr},
      {"link",
       [&](const fs::path& p) {
         std::ofstream(dir / "linked.qvw") << "old";
         fs::create_symlink(dir / "linked.qvw", p);
       },
       nullptr},
      {"kept mode",
       [](const fs::path& p) {
         std::ofstream(p) << "old";
         fs::permissions(p, fs::perms::owner_read | fs::perms::owner_write);
       },
       nullptr},
      {"fifo", [](const fs::path& p) { ASSERT_EQ(mkfifo(p.c_str(), 0600), 0); }, "HDF5 needs a regular file"},
      {"folder", [&](const fs::path& p) { fs::create_symlink(dir / "folder", p); }, "it is a folder"},
  };
  for (const Target& t : kTargets) {
    SCOPED_TRACE(t.name);
    const fs::path path = dir / (std::string(t.name) + ".qvw");
    t.make(path);
    const auto before = fs::symlink_status(path);
    const auto target = fs::status(path);  // what a link names
    const std::string error = SaveWorld(path.string(), sim, {});
    if (t.refusal) {
      EXPECT_NE(error.find(path.string() + ": " + t.refusal), std::string::npos) << error;
      EXPECT_EQ(fs::symlink_status(path).type(), before.type());
      continue;
    }
    ASSERT_EQ(error, "");
    EXPECT_EQ(fs::symlink_status(path).type(), fs::exists(before) ? before.type() : fs::file_type::regular);
    if (fs::exists(target)) {
      EXPECT_EQ(fs::status(path).permissions(), target.permissions());
    }
    Simulation opened;
    std::vector<ChartPoint> chart;
    EXPECT_EQ(OpenWorld(path.string(), opened, chart), "");
    EXPECT_EQ(WorldDigest(opened), WorldDigest(sim));
  }
  // No temporary file is left behind.
  for (const auto& entry : fs::directory_iterator(dir)) {
    EXPECT_EQ(entry.path().filename().string().find(".tmp"), std::string::npos) << entry.path();
  }
  fs::remove_all(dir);
}

// A read apart answers what the read returned, or says how its process died.
TEST(ReadApart, AnAnswerOrHowTheChildDied) {
  struct Case {
    const char* name;
    std::function<std::string()> read;
    std::optional<std::string> answer;
    const char* how;
    std::chrono::milliseconds limit = std::chrono::seconds(20);
  };
  const std::string big(1 << 20, 'x');  // more than a pipe holds
  const Case kCases[] = {
      {"all well", [] { return std::string(); }, std::string(), ""},
      {"a message", [] { return std::string("w.qvw: no such file"); }, std::string("w.qvw: no such file"), ""},
      {"a long message", [&] { return big; }, big, ""},
      // Under AddressSanitizer its handler takes the SIGSEGV and aborts.
      {"segfault", []() -> std::string { std::raise(SIGSEGV); return "unreached"; }, std::nullopt, "SIG"},
      {"abort", []() -> std::string { std::abort(); }, std::nullopt, "SIGABRT"},
      {"exit", []() -> std::string { std::_Exit(0); }, std::nullopt, "exit status 0"},
      {"throws", []() -> std::string { throw std::runtime_error("x"); }, std::nullopt, "exit status 3"},
      // A child stuck (on a lock held at the fork) is killed at the limit.
      {"hangs", []() -> std::string { ::pause(); return "unreached"; }, std::nullopt, "no answer in time",
       std::chrono::milliseconds(200)},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    NoAnswer failure;
    const std::optional<std::string> answer = ReadApart(c.read, failure, c.limit);
    EXPECT_EQ(answer, c.answer);
    EXPECT_EQ(failure.timedOut, c.how == std::string("no answer in time"));
    if (!c.answer) {
      EXPECT_TRUE(failure.started);
      EXPECT_EQ(failure.how.rfind(c.how, 0), 0u) << failure.how;
    }
  }
}

TEST(WorldFile, FailedSaveLeavesTheOldFile) {
  Simulation sim;
  testing::BuildWorld(sim, {.cellSize = 4, .agents = 3, .mode = kRandomDestinations});
  EXPECT_NE(SaveWorld("/nonexistent-dir/w.h5", sim, {}), "");
  const std::string path = TempPath("keep");
  std::ofstream(path) << "old";
  Simulation empty;
  EXPECT_NE(SaveWorld(path, empty, {}), "");
  EXPECT_EQ(std::filesystem::file_size(path), 3u);
  std::filesystem::remove(path);
}

// The chart keeps each step's deliveries; worlds saved before it did open
// with none, and a value that is no count is refused.
TEST(WorldFile, ChartDeliveriesAreKeptAndWorldsWithoutThemOpen) {
  Simulation sim;
  testing::BuildWorld(sim, {.cellSize = 10, .agents = 5, .mode = 0});
  const std::vector<ChartPoint> chart = {{1, 2, 3, 4, 7}, {2, 2, 3, 4, std::nullopt}, {3, 2, 3, 4, 0}};
  const std::string path = TempPath("deliveries");
  const struct {
    const char* name;
    std::function<void(const std::string&)> apply;
    std::vector<std::optional<int32_t>> expected;  // empty: refused
  } kCases[] = {
      {"as saved", [](const std::string&) {}, {7, std::nullopt, 0}},
      {"without the table",
       [](const std::string& p) {
         const hid_t f = H5Fopen(p.c_str(), H5F_ACC_RDWR, H5P_DEFAULT);
         H5Ldelete(f, "/chart/deliveries", H5P_DEFAULT);
         H5Fclose(f);
       },
       {std::nullopt, std::nullopt, std::nullopt}},
      {"negative", [](const std::string& p) { Write(p, "/chart/deliveries", -2); }, {}},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    ASSERT_EQ(SaveWorld(path, sim, chart), "");
    c.apply(path);
    Simulation opened;
    std::vector<ChartPoint> points;
    const std::string error = OpenWorld(path, opened, points);
    if (c.expected.empty()) {
      EXPECT_NE(error.find("chart point 0 has a delivery count that is no count"), std::string::npos) << error;
      continue;
    }
    ASSERT_EQ(error, "");
    ASSERT_EQ(points.size(), chart.size());
    for (std::size_t i = 0; i < points.size(); ++i) {
      EXPECT_EQ(points[i].deliveries, c.expected[i]) << i;
      EXPECT_EQ(points[i].trackMax, chart[i].trackMax);
    }
  }
  std::filesystem::remove(path);
}

}  // namespace
}  // namespace quorvan
