#pragma once
// Extended-precision arithmetic on doubles without denormal stalls.
//
// Trails that decay long enough become denormal doubles (at 0.95 per step
// they stop at a few multiples of 2^-1074 for good). Loading such a double
// into the x87 unit costs ~70 ns, storing a denormal result as much, and a
// vector multiply with a denormal operand ~16 ns. The helpers below move
// values between doubles and extended reals exactly, without either.

#include <cstdint>
#include <cstring>
#include <limits>

// Every extended product of the simulation is the x87 80-bit real.
static_assert(std::numeric_limits<long double>::digits == 64,
              "long double must be the x87 extended real with 64 mantissa digits");

namespace quorvan {

namespace detail {
long double WidenDenormal(uint64_t bits);
double NarrowToDenormal(long double z);
}  // namespace detail

/// The double as an extended real, exactly (a denormal is rebuilt from its bits).
inline long double WidenExact(double x) {
  // Plain double comparisons: zeros, normals, infinities and NaNs load as they are.
  if (__builtin_expect(!(__builtin_fabs(x) < 0x1p-1022) || x == 0.0, 1)) return x;
  uint64_t bits;
  std::memcpy(&bits, &x, sizeof bits);
  return detail::WidenDenormal(bits);
}

/// The extended real stored as a double, rounded to nearest, ties to even,
/// as a store rounds it (a denormal result is rounded in integers).
inline double NarrowToDouble(long double z) {
  const long double magnitude = z < 0 ? -z : z;
  if (magnitude >= 0x1p-1022L || z == 0.0L || magnitude != magnitude) return static_cast<double>(z);
  return detail::NarrowToDenormal(z);
}

/// (double)((long double)a * b), exactly.
inline double ExtendedProduct(double a, long double b) { return NarrowToDouble(WidenExact(a) * b); }

}  // namespace quorvan
