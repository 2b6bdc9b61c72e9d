#include <gtest/gtest.h>

#include "Calcer.h"

namespace quorvan {
namespace {

TEST(CellDistance, RoundsTheEuclideanDistance) {
  EXPECT_EQ(CellDistance(0, 0, 3, 4), 5);
  EXPECT_EQ(CellDistance(1, 1, 203, 203), 286);
}

}  // namespace
}  // namespace quorvan
