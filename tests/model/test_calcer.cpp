// Geometry of the torus: distances, wrapping by one period, angle normalisation.

#include <gtest/gtest.h>

#include <cstdint>

#include "Calcer.h"

namespace quorvan {
namespace {

struct DistanceCase {
  int32_t x1, y1, x2, y2;
  int32_t expected;
};

TEST(CellDistance, RoundsTheDistanceBetweenTwoPoints) {
  const DistanceCase cases[] = {
      {0, 0, 3, 4, 5},           {5, 7, 5, 7, 0},         {1, 1, 203, 203, 286},  // 285.67
      {403, 403, 203, 203, 283},                                                  // 282.84
      {203, 203, 1, 1, 286},  // order of the points does not matter
      {0, 0, 1, 1, 1},        // 1.41
      {0, 0, 1, 2, 2},        // 2.24
      {0, 0, 2, 3, 4},        // 3.61
      {10, 0, -10, 0, 20},    // negative coordinates
      {0, -7, 0, 0, 7},          {1, 203, 203, 203, 202},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CellDistance(c.x1, c.y1, c.x2, c.y2), c.expected)
        << "(" << c.x1 << ", " << c.y1 << ") to (" << c.x2 << ", " << c.y2 << ")";
  }
}

struct WrapCase {
  int32_t in;
  int32_t expected;
};

TEST(WrapCell, CorrectsEachAxisByOnePeriodOnly) {
  const WrapCase cases[] = {
      {-1, 201}, {202, 0},   {201, 201}, {0, 0},     {100, 100},
      {-202, 0}, {-203, -1}, {404, 202}, {403, 201}, {405, 203},
  };
  for (const auto& c : cases) {
    int32_t column = c.in;
    int32_t row = 5;
    WrapCell(column, row, 202, 50);
    EXPECT_EQ(column, c.expected) << "column " << c.in;
    EXPECT_EQ(row, 5) << "row untouched while column " << c.in << " wraps";
  }
}

TEST(WrapCell, EachAxisUsesItsOwnSize) {
  int32_t column = 50;
  int32_t row = 50;
  WrapCell(column, row, 202, 50);
  EXPECT_EQ(column, 50);
  EXPECT_EQ(row, 0);

  column = -1;
  row = -1;
  WrapCell(column, row, 202, 50);
  EXPECT_EQ(column, 201);
  EXPECT_EQ(row, 49);
}

TEST(NormalizeAngle, MovesByOnePeriodOnly) {
  const WrapCase cases[] = {
      {0, 0},     {-1, 359},   {-90, 270}, {-360, 0},  {360, 360}, {361, 1},   {400, 40},
      {720, 360}, {-400, -40}, {-361, -1}, {721, 361}, {180, 180}, {359, 359},
  };
  for (const auto& c : cases) {
    int32_t angle = c.in;
    NormalizeAngle(angle);
    EXPECT_EQ(angle, c.expected) << "angle " << c.in;
  }
}

TEST(NormalizeAngleF, MovesByOnePeriodOnly) {
  const struct {
    double in;
    double expected;
  } cases[] = {
      {-22.5, 337.5}, {382.5, 22.5},  {360.0, 360.0}, {0.0, 0.0},      {-0.5, 359.5},
      {360.5, 0.5},   {180.5, 180.5}, {-360.0, 0.0},  {-382.5, -22.5}, {742.5, 382.5},
  };
  for (const auto& c : cases) {
    double angle = c.in;
    NormalizeAngleF(angle);
    EXPECT_EQ(angle, c.expected) << "angle " << c.in;
  }
}

}  // namespace
}  // namespace quorvan
