#include "extended_product.h"

namespace quorvan::detail {

long double WidenDenormal(uint64_t bits) {
  // A denormal is its low 52 bits times 2^-1074; both are exact in extended.
  const auto k = static_cast<int64_t>(bits & 0x000FFFFFFFFFFFFFull);
  const long double magnitude = static_cast<long double>(k) * 0x1p-1074L;
  return (bits >> 63) != 0 ? -magnitude : magnitude;
}

double NarrowToDenormal(long double z) {
  unsigned char bytes[sizeof(long double)];
  std::memcpy(bytes, &z, sizeof bytes);
  uint64_t mantissa;  // explicit leading bit at bit 63
  uint16_t signExponent;
  std::memcpy(&mantissa, bytes, 8);
  std::memcpy(&signExponent, bytes + 8, 2);
  const int exponent = (signExponent & 0x7FFF) - 16383;  // |z| = mantissa * 2^(exponent - 63)

  // Bits of the mantissa below 2^-1074, at least 12 since |z| < 2^-1022.
  const int drop = 63 - 1074 - exponent;
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

}  // namespace quorvan::detail
