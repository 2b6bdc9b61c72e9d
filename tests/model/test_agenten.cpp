#include <gtest/gtest.h>

#include "agenten.h"
#include "random_source.h"

namespace quorvan {
namespace {

TEST(RandomWalk, TurningRangeZeroStepsAlongTheHeading) {
  RandomSource rnd(1);
  TAgent a;
  a.Heading = 30;
  a.randomWalk(0, rnd);
  EXPECT_EQ(a.StepX, 1);
  EXPECT_EQ(a.StepY, 1);
}

}  // namespace
}  // namespace quorvan
