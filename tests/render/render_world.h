#pragma once
// A small world with the layer painter as its display, for the tests of
// the painting.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "layer_painter.h"
#include "simulation.h"

namespace quorvan::testing {

struct RenderWorld {
  explicit RenderWorld(int32_t cellSize = 2, int32_t agents = 0, int32_t mode = kNoLandscape, uint64_t seed = 7) {
    sim.SetDisplay(&painter);
    sim.Rand.FixSeed(seed);
    sim.settings.Edit_size = std::to_string(cellSize);
    sim.settings.Edit_anzAg = std::to_string(agents);
    sim.settings.SetupMode = mode;
    const std::string error = sim.SetupWorld();
    EXPECT_EQ(error, "");
  }
  RenderWorld(const RenderWorld&) = delete;
  RenderWorld& operator=(const RenderWorld&) = delete;

  /// The square of cell (c, r) starts at pixel (c * CellSize, r * CellSize)
  /// for even cell sizes.
  int32_t Left(int32_t column) const { return sim.Cells(column, 0).PositionX - sim.Cells(column, 0).Size; }
  int32_t Top(int32_t row) const { return sim.Cells(0, row).PositionY - sim.Cells(0, row).Size; }

  Simulation sim;
  LayerPainter painter{sim};
};

}  // namespace quorvan::testing
