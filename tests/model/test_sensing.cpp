#include <gtest/gtest.h>

#include "world_fixture.h"

namespace quorvan {
namespace {

TEST(SenseNeighbourhood, ThresholdZeroLooksAhead) {
  Simulation sim;
  testing::BuildWorld(sim, {.cellSize = 10, .agents = 1});
  sim.Agents[0].Heading = 0;
  sim.SenseNeighbourhood(0, 0);
  ASSERT_EQ(sim.Agents[0].Directions.size(), 1u);
  EXPECT_EQ(sim.Agents[0].Directions[0], (Direction{1, 0}));
}

}  // namespace
}  // namespace quorvan
