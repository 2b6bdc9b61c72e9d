// Rounding, direction angles, the random walk's steps and the cone's sectors.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>

#include "numerics.h"

namespace quorvan {
namespace {

TEST(RoundToInt32, HalvesGoToTheEvenNeighbour) {
  const struct {
    long double in;
    int32_t expected;
  } cases[] = {
      {0.5L, 0},
      {1.5L, 2},
      {2.5L, 2},
      {3.5L, 4},
      {67.5L, 68},
      {-2.5L, -2},
      {-0.5L, 0},
      {-1.5L, -2},
      {30.4L, 30},
      {30.6L, 31},
      {-30.6L, -31},
      {2147483647.0L, 2147483647},
      {2147483646.5L, 2147483646},
      {-2147483648.0L, -2147483647 - 1},
      {-2147483648.5L, -2147483647 - 1},
  };
  for (const auto& c : cases) {
    const auto r = RoundToInt32(c.in);
    ASSERT_TRUE(r.has_value()) << static_cast<double>(c.in);
    EXPECT_EQ(*r, c.expected) << static_cast<double>(c.in);
  }
}

TEST(RoundToInt32, NothingForValuesBeyond32BitsOrNotFinite) {
  const long double cases[] = {
      2147483647.5L,  // rounds to 2^31
      2147483648.0L,
      -2147483649.0L,
      -2147483649.5L,
      1e30L,
      -1e30L,
      std::numeric_limits<long double>::infinity(),
      -std::numeric_limits<long double>::infinity(),
      std::numeric_limits<long double>::quiet_NaN(),
  };
  for (long double v : cases) EXPECT_FALSE(RoundToInt32(v).has_value()) << static_cast<double>(v);
}

TEST(DirectionAngle, EightNeighboursAndTheOwnCell) {
  const struct {
    int32_t dx, dy, angle;
  } cases[] = {
      {1, 0, 0},      {1, 1, 45},   {0, 1, 90},   {-1, 1, 135}, {-1, 0, 180},
      {-1, -1, -135}, {0, -1, -90}, {1, -1, -45}, {0, 0, 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(DirectionAngle(c.dx, c.dy), c.angle) << "(" << c.dx << ", " << c.dy << ")";
  }
}

// The random walk's step for every heading a turn can produce, row by row.
TEST(WalkStepFor, EveryHeadingFromMinus180To540) {
  const struct {
    int32_t from, to, x, y;
  } rows[] = {
      {-180, -150, -1, 0}, {-149, -120, -1, -1}, {-119, -60, 0, -1}, {-59, -30, 1, -1}, {-29, 29, 1, 0},
      {30, 59, 1, 1},      {60, 119, 0, 1},      {120, 149, -1, 1},  {150, 209, -1, 0}, {210, 239, -1, -1},
      {240, 299, 0, -1},   {300, 329, 1, -1},    {330, 389, 1, 0},   {390, 419, 1, 1},  {420, 479, 0, 1},
      {480, 509, -1, 1},   {510, 540, -1, 0},
  };
  int32_t next = -180;
  for (const auto& row : rows) {
    ASSERT_EQ(row.from, next) << "the rows cover every heading once";
    for (int32_t h = row.from; h <= row.to; ++h) {
      const WalkStep s = WalkStepFor(h);
      EXPECT_EQ(s.x, row.x) << "heading " << h;
      EXPECT_EQ(s.y, row.y) << "heading " << h;
    }
    next = row.to + 1;
  }
  EXPECT_EQ(next, 541);
}

TEST(WalkStepFor, HeadingsBeyondTheUsualRangeStillGiveANeighbourStep) {
  // 900 = 180 + 720; -900 = 180 - 1080; 100030 = 30 + 360 * 277.
  EXPECT_EQ(WalkStepFor(900).x, -1);
  EXPECT_EQ(WalkStepFor(900).y, 0);
  EXPECT_EQ(WalkStepFor(-900).x, -1);
  EXPECT_EQ(WalkStepFor(-900).y, 0);
  for (int64_t h : {100030LL, -100000LL, 2147483647LL, -2147483648LL}) {
    const WalkStep s = WalkStepFor(h);
    EXPECT_GE(s.x, -1) << h;
    EXPECT_LE(s.x, 1) << h;
    EXPECT_GE(s.y, -1) << h;
    EXPECT_LE(s.y, 1) << h;
  }
}

// Sector of a whole-number cone edge, by the edge taken modulo 360.
int ExpectedSector(int64_t edge) {
  int64_t a = edge % 360;
  if (a < 0) a += 360;
  if (a <= 22) return 8;
  if (a <= 67) return 1;
  if (a <= 113) return 2;
  if (a <= 157) return 3;
  if (a <= 203) return 4;
  if (a <= 247) return 5;
  if (a <= 293) return 6;
  if (a <= 337) return 7;
  return 8;
}

TEST(SectorOfEdge, EveryEdgeAHeadingAndThresholdCanForm) {
  // H in 0..360 and T in 0..180 give edges from -180 to 540.
  for (int64_t edge = -180; edge <= 540; ++edge) {
    EXPECT_EQ(SectorOfEdge(edge), ExpectedSector(edge)) << "edge " << edge;
  }
}

TEST(SectorOfEdge, HalfDegreeEdgesRoundToEven) {
  // edge - 22.5: 44.5 -> 44, 45.5 -> 46, 90.5 -> 90, 91.5 -> 92, 359.5 -> 360, 0.5 -> 0.
  EXPECT_EQ(SectorOfEdge(67), 1);
  EXPECT_EQ(SectorOfEdge(68), 2);
  EXPECT_EQ(SectorOfEdge(113), 2);
  EXPECT_EQ(SectorOfEdge(114), 3);
  EXPECT_EQ(SectorOfEdge(382), 8);
  EXPECT_EQ(SectorOfEdge(23), 1);
  // 22 - 22.5 = -0.5 normalises to 359.5 -> 360.
  EXPECT_EQ(SectorOfEdge(22), 8);
}

TEST(SectorOfEdge, EdgesFarOutsideOnePeriodStillFindTheirSector) {
  const int64_t edges[] = {
      -181, -540, -5000, -100000, 541, 900, 100000, 2147483647LL + 180, -2147483648LL - 180};
  for (int64_t edge : edges) {
    EXPECT_EQ(SectorOfEdge(edge), ExpectedSector(edge)) << "edge " << edge;
  }
}

}  // namespace
}  // namespace quorvan
