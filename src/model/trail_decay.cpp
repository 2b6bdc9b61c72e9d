// The extended product t * d stored as a double equals the plain double
// product p = RN(t * d) except when the extended rounding lands exactly on
// a midpoint between two doubles, which then rounds to even, possibly away
// from p. With the exact error e = t * d - p (one fused multiply-add), that
// can only happen when |e| is within 2^-11 of half of p's last place. The
// vector loop below takes p wherever |e| stays clear of that band (with a
// wide margin) and every operand and result is an ordinary normal double,
// and hands the rare remaining elements to the exact scalar product.

#include "trail_decay.h"

#include <immintrin.h>

#include "extended_product.h"

namespace quorvan {

namespace {

void DecayScalar(double* trail, std::size_t count, long double d) {
  for (std::size_t i = 0; i < count; ++i) trail[i] = ExtendedProduct(trail[i], d);
}

__attribute__((target("avx2,fma"))) void DecayVector(double* trail, std::size_t count, double rate) {
  const __m256d d = _mm256_set1_pd(rate);
  const __m256d absMask = _mm256_castsi256_pd(_mm256_set1_epi64x(0x7FFFFFFFFFFFFFFFll));
  const __m256d expMask = _mm256_castsi256_pd(_mm256_set1_epi64x(0x7FF0000000000000ll));
  const __m256d mantMask = _mm256_castsi256_pd(_mm256_set1_epi64x(0x000FFFFFFFFFFFFFll));
  // Half of the last place, with a margin: 2^-53 * (1 - 2^-8) times p's power of two.
  const __m256d band = _mm256_set1_pd(0x1p-53 * (1.0 - 0x1p-8));
  const __m256d smallest = _mm256_set1_pd(0x1p-960);
  const __m256d largest = _mm256_set1_pd(0x1p1000);
  const __m256d zero = _mm256_setzero_pd();
  const __m256d allOnes = _mm256_castsi256_pd(_mm256_set1_epi64x(-1));
  const long double ld = rate;

  std::size_t i = 0;
  for (; i + 4 <= count; i += 4) {
    const __m256d t = _mm256_loadu_pd(trail + i);
    const __m256d p = _mm256_mul_pd(t, d);
    const __m256d e = _mm256_fmsub_pd(t, d, p);
    const __m256d absP = _mm256_and_pd(p, absMask);
    const __m256d absE = _mm256_and_pd(e, absMask);
    const __m256d power = _mm256_and_pd(p, expMask);
    // Near a midpoint: |e| >= half a last place (less the margin).
    __m256d suspect = _mm256_cmp_pd(absE, _mm256_mul_pd(power, band), _CMP_GE_OQ);
    // p must be normal, clear of both ends of the range (NaN fails the test
    // and counts as suspect), and not a power of two, where the spacing of
    // the doubles below it halves.
    const __m256d ordinary =
        _mm256_and_pd(_mm256_cmp_pd(absP, smallest, _CMP_GE_OQ), _mm256_cmp_pd(absP, largest, _CMP_LT_OQ));
    const __m256d powerOfTwo = _mm256_cmp_pd(_mm256_and_pd(p, mantMask), zero, _CMP_EQ_OQ);
    const __m256d isZero = _mm256_cmp_pd(t, zero, _CMP_EQ_OQ);  // 0 * d is exact, and signed as on x87
    suspect = _mm256_or_pd(suspect, _mm256_andnot_pd(ordinary, allOnes));
    suspect = _mm256_or_pd(suspect, powerOfTwo);
    suspect = _mm256_andnot_pd(isZero, suspect);
    _mm256_storeu_pd(trail + i, p);
    const int mask = _mm256_movemask_pd(suspect);
    if (mask != 0) {
      alignas(32) double original[4];
      _mm256_store_pd(original, t);
      for (int k = 0; k < 4; ++k) {
        if (mask & (1 << k)) trail[i + static_cast<std::size_t>(k)] = ExtendedProduct(original[k], ld);
      }
    }
  }
  for (; i < count; ++i) trail[i] = ExtendedProduct(trail[i], ld);
}

bool HasAvx2Fma() {
  static const bool has = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
  return has;
}

}  // namespace

void DecayTrail(double* trail, std::size_t count, double rate) {
  const long double d = rate;
  if (HasAvx2Fma() && ProductIsOrdinary(1.0, d)) {
    DecayVector(trail, count, rate);
  } else {
    DecayScalar(trail, count, d);
  }
}

}  // namespace quorvan
