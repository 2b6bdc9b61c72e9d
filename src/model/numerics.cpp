#include "numerics.h"

#include <array>
#include <cmath>
#include <limits>

#include "Calcer.h"

namespace quorvan {

std::optional<int32_t> RoundToInt32(long double v) {
  if (!std::isfinite(v)) return std::nullopt;
  const long double r = RoundEven(v);
  if (r < static_cast<long double>(std::numeric_limits<int32_t>::min()) ||
      r > static_cast<long double>(std::numeric_limits<int32_t>::max())) {
    return std::nullopt;
  }
  return static_cast<int32_t>(r);
}

namespace {

int32_t ComputeDirectionAngle(int32_t dx, int32_t dy) {
  const long double angle = std::atan2(static_cast<long double>(dy), static_cast<long double>(dx));
  return static_cast<int32_t>(RoundEven(angle * kRadToDeg));
}

WalkStep ComputeWalkStep(int64_t heading) {
  const double a = static_cast<double>(static_cast<long double>(heading) * kDegToRad);
  const long double ea = a;
  return {static_cast<int32_t>(RoundEven(std::cos(ea))), static_cast<int32_t>(RoundEven(std::sin(ea)))};
}

// Sector of a rounded cone edge in 0..360.
int SectorOfRoundedEdge(int32_t rounded) {
  if (rounded <= 45) return 1;
  if (rounded <= 90) return 2;
  if (rounded <= 135) return 3;
  if (rounded <= 180) return 4;
  if (rounded <= 225) return 5;
  if (rounded <= 270) return 6;
  if (rounded <= 315) return 7;
  return 8;
}

int ComputeSectorOfEdge(int64_t edge) {
  double e = static_cast<double>(edge) - 22.5;
  NormalizeAngleF(e);
  double rounded = RoundEven(e);
  if (!(rounded >= 0.0 && rounded <= 360.0)) {
    // Only an edge far outside -158..563 gets here; a full modulo places it.
    rounded = std::fmod(rounded, 360.0);
    if (rounded < 0.0) rounded += 360.0;
  }
  return SectorOfRoundedEdge(static_cast<int32_t>(rounded));
}

// Headings that reach the random walk or a cone edge: 0..360 turned by up
// to 180 either way. Anything else is computed on the spot.
constexpr int kTableLow = -180;
constexpr int kTableHigh = 540;
constexpr std::size_t kTableSize = kTableHigh - kTableLow + 1;

struct Tables {
  std::array<int32_t, 9> directionAngle{};
  std::array<WalkStep, kTableSize> walk{};
  std::array<int8_t, kTableSize> sector{};

  Tables() {
    for (int dy = -1; dy <= 1; ++dy)
      for (int dx = -1; dx <= 1; ++dx) directionAngle[(dy + 1) * 3 + dx + 1] = ComputeDirectionAngle(dx, dy);
    for (int h = kTableLow; h <= kTableHigh; ++h) {
      walk[h - kTableLow] = ComputeWalkStep(h);
      sector[h - kTableLow] = static_cast<int8_t>(ComputeSectorOfEdge(h));
    }
  }
};

const Tables& tables() {
  static const Tables t;
  return t;
}

}  // namespace

int32_t DirectionAngle(int32_t dx, int32_t dy) {
  if (dx < -1 || dx > 1 || dy < -1 || dy > 1) return ComputeDirectionAngle(dx, dy);
  return tables().directionAngle[(dy + 1) * 3 + dx + 1];
}

WalkStep WalkStepFor(int64_t heading) {
  if (heading < kTableLow || heading > kTableHigh) return ComputeWalkStep(heading);
  return tables().walk[heading - kTableLow];
}

int SectorOfEdge(int64_t edge) {
  if (edge < kTableLow || edge > kTableHigh) return ComputeSectorOfEdge(edge);
  return tables().sector[edge - kTableLow];
}

}  // namespace quorvan
