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

namespace detail {

int32_t ComputeDirectionAngle(int32_t dx, int32_t dy) {
  const long double angle = std::atan2(static_cast<long double>(dy), static_cast<long double>(dx));
  return static_cast<int32_t>(RoundEven(angle * kRadToDeg));
}

WalkStep ComputeWalkStep(int64_t heading) {
  const double a = static_cast<double>(static_cast<long double>(heading) * kDegToRad);
  const long double ea = a;
  return {static_cast<int32_t>(RoundEven(std::cos(ea))), static_cast<int32_t>(RoundEven(std::sin(ea)))};
}

namespace {

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

}  // namespace

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

AngleTables::AngleTables() {
  for (int dy = -1; dy <= 1; ++dy)
    for (int dx = -1; dx <= 1; ++dx) directionAngle[(dy + 1) * 3 + dx + 1] = ComputeDirectionAngle(dx, dy);
  for (int h = kTableLow; h <= kTableHigh; ++h) {
    walk[h - kTableLow] = ComputeWalkStep(h);
    sector[h - kTableLow] = static_cast<int8_t>(ComputeSectorOfEdge(h));
  }
}

const AngleTables kAngleTables;

}  // namespace detail

}  // namespace quorvan
