#include <gtest/gtest.h>

#include "settings.h"

namespace quorvan {
namespace {

TEST(TextToInt, RejectsGarbageWithTheIntegerMessage) {
  const auto v = TextToInt("abc");
  EXPECT_FALSE(v);
  EXPECT_EQ(v.error, "'abc' is not a valid integer value");
}

}  // namespace
}  // namespace quorvan
