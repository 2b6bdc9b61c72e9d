#include <gtest/gtest.h>

#include "random_source.h"

namespace quorvan {
namespace {

TEST(RandomSource, ZeroBoundGivesZero) {
  RandomSource rnd(1);
  EXPECT_EQ(rnd.Random(0), 0);
}

}  // namespace
}  // namespace quorvan
