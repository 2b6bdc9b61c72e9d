// Editing the landscape at a pixel point: the cell nearest to it, obstacle
// blocks, freed cells, destination cells, and points off the grid.

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "world_fixture.h"

namespace quorvan {
namespace {

std::vector<int32_t> Kinds(const Simulation& sim) {
  std::vector<int32_t> kinds;
  for (int32_t r = 0; r < sim.RowCount; ++r) {
    for (int32_t c = 0; c < sim.ColCount; ++c) kinds.push_back(sim.Cells.Kind(c, r));
  }
  return kinds;
}

TEST(CellIndexOf, RoundsThePixelOverTheCellSizeHalfToEven) {
  const struct {
    int32_t cellSize, pixel, index;
  } cases[] = {
      {2, 0, 0},     {2, 1, 0},     {2, 2, 1},     {2, 3, 2},    {2, 4, 2},  {2, 5, 2},   {2, 7, 4},
      {2, -1, 0},    {2, -3, -2},   {2, 403, 202}, {10, 5, 0},   {10, 6, 1}, {10, 15, 2}, {10, 25, 2},
      {10, 394, 39}, {10, 395, 40}, {8, 395, 49},  {8, 396, 50}, {3, 4, 1},  {3, 5, 2},
  };
  for (const auto& c : cases) {
    Simulation sim;
    testing::BuildWorld(sim, {.cellSize = c.cellSize});
    EXPECT_EQ(sim.CellIndexOf(c.pixel), c.index) << "cell size " << c.cellSize << ", pixel " << c.pixel;
  }
}

TEST(EditCellAt, ObstacleBlockAroundTheNearestCellWrapsAtTheEdges) {
  const struct {
    int32_t x, y;
    std::vector<int32_t> columns, rows;
  } cases[] = {
      {21, 41, {9, 10, 11}, {19, 20, 21}},  // 10.5 -> 10, 20.5 -> 20
      {50, 0, {24, 25, 26}, {201, 0, 1}},   // the top row's block reaches the last row
      {0, 402, {201, 0, 1}, {200, 201, 0}},
      {-1, -1, {201, 0, 1}, {201, 0, 1}},            // -0.5 rounds to cell 0
      {202, 202, {100, 101, 102}, {100, 101, 102}},  // over the nest
      {203, 203, {101, 102, 103}, {101, 102, 103}},  // 101.5 -> 102
  };
  for (const auto& c : cases) {
    Simulation sim;
    testing::BuildWorld(sim, {});
    auto expected = Kinds(sim);
    for (int32_t r : c.rows) {
      for (int32_t col : c.columns) expected[static_cast<std::size_t>(r * 202 + col)] = kObstacle;
    }
    sim.EditCellAt(c.x, c.y, EditAction::Obstacles, 0);
    EXPECT_EQ(Kinds(sim), expected) << "point (" << c.x << ", " << c.y << ")";
  }
}

TEST(EditCellAt, FreeingAndDestinationsChangeOnlyKindAndIndex) {
  Simulation sim;
  testing::BuildWorld(sim, {.cellSize = 10, .mode = kRasterDestinations});
  // Raster entry 6 (row 1, column 1) lies at cell (12, 12); the nest at (20, 20).
  sim.Cells.Track(12, 12) = 4.0;
  sim.Cells.ReturnTrack(12, 12) = 9.0;
  const TCell before = sim.Cells(12, 12);
  const double scentBefore = sim.Cells.HomeScent(12, 12);
  ASSERT_EQ(sim.Cells.Kind(12, 12), kDestination);
  ASSERT_EQ(before.DestIndex, 6);

  sim.EditCellAt(120, 124, EditAction::Free, 0);
  const TCell& freed = sim.Cells(12, 12);
  EXPECT_EQ(sim.Cells.Kind(12, 12), kFree);
  EXPECT_EQ(freed.DestIndex, 6) << "a freed cell keeps its old index";
  EXPECT_EQ(sim.Cells.Track(12, 12), 4.0);
  EXPECT_EQ(sim.Cells.ReturnTrack(12, 12), 9.0);
  EXPECT_EQ(freed.Distance, before.Distance);
  EXPECT_EQ(sim.Cells.HomeScent(12, 12), scentBefore);
  EXPECT_EQ(sim.Destinations.size(), 25u) << "entries stay";
  EXPECT_EQ(sim.Cells.Kind(11, 12), kDestination) << "one cell only";

  // The nest is edited like any cell.
  sim.EditCellAt(200, 200, EditAction::Free, 0);
  EXPECT_EQ(sim.Cells.Kind(20, 20), kFree);

  // A destination cell of a new entry.
  const int32_t added = sim.AddDestination(57, 333);
  ASSERT_EQ(added, 25);
  EXPECT_EQ(sim.Destinations[25].X, 57) << "the point itself, not a cell centre";
  EXPECT_EQ(sim.Destinations[25].Y, 333);
  EXPECT_EQ(sim.Destinations[25].Returns, 0);
  sim.EditCellAt(120, 124, EditAction::Destination, added);
  EXPECT_EQ(sim.Cells.Kind(12, 12), kDestination);
  EXPECT_EQ(sim.Cells(12, 12).DestIndex, 25);
  EXPECT_EQ(sim.Cells.Track(12, 12), 4.0);

  // An obstacle cell can become a destination too.
  sim.EditCellAt(300, 300, EditAction::Obstacles, 0);
  sim.EditCellAt(300, 300, EditAction::Destination, 3);
  EXPECT_EQ(sim.Cells.Kind(30, 30), kDestination);
  EXPECT_EQ(sim.Cells(30, 30).DestIndex, 3);
  EXPECT_EQ(sim.Cells.Kind(31, 30), kObstacle);
}

// Points whose nearest cell lies off the grid, destination indices that name
// no entry, and no action at all leave the world exactly as it was.
TEST(EditCellAt, EditsNothingOffTheGridOrForAnUnknownEntry) {
  const struct {
    int32_t cellSize, x, y;
    EditAction action;
    int32_t destIndex;
  } cases[] = {
      {8, 396, 100, EditAction::Obstacles, 0},  // column 50 of 50
      {8, 100, 396, EditAction::Free, 0},
      {8, 396, 396, EditAction::Destination, 0},
      {10, 395, 0, EditAction::Obstacles, 0},  // column 40 of 40
      {2, 403, 10, EditAction::Obstacles, 0},  // column 202 of 202
      {2, -3, 10, EditAction::Obstacles, 0},   // column -2
      {2, 10, -3, EditAction::Free, 0},
      {2, -5000, 100000, EditAction::Obstacles, 0},
      {2, 2147483647, -2147483647 - 1, EditAction::Obstacles, 0},
      {2, -410, 10, EditAction::Obstacles, 0},  // beyond one grid width
      {2, 820, 10, EditAction::Free, 0},
      {2, 21, 21, EditAction::Destination, 10},  // 10 entries: 0..9
      {2, 21, 21, EditAction::Destination, -1},
      {2, 21, 21, EditAction::None, 0},
  };
  for (const auto& c : cases) {
    Simulation sim;
    testing::BuildWorld(sim, {.cellSize = c.cellSize, .mode = kRandomDestinations});
    const uint64_t digest = WorldDigest(sim);
    const auto kinds = Kinds(sim);
    sim.EditCellAt(c.x, c.y, c.action, c.destIndex);
    EXPECT_EQ(WorldDigest(sim), digest)
        << "cell size " << c.cellSize << ", point (" << c.x << ", " << c.y << ")";
    EXPECT_EQ(Kinds(sim), kinds) << "cell size " << c.cellSize << ", point (" << c.x << ", " << c.y << ")";
  }
}

TEST(EditCellAt, TheLastCellsInsideTheGridCanBeEdited) {
  const struct {
    int32_t cellSize, x, column;
  } cases[] = {{8, 395, 49}, {10, 394, 39}, {2, 402, 201}, {2, -1, 0}};
  for (const auto& c : cases) {
    Simulation sim;
    testing::BuildWorld(sim, {.cellSize = c.cellSize});
    sim.AddDestination(c.x, c.x);
    sim.EditCellAt(c.x, c.x, EditAction::Destination, 0);
    EXPECT_EQ(sim.Cells.Kind(c.column, c.column), kDestination)
        << "cell size " << c.cellSize << ", x " << c.x;
  }
}

TEST(EditCellAt, WithoutAWorldNothingHappens) {
  Simulation sim;
  sim.EditCellAt(10, 10, EditAction::Obstacles, 0);
  EXPECT_FALSE(sim.HasWorld());
}

}  // namespace
}  // namespace quorvan
