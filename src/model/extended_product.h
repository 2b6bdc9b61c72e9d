#pragma once
// a * b formed in extended precision and stored as a double, without
// handing the x87 unit a denormal operand or result: those take a
// microcode assist of ~100 cycles each, and trails that decay for long
// enough (0.95 per step for some 14,000 steps) become denormal.

namespace quorvan {

/// (double)((long double)a * b), exactly.
double ExtendedProduct(double a, long double b);

/// True when ExtendedProduct(a, b) may be formed directly on the x87 unit:
/// neither operand nor the result can be denormal as a double.
inline bool ProductIsOrdinary(double a, long double b) {
  const double ma = a < 0 ? -a : a;
  const long double mb = b < 0 ? -b : b;
  // 2^-900 * 2^-100 keeps the result far above the smallest normal double.
  return (ma >= 0x1p-900 || ma == 0.0) && mb >= 0x1p-100L && mb <= 0x1p100L;
}

}  // namespace quorvan
