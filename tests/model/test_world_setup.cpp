#include <gtest/gtest.h>

#include "world_fixture.h"

namespace quorvan {
namespace {

TEST(SetupWorld, DefaultGridIs202Cells) {
  Simulation sim;
  testing::BuildWorld(sim, {});
  EXPECT_EQ(sim.ColCount, 202);
  EXPECT_EQ(sim.RowCount, 202);
}

}  // namespace
}  // namespace quorvan
