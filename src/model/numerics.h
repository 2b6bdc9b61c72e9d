#pragma once
// Rounding and angle arithmetic shared by the model and the painting.
//
// Round is round-half-to-even throughout (0.5 -> 0, 1.5 -> 2, -2.5 -> -2).
// Angles convert with pi taken as 3.141592654, not the exact value: the
// steps and ticks at sector boundaries depend on it.

#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>

namespace quorvan {

// Every extended real of the simulation is the 80-bit x87 format, with its
// 64-bit mantissa: the sums, products and roundings are exact only there.
static_assert(std::numeric_limits<long double>::digits == 64,
              "long double must be the 80-bit extended real (64 mantissa digits)");

/// Pi as the simulation has always used it.
inline constexpr long double kPi = 3.141592654L;
/// Degrees -> radians factor, held as an extended real.
inline constexpr long double kDegToRad = kPi / 180.0L;
/// Radians -> degrees factor, held as an extended real.
inline constexpr long double kRadToDeg = 180.0L / kPi;

/// Half-to-even rounding of a double (default rounding mode).
inline double RoundEven(double v) { return std::nearbyint(v); }
/// Half-to-even rounding of an extended real.
inline long double RoundEven(long double v) { return std::nearbyintl(v); }

/// Round(v) as a 32-bit integer, or nothing when v is not finite or does not fit.
std::optional<int32_t> RoundToInt32(long double v);

/// The cell step that the random walk derives from a heading:
/// Round(cos a), Round(sin a) with a = heading * pi / 180 narrowed to a double.
struct WalkStep {
  int32_t x;
  int32_t y;
};

namespace detail {

// Headings that reach the random walk or a cone edge: 0..360 turned by up
// to 180 either way. Outside this range the values are computed on the spot.
inline constexpr int kTableLow = -180;
inline constexpr int kTableHigh = 540;
inline constexpr int kTableSize = kTableHigh - kTableLow + 1;

// Values that depend only on whole degrees, computed once at start-up with
// the same expressions that define them.
struct AngleTables {
  AngleTables();
  int32_t directionAngle[9];
  WalkStep walk[kTableSize];
  int8_t sector[kTableSize];
};
extern const AngleTables kAngleTables;

int32_t ComputeDirectionAngle(int32_t dx, int32_t dy);
WalkStep ComputeWalkStep(int64_t heading);
int ComputeSectorOfEdge(int64_t edge);

}  // namespace detail

/// Round(atan2(dy, dx) * 180 / pi) for a neighbour offset (dx, dy in -1..1).
inline int32_t DirectionAngle(int32_t dx, int32_t dy) {
  if (dx < -1 || dx > 1 || dy < -1 || dy > 1) return detail::ComputeDirectionAngle(dx, dy);
  return detail::kAngleTables.directionAngle[(dy + 1) * 3 + dx + 1];
}

/// The random walk's step for a heading.
inline WalkStep WalkStepFor(int64_t heading) {
  if (heading < detail::kTableLow || heading > detail::kTableHigh) return detail::ComputeWalkStep(heading);
  return detail::kAngleTables.walk[heading - detail::kTableLow];
}

/// Sector 1..8 of a cone edge (heading -/+ threshold, a whole number of
/// degrees): the edge is shifted by -22.5, normalised by one period and
/// rounded half-to-even, then looked up in the sector table. An edge that
/// the one-period normalisation leaves outside 0..360 is brought in by a
/// full modulo.
inline int SectorOfEdge(int64_t edge) {
  if (edge < detail::kTableLow || edge > detail::kTableHigh) return detail::ComputeSectorOfEdge(edge);
  return detail::kAngleTables.sector[edge - detail::kTableLow];
}

/// Full modulo into 0..359 for any heading.
inline int32_t WrapDegrees(int64_t heading) {
  int64_t m = heading % 360;
  return static_cast<int32_t>(m < 0 ? m + 360 : m);
}

}  // namespace quorvan
