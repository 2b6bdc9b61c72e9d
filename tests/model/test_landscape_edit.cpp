#include <gtest/gtest.h>

#include "world_fixture.h"

namespace quorvan {
namespace {

TEST(EditCellAt, FreesTheNearestCell) {
  Simulation sim;
  testing::BuildWorld(sim, {});
  sim.EditCellAt(202, 202, EditAction::Free, 0);
  EXPECT_EQ(sim.Cells(101, 101).Kind, kFree);
}

}  // namespace
}  // namespace quorvan
