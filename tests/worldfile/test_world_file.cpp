// Saved worlds go on exactly; damaged files are refused and change nothing.

#include <gtest/gtest.h>
#include <hdf5.h>

#include <filesystem>
#include <fstream>
#include <functional>

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
