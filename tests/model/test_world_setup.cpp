// Building a world: the grid for each cell size, distances and home scent,
// the four landscapes, the nest, the agents, and setups that fail.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "recording_display.h"
#include "world_fixture.h"

namespace quorvan {
namespace {

// The grid of each cell size on the 404-pixel panel, and the columns (and
// rows) of the raster destinations.
struct GridCase {
  int32_t cellSize, halfCell, count, nest;
  std::vector<int32_t> raster;
};
const GridCase kGrids[] = {
    {2, 1, 202, 101, {20, 61, 101, 141, 182}}, {3, 2, 135, 68, {14, 40, 68, 94, 122}},
    {4, 2, 101, 50, {10, 30, 50, 71, 91}},     {5, 2, 81, 40, {8, 24, 40, 57, 73}},
    {6, 3, 67, 34, {7, 20, 34, 47, 60}},       {7, 4, 58, 29, {6, 17, 29, 41, 52}},
    {8, 4, 50, 25, {5, 15, 25, 35, 45}},       {9, 4, 45, 22, {4, 14, 22, 32, 40}},
    {10, 5, 40, 20, {4, 12, 20, 28, 36}},
};

bool InNest(const Simulation& sim, int32_t c, int32_t r) {
  return std::abs(c - sim.NestColumn()) <= 1 && std::abs(r - sim.NestRow()) <= 1;
}

int CountKind(const Simulation& sim, int32_t kind) {
  int n = 0;
  for (int32_t r = 0; r < sim.RowCount; ++r) {
    for (int32_t c = 0; c < sim.ColCount; ++c) n += sim.Cells.Kind(c, r) == kind;
  }
  return n;
}

// The cell whose centre is the destination's point.
std::pair<int32_t, int32_t> CellOf(const Simulation& sim, const TDestination& d) {
  EXPECT_EQ((d.X - sim.HalfCell) % sim.CellSize, 0) << "X " << d.X << " is a cell centre";
  EXPECT_EQ((d.Y - sim.HalfCell) % sim.CellSize, 0) << "Y " << d.Y << " is a cell centre";
  return {(d.X - sim.HalfCell) / sim.CellSize, (d.Y - sim.HalfCell) / sim.CellSize};
}

// Does a block of half-width h around `centre` cover `index` on a torus of `size`?
bool Covers(int32_t centre, int32_t h, int32_t index, int32_t size) {
  for (int32_t d = -h; d <= h; ++d) {
    if (((centre + d) % size + size) % size == index) return true;
  }
  return false;
}

TEST(SetupWorld, GridForEveryCellSize) {
  for (const auto& g : kGrids) {
    Simulation sim;
    testing::BuildWorld(sim, {.cellSize = g.cellSize, .agents = 3});
    EXPECT_EQ(sim.CellSize, g.cellSize);
    EXPECT_EQ(sim.HalfCell, g.halfCell) << "cell size " << g.cellSize;
    EXPECT_EQ(sim.ColCount, g.count) << "cell size " << g.cellSize;
    EXPECT_EQ(sim.RowCount, g.count) << "cell size " << g.cellSize;
    EXPECT_EQ(sim.StopTime, 10000);
    EXPECT_EQ(sim.StepCount, 0);

    // Cell centres and painted half-size.
    for (int32_t c : {0, 1, 2, g.count - 1}) {
      for (int32_t r : {0, 1, g.count - 1}) {
        EXPECT_EQ(sim.Cells(c, r).PositionX, c * g.cellSize + g.halfCell);
        EXPECT_EQ(sim.Cells(c, r).PositionY, r * g.cellSize + g.halfCell);
        EXPECT_EQ(sim.Cells(c, r).Size, g.halfCell);
      }
    }

    // The nest: 3 x 3 cells around the centre cell, which is the origin of
    // the distances; nothing else is marked without a landscape.
    EXPECT_EQ(sim.Cells(g.nest, g.nest).Distance, 0) << "cell size " << g.cellSize;
    EXPECT_EQ(sim.Cells.HomeScent(g.nest, g.nest), 10000.0);
    for (int32_t r = 0; r < g.count; ++r) {
      for (int32_t c = 0; c < g.count; ++c) {
        const bool nest = std::abs(c - g.nest) <= 1 && std::abs(r - g.nest) <= 1;
        ASSERT_EQ(sim.Cells.Kind(c, r), nest ? kNest : kFree)
            << "cell size " << g.cellSize << ", cell (" << c << ", " << r << ")";
      }
    }
    EXPECT_TRUE(sim.Destinations.empty());

    // The agents start on the nest cell.
    for (const TAgent& a : sim.Agents) {
      EXPECT_EQ(a.CellX, g.nest);
      EXPECT_EQ(a.CellY, g.nest);
      EXPECT_EQ(a.PixelX, g.nest * g.cellSize + g.halfCell);
      EXPECT_EQ(a.PixelY, g.nest * g.cellSize + g.halfCell);
    }
  }
}

TEST(SetupWorld, DistancesAndHomeScentOnTheDefaultGrid) {
  Simulation sim;
  testing::BuildWorld(sim, {});
  const struct {
    int32_t c, r, x, y, distance;
    double homeScent;
  } cases[] = {
      {0, 0, 1, 1, 286, 7140},         {201, 201, 403, 403, 283, 7170}, {101, 101, 203, 203, 0, 10000},
      {102, 101, 205, 203, 2, 9980},   {101, 0, 203, 1, 202, 7980},     {0, 101, 1, 203, 202, 7980},
      {201, 101, 403, 203, 200, 8000}, {111, 111, 223, 223, 28, 9720},
  };
  for (const auto& c : cases) {
    const TCell& cell = sim.Cells(c.c, c.r);
    EXPECT_EQ(cell.PositionX, c.x);
    EXPECT_EQ(cell.PositionY, c.y);
    EXPECT_EQ(cell.Distance, c.distance) << "(" << c.c << ", " << c.r << ")";
    EXPECT_EQ(sim.Cells.HomeScent(c.c, c.r), c.homeScent) << "(" << c.c << ", " << c.r << ")";
  }
}

TEST(SetupWorld, CellsStartReset) {
  Simulation sim;
  testing::BuildWorld(sim, {.cellSize = 4, .mode = kNoLandscape});
  EXPECT_EQ(sim.Cells.ShownMax, 1.0L);
  EXPECT_EQ(sim.Cells.ShownMin, 0.0L);
  EXPECT_EQ(sim.Limbo.Count(), 101u * 101u);
  for (int32_t r = 0; r < sim.RowCount; ++r) {
    for (int32_t c = 0; c < sim.ColCount; ++c) {
      const TCell& cell = sim.Cells(c, r);
      ASSERT_EQ(cell.Grey, 255);
      ASSERT_EQ(sim.Cells.LastPainted(c, r), 0.0);
      ASSERT_EQ(cell.FillColor, 0);
      ASSERT_EQ(sim.Cells.Track(c, r), 0.0);
      ASSERT_EQ(sim.Cells.ReturnTrack(c, r), 0.0);
      ASSERT_EQ(cell.DestIndex, 0);
    }
  }
}

TEST(SetupWorld, AgentsStartOnTheNestSearchingWithARandomHeading) {
  Simulation sim;
  testing::BuildWorld(sim, {.agents = 500});
  ASSERT_EQ(sim.Agents.size(), 500u);
  std::set<int32_t> headings;
  for (const TAgent& a : sim.Agents) {
    EXPECT_EQ(a.CellX, 101);
    EXPECT_EQ(a.CellY, 101);
    EXPECT_EQ(a.PixelX, 203);
    EXPECT_EQ(a.PixelY, 203);
    EXPECT_EQ(a.Radius, 2);
    EXPECT_EQ(a.State, kSearching);
    EXPECT_EQ(a.Successful, 0);
    EXPECT_EQ(a.Source, 0);
    EXPECT_EQ(a.StepX, 0);
    EXPECT_EQ(a.StepY, 0);
    EXPECT_TRUE(a.Directions.empty());
    EXPECT_EQ(a.ScentSum, 0.0);
    EXPECT_GE(a.Heading, 0);
    EXPECT_LE(a.Heading, 359);
    headings.insert(a.Heading);
  }
  EXPECT_GT(headings.size(), 200u) << "headings spread over the circle";
}

TEST(SetupWorld, NoAgentsForACountOfZeroOrLess) {
  for (const char* count : {"0", "-5", "-2147483648"}) {
    Simulation sim;
    sim.Rand.FixSeed(1);
    sim.settings.Edit_anzAg = count;
    EXPECT_EQ(sim.SetupWorld(), "") << count;
    EXPECT_TRUE(sim.HasWorld());
    EXPECT_TRUE(sim.Agents.empty()) << count;
    EXPECT_EQ(sim.Destinations.size(), 10u);
  }
}

TEST(SetupWorld, OnlyTheNestWithoutALandscapeMode) {
  for (int32_t mode : {-1, 4, 100}) {
    Simulation sim;
    sim.settings.E_noise = "77";
    testing::BuildWorld(sim, {.mode = mode});
    EXPECT_TRUE(sim.Destinations.empty());
    EXPECT_EQ(CountKind(sim, kNest), 9);
    EXPECT_EQ(CountKind(sim, kFree), 202 * 202 - 9);
    EXPECT_EQ(sim.settings.E_noise, "77") << "mode " << mode;
  }
}

TEST(SetupWorld, CircleDestinationsAreEveryCellBeyond180Pixels) {
  Simulation sim;
  testing::BuildWorld(sim, {.mode = kCircleDestinations});
  ASSERT_EQ(sim.Destinations.size(), 15199u);
  EXPECT_EQ(sim.Destinations[0].X, 1);
  EXPECT_EQ(sim.Destinations[0].Y, 1);
  for (int32_t r = 0; r < sim.RowCount; ++r) {
    for (int32_t c = 0; c < sim.ColCount; ++c) {
      const TCell& cell = sim.Cells(c, r);
      if (cell.Distance > 180) {
        ASSERT_EQ(sim.Cells.Kind(c, r), kDestination) << "(" << c << ", " << r << ")";
        ASSERT_GE(cell.DestIndex, 0);
        ASSERT_LT(static_cast<std::size_t>(cell.DestIndex), sim.Destinations.size());
        const TDestination& d = sim.Destinations[static_cast<std::size_t>(cell.DestIndex)];
        ASSERT_EQ(d.X, cell.PositionX) << "(" << c << ", " << r << ")";
        ASSERT_EQ(d.Y, cell.PositionY) << "(" << c << ", " << r << ")";
      } else {
        ASSERT_NE(sim.Cells.Kind(c, r), kDestination) << "(" << c << ", " << r << ") at " << cell.Distance;
      }
    }
  }
  // Entries follow the rows from the top, and the columns within a row.
  for (std::size_t i = 1; i < sim.Destinations.size(); ++i) {
    const auto& a = sim.Destinations[i - 1];
    const auto& b = sim.Destinations[i];
    ASSERT_TRUE(a.Y < b.Y || (a.Y == b.Y && a.X < b.X)) << "entry " << i;
  }
}

// Every cell of a random-block landscape, derived from the entries: the last
// block covering a cell gives its index, obstacles and the nest cover blocks.
void ExpectRandomBlocks(const Simulation& sim, int32_t halfWidth, const std::vector<int32_t>& obstacleCentres,
                        int& overlaps) {
  const int32_t n = sim.ColCount;
  std::vector<std::pair<int32_t, int32_t>> centres;
  for (const TDestination& d : sim.Destinations) centres.push_back(CellOf(sim, d));
  for (int32_t r = 0; r < n; ++r) {
    for (int32_t c = 0; c < n; ++c) {
      int32_t last = -1;
      int covering = 0;
      for (std::size_t i = 0; i < centres.size(); ++i) {
        if (Covers(centres[i].first, halfWidth, c, n) && Covers(centres[i].second, halfWidth, r, n)) {
          last = static_cast<int32_t>(i);
          ++covering;
        }
      }
      bool obstacleColumn = false;
      bool obstacleRow = false;
      for (int32_t o : obstacleCentres) {
        obstacleColumn = obstacleColumn || Covers(o, 4, c, n);
        obstacleRow = obstacleRow || Covers(o, 4, r, n);
      }
      const TCell& cell = sim.Cells(c, r);
      if (InNest(sim, c, r)) {
        ASSERT_EQ(sim.Cells.Kind(c, r), kNest);
      } else if (obstacleColumn && obstacleRow) {
        ASSERT_EQ(sim.Cells.Kind(c, r), kObstacle) << "(" << c << ", " << r << ")";
      } else if (last >= 0) {
        ASSERT_EQ(sim.Cells.Kind(c, r), kDestination) << "(" << c << ", " << r << ")";
        ASSERT_EQ(cell.DestIndex, last) << "(" << c << ", " << r << ")";
        if (covering > 1) ++overlaps;
      } else {
        ASSERT_EQ(sim.Cells.Kind(c, r), kFree) << "(" << c << ", " << r << ")";
      }
    }
  }
}

TEST(SetupWorld, RandomDestinationsAreThreeByThreeBlocks) {
  int overlaps = 0;
  for (int32_t size : {2, 10}) {
    for (uint64_t seed = 1; seed <= 20; ++seed) {
      Simulation sim;
      testing::BuildWorld(sim, {.cellSize = size, .mode = kRandomDestinations, .seed = seed});
      ASSERT_EQ(sim.Destinations.size(), 10u);
      ExpectRandomBlocks(sim, 1, {}, overlaps);
    }
  }
  EXPECT_GT(overlaps, 0) << "some seed laid overlapping blocks";
}

// The setup's draws against a stream replayed from the same seed: placing
// the agents reseeds and draws one heading each, in list order; the
// landscape reseeds and draws, block by block, the column before the row.
TEST(SetupWorld, HeadingsThenBlockColumnsBeforeRowsFromTheStream) {
  const struct {
    int32_t mode;
    std::size_t blocks;
  } cases[] = {{kRandomDestinations, 10}, {kManhattanLandscape, 20}};
  for (const auto& c : cases) {
    for (uint64_t seed : {1u, 2u, 3u}) {
      SCOPED_TRACE(::testing::Message() << "mode " << c.mode << ", seed " << seed);
      Simulation sim;
      testing::BuildWorld(sim, {.agents = 5, .mode = c.mode, .seed = seed});
      RandomSource replay(seed);
      replay.Reseed();
      for (const TAgent& a : sim.Agents) EXPECT_EQ(a.Heading, replay.Random(360));
      replay.Reseed();
      ASSERT_EQ(sim.Destinations.size(), c.blocks);
      for (const TDestination& d : sim.Destinations) {
        const int32_t column = replay.Random(202);
        const int32_t row = replay.Random(202);
        EXPECT_EQ(d.X, column * 2 + 1);
        EXPECT_EQ(d.Y, row * 2 + 1);
      }
    }
  }
}

// Block centres of the Manhattan raster on 202 columns.
const std::vector<int32_t> kManhattan202 = {13,  27,  40,  54,  67,  81,  94, 108,
                                            121, 135, 148, 162, 175, 189, 202};

TEST(SetupWorld, ManhattanOnCellSizeTwo) {
  int overlaps = 0;
  for (uint64_t seed = 1; seed <= 30; ++seed) {
    Simulation sim;
    testing::BuildWorld(sim, {.mode = kManhattanLandscape, .seed = seed});
    ASSERT_EQ(sim.Destinations.size(), 20u);
    ExpectRandomBlocks(sim, 2, kManhattan202, overlaps);
  }
  EXPECT_GT(overlaps, 0) << "some seed laid overlapping blocks";

  // The streets, written out.
  Simulation sim;
  testing::BuildWorld(sim, {.mode = kManhattanLandscape, .seed = 5});
  auto columnHasObstacle = [&](int32_t c) {
    for (int32_t r = 0; r < 202; ++r) {
      if (sim.Cells.Kind(c, r) == kObstacle) return true;
    }
    return false;
  };
  for (int32_t c : {5, 6, 7, 8, 18, 19, 20, 21, 22, 32, 33, 34, 35, 99, 100, 101, 102, 103}) {
    EXPECT_FALSE(columnHasObstacle(c)) << "street column " << c;
  }
  for (int32_t c : {198, 199, 200, 201, 0, 1, 2, 3, 4, 9, 17, 23, 31, 36, 98, 104}) {
    EXPECT_TRUE(columnHasObstacle(c)) << "block column " << c;
  }
  // Rows alike: the block at row 202 wraps onto rows 0..4.
  EXPECT_EQ(sim.Cells.Kind(0, 0), kObstacle);
  EXPECT_EQ(sim.Cells.Kind(0, 4), kObstacle);
  EXPECT_NE(sim.Cells.Kind(0, 5), kObstacle);
  EXPECT_EQ(sim.Cells.Kind(201, 198), kObstacle);
}

TEST(SetupWorld, ManhattanOnLargerCellsIsAllObstacleButTheNest) {
  for (int32_t size = 3; size <= 10; ++size) {
    Simulation sim;
    testing::BuildWorld(sim, {.cellSize = size, .mode = kManhattanLandscape});
    EXPECT_EQ(sim.Destinations.size(), 20u) << "the entries stay, without cells";
    EXPECT_EQ(CountKind(sim, kNest), 9) << "cell size " << size;
    EXPECT_EQ(CountKind(sim, kObstacle), sim.ColCount * sim.RowCount - 9) << "cell size " << size;
  }
}

TEST(SetupWorld, RasterDestinationsForEveryCellSize) {
  for (const auto& g : kGrids) {
    Simulation sim;
    testing::BuildWorld(sim, {.cellSize = g.cellSize, .mode = kRasterDestinations});
    ASSERT_EQ(sim.Destinations.size(), 25u);
    for (int32_t i = 0; i < 5; ++i) {
      for (int32_t j = 0; j < 5; ++j) {
        const int32_t n = 5 * i + j;
        const int32_t c = g.raster[static_cast<std::size_t>(j)];
        const int32_t r = g.raster[static_cast<std::size_t>(i)];
        EXPECT_EQ(sim.Destinations[static_cast<std::size_t>(n)].X, c * g.cellSize + g.halfCell)
            << "cell size " << g.cellSize << ", entry " << n;
        EXPECT_EQ(sim.Destinations[static_cast<std::size_t>(n)].Y, r * g.cellSize + g.halfCell)
            << "cell size " << g.cellSize << ", entry " << n;
        for (int32_t dy = -1; dy <= 1; ++dy) {
          for (int32_t dx = -1; dx <= 1; ++dx) {
            if (InNest(sim, c + dx, r + dy)) continue;
            const TCell& cell = sim.Cells(c + dx, r + dy);
            EXPECT_EQ(sim.Cells.Kind(c + dx, r + dy), kDestination) << "cell size " << g.cellSize << ", entry " << n;
            EXPECT_EQ(cell.DestIndex, n) << "cell size " << g.cellSize << ", entry " << n;
          }
        }
      }
    }
    EXPECT_EQ(CountKind(sim, kDestination), 24 * 9) << "the centre block lies under the nest";
  }
}

TEST(SetupWorld, EachModeSetsTheReturnNoiseAndConsumeTexts) {
  const struct {
    int32_t mode;
    const char* noise;
    const char* consume;
  } cases[] = {{0, "30", "0,35"}, {1, "50", "0,35"},  {2, "30", "0,35"},
               {3, "30", "0,05"}, {-1, "77", "0,35"}, {5, "77", "0,35"}};
  for (const auto& c : cases) {
    Simulation sim;
    sim.settings.E_noise = "77";
    testing::BuildWorld(sim, {.cellSize = 10, .mode = c.mode});
    EXPECT_EQ(sim.settings.E_noise, c.noise) << "mode " << c.mode;
    EXPECT_EQ(sim.settings.E_CProbab, c.consume) << "mode " << c.mode;
  }

  // No mode puts "0,35" back.
  Simulation sim;
  testing::BuildWorld(sim, {.cellSize = 10, .mode = kManhattanLandscape});
  for (int32_t mode : {0, 1, 2, -1}) {
    testing::BuildWorld(sim, {.cellSize = 10, .mode = mode});
    EXPECT_EQ(sim.settings.E_CProbab, "0,05") << "mode " << mode;
  }
}

TEST(SetupWorld, ANewSetupStartsAFreshWorld) {
  Simulation sim;
  testing::BuildWorld(sim, {.agents = 50, .mode = kRandomDestinations});
  for (int i = 0; i < 20; ++i) ASSERT_TRUE(sim.DoStep().ok());
  sim.Destinations[3].Returns = 7;
  sim.AddDestination(10, 10);
  sim.Agents[0].Successful = 1;

  testing::BuildWorld(sim, {.agents = 50, .mode = kRandomDestinations});
  EXPECT_EQ(sim.StepCount, 0);
  ASSERT_EQ(sim.Destinations.size(), 10u);
  for (const TDestination& d : sim.Destinations) EXPECT_EQ(d.Returns, 0);
  for (const TAgent& a : sim.Agents) {
    EXPECT_EQ(a.Successful, 0);
    EXPECT_EQ(a.CellX, 101);
  }
  for (int32_t r = 0; r < sim.RowCount; ++r) {
    for (int32_t c = 0; c < sim.ColCount; ++c) {
      ASSERT_EQ(sim.Cells.Track(c, r), 0.0);
      ASSERT_EQ(sim.Cells.ReturnTrack(c, r), 0.0);
    }
  }
}

// ---- setups that fail -------------------------------------------------------

struct BadSetup {
  const char* what;
  Settings settings;
  std::string message;  // empty: any message
};

std::vector<BadSetup> BadSetups() {
  auto with = [](auto change) {
    Settings s;
    s.SetupMode = 2;
    s.Edit_size = "4";
    s.Edit_anzAg = "7";
    change(s);
    return s;
  };
  return {
      {"empty cell size", with([](Settings& s) { s.Edit_size = ""; }), "'' is not a valid integer value"},
      {"cell size text", with([](Settings& s) { s.Edit_size = "big"; }),
       "'big' is not a valid integer value"},
      {"cell size 2.5", with([](Settings& s) { s.Edit_size = "2.5"; }), "'2.5' is not a valid integer value"},
      {"cell size 1", with([](Settings& s) { s.Edit_size = "1"; }), ""},
      {"cell size 11", with([](Settings& s) { s.Edit_size = "11"; }), ""},
      {"cell size 0", with([](Settings& s) { s.Edit_size = "0"; }), ""},
      {"cell size -4", with([](Settings& s) { s.Edit_size = "-4"; }), ""},
      {"stop time", with([](Settings& s) { s.E_stop = "soon"; }), "'soon' is not a valid integer value"},
      {"empty stop time", with([](Settings& s) { s.E_stop = ""; }), "'' is not a valid integer value"},
      {"agent count text", with([](Settings& s) { s.Edit_anzAg = "many"; }),
       "'many' is not a valid integer value"},
      {"agent count beyond 32 bits", with([](Settings& s) { s.Edit_anzAg = "99999999999"; }),
       "'99999999999' is not a valid integer value"},
      {"agent count too large to allocate", with([](Settings& s) { s.Edit_anzAg = "2147483647"; }), ""},
      {"cell size is read first", with([](Settings& s) {
         s.Edit_size = "x";
         s.E_stop = "y";
         s.Edit_anzAg = "z";
       }),
       "'x' is not a valid integer value"},
      {"stop time before agents", with([](Settings& s) {
         s.E_stop = "y";
         s.Edit_anzAg = "z";
       }),
       "'y' is not a valid integer value"},
  };
}

TEST(SetupWorld, ABadInputLeavesThePreviousWorldWhole) {
  for (const BadSetup& bad : BadSetups()) {
    testing::RecordingDisplay display;
    Simulation sim(&display);
    sim.settings.CB_decay = true;
    testing::BuildWorld(sim, {.agents = 40, .mode = kRandomDestinations, .seed = 3});
    for (int i = 0; i < 30; ++i) ASSERT_TRUE(sim.DoStep().ok());
    sim.settings.E_noise = "77";

    const uint64_t digest = WorldDigest(sim);
    const auto destinations = sim.Destinations;
    const int32_t cellSize = sim.CellSize;
    const int32_t columns = sim.ColCount;
    const int32_t stopTime = sim.StopTime;
    display.calls.clear();

    const bool decay = sim.settings.CB_decay;
    sim.settings = bad.settings;
    sim.settings.CB_decay = decay;
    const std::string error = sim.SetupWorld();
    if (bad.message.empty()) {
      EXPECT_NE(error, "") << bad.what;
    } else {
      EXPECT_EQ(error, bad.message) << bad.what;
    }
    EXPECT_TRUE(display.calls.empty()) << bad.what << ": the display was touched";
    EXPECT_EQ(WorldDigest(sim), digest) << bad.what;
    EXPECT_EQ(sim.Agents.size(), 40u) << bad.what;
    EXPECT_EQ(sim.StepCount, 30) << bad.what;
    EXPECT_EQ(sim.CellSize, cellSize) << bad.what;
    EXPECT_EQ(sim.ColCount, columns) << bad.what;
    EXPECT_EQ(sim.Cells.Columns(), columns) << bad.what;
    EXPECT_EQ(sim.StopTime, stopTime) << bad.what;
    EXPECT_EQ(sim.settings.E_noise, "30") << bad.what << ": no landscape was laid";
    ASSERT_EQ(sim.Destinations.size(), destinations.size()) << bad.what;
    for (std::size_t i = 0; i < destinations.size(); ++i) {
      EXPECT_EQ(sim.Destinations[i].X, destinations[i].X);
      EXPECT_EQ(sim.Destinations[i].Y, destinations[i].Y);
      EXPECT_EQ(sim.Destinations[i].Returns, destinations[i].Returns);
    }

    // The old world runs on.
    sim.settings.Edit_size = "4";
    sim.settings.E_stop = "10000";
    const StepResult step = sim.DoStep();
    EXPECT_TRUE(step.ok()) << bad.what << ": " << step.error;
    EXPECT_EQ(sim.StepCount, 31) << bad.what;
  }
}

TEST(SetupWorld, AFailedFirstSetupLeavesNoWorld) {
  for (const BadSetup& bad : BadSetups()) {
    Simulation sim;
    sim.settings = bad.settings;
    EXPECT_NE(sim.SetupWorld(), "") << bad.what;
    EXPECT_FALSE(sim.HasWorld()) << bad.what;
    EXPECT_TRUE(sim.Agents.empty()) << bad.what;
    EXPECT_FALSE(sim.DoStep().ok()) << bad.what;
  }
}

TEST(SetupWorld, ClearWorldKeepsOnlyTheDestinationsAndWorldValues) {
  Simulation sim;
  testing::BuildWorld(sim, {.cellSize = 8, .agents = 5, .mode = 2});
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(sim.DoStep().ok());
  sim.ClearWorld();
  EXPECT_FALSE(sim.HasWorld());
  EXPECT_TRUE(sim.Agents.empty());
  EXPECT_EQ(sim.StepCount, 0);
  EXPECT_EQ(sim.ColCount, 50);
  EXPECT_EQ(sim.Destinations.size(), 25u);
  // Nothing touches the released grid, though the world values still name its size.
  const uint64_t digest = WorldDigest(sim);
  EXPECT_FALSE(sim.DoStep().ok());
  sim.EditCellAt(100, 100, EditAction::Obstacles, 0);
  EXPECT_EQ(WorldDigest(sim), digest);
}

TEST(SetupWorld, DisplayCallsOfASetupInOrder) {
  testing::RecordingDisplay display;
  Simulation sim(&display);
  testing::BuildWorld(sim, {.cellSize = 10, .agents = 2, .mode = kRandomDestinations});
  // The old world (here none) is released first.
  const std::vector<std::string> expected = {"ReleaseLayers",     "ShowAngleLabels",  "CreateLayers",
                                             "PaintChangedCells", "DrawAgents",       "SettingTextsChanged",
                                             "PaintCell",         "CreateChartSeries"};
  EXPECT_EQ(display.calls, expected);
}

}  // namespace
}  // namespace quorvan
