#include <gtest/gtest.h>

#include "numerics.h"

namespace quorvan {
namespace {

TEST(RoundToInt32, HalvesGoToEven) {
  EXPECT_EQ(RoundToInt32(2.5L), 2);
  EXPECT_EQ(RoundToInt32(67.5L), 68);
}

}  // namespace
}  // namespace quorvan
