#pragma once
// Rounding and angle arithmetic shared by the model and the painting.
//
// Round is round-half-to-even throughout (0.5 -> 0, 1.5 -> 2, -2.5 -> -2).
// Angles convert with pi taken as 3.141592654, not the exact value: the
// steps and ticks at sector boundaries depend on it.

#include <cmath>
#include <cstdint>
#include <optional>

namespace quorvan {

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

/// Round(atan2(dy, dx) * 180 / pi) for a neighbour offset (dx, dy in -1..1).
int32_t DirectionAngle(int32_t dx, int32_t dy);

/// The cell step that the random walk derives from a heading:
/// Round(cos a), Round(sin a) with a = heading * pi / 180 narrowed to a double.
struct WalkStep {
  int32_t x;
  int32_t y;
};
WalkStep WalkStepFor(int64_t heading);

/// Sector 1..8 of a cone edge (heading -/+ threshold, a whole number of
/// degrees): the edge is shifted by -22.5, normalised by one period and
/// rounded half-to-even, then looked up in the sector table. An edge that
/// the one-period normalisation leaves outside 0..360 is brought in by a
/// full modulo.
int SectorOfEdge(int64_t edge);

/// Full modulo into 0..359 for any heading.
inline int32_t WrapDegrees(int64_t heading) {
  int64_t m = heading % 360;
  return static_cast<int32_t>(m < 0 ? m + 360 : m);
}

}  // namespace quorvan
