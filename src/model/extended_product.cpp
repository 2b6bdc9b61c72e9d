#include "extended_product.h"

#include <cmath>
#include <cstdint>
#include <cstring>

namespace quorvan {

namespace {

// The double nearest to z (ties to even) for 0 < |z| < 2^-1022, where the
// double is denormal: z is rounded to a multiple of 2^-1074 in integers.
double RoundToDenormal(long double z) {
  unsigned char bytes[sizeof(long double)];
  std::memcpy(bytes, &z, sizeof bytes);
  uint64_t mantissa;  // explicit leading bit at bit 63
  uint16_t signExponent;
  std::memcpy(&mantissa, bytes, 8);
  std::memcpy(&signExponent, bytes + 8, 2);
  const int exponent = (signExponent & 0x7FFF) - 16383;  // |z| = mantissa * 2^(exponent - 63)

  // Bits of the mantissa below 2^-1074.
  const int drop = 63 - 1074 - exponent;  // at least 12
  uint64_t kept = 0;
  if (drop < 64) {
    kept = mantissa >> drop;
    const uint64_t rest = mantissa & ((uint64_t{1} << drop) - 1);
    const uint64_t half = uint64_t{1} << (drop - 1);
    if (rest > half || (rest == half && (kept & 1))) ++kept;
  } else if (drop == 64) {
    kept = mantissa > (uint64_t{1} << 63) ? 1 : 0;  // exactly half rounds to the even 0
  }
  // A denormal's bits are its multiple of 2^-1074; a carry into bit 52 is
  // the smallest normal double, as it should be.
  const uint64_t bits = kept | (static_cast<uint64_t>(signExponent & 0x8000) << 48);
  double out;
  std::memcpy(&out, &bits, sizeof out);
  return out;
}

}  // namespace

double ExtendedProduct(double a, long double b) {
  if (ProductIsOrdinary(a, b)) return static_cast<double>(a * b);
  if (a == 0.0 || !std::isfinite(a) || !std::isfinite(b) || b == 0.0L) {
    return static_cast<double>(a * b);  // zeros, infinities and NaNs involve no denormal
  }
  // A tiny a is scaled into the normal range first (exactly), so that the
  // extended unit never sees a denormal; scaling back is exact in extended.
  const double ma = a < 0 ? -a : a;
  const long double z = ma < 0x1p-900 ? (static_cast<long double>(std::ldexp(a, 600)) * b) * 0x1p-600L
                                      : static_cast<long double>(a) * b;
  const long double mz = z < 0 ? -z : z;
  if (mz >= 0x1p-1022L || z == 0.0L) return static_cast<double>(z);
  return RoundToDenormal(z);
}

}  // namespace quorvan
