// The extended product t * d stored as a double equals the plain double
// product p = RN(t * d) except when the extended rounding lands exactly on
// a midpoint between two doubles, which then rounds to even, possibly away
// from p. With the exact error e = t * d - p (one fused multiply-add) that
// needs |e| within 2^-11 of half of p's last place h. The vector loop takes
// p wherever |e| <= h * (1 - 2^-8) and hands the rare rest to the exact
// scalar product. The one test covers the edges as well: a zero product has
// e = 0; below a power of two p the spacing halves, |e| stays under h / 2
// and p is right; an overflow shows as |e| near h or a NaN e with p = inf,
// which is right. Near the bottom of the normal range neither e nor h need
// be exact, so below 2^-960 every lane but 0 * d goes to the scalar product.
//
// Denormal trails need a road of their own: a trail decaying at 0.95 never
// reaches zero but stops at a few multiples of 2^-1074 (10 * 0.95 = 9.5
// rounds back to 10), so after some 15,000 steps nearly every cell is one,
// and a vector multiply with a denormal operand stalls for ~16 ns. A
// denormal t is k * 2^-1074 for a whole k; the product stored as a double
// is the whole number nearest to k * d (times 2^-1074), which the loop finds
// from k's bits with the same kind of proof.

#include "trail_decay.h"

#if !defined(__x86_64__)
#error "the trail kernels need an x86-64 processor"
#endif
#include <immintrin.h>

#include "extended_product.h"
#include "vector_kernels.h"

namespace quorvan {

namespace {

void DecayScalar(double* trail, std::size_t count, long double d) {
  // ExtendedProduct keeps denormals away from the extended unit.
  for (std::size_t i = 0; i < count; ++i) trail[i] = ExtendedProduct(trail[i], d);
}

// The lanes of `mask` again, from their original values t, by the exact scalar product.
__attribute__((target("avx2,fma"))) inline void RedoLanes(double* out, __m256d t, int mask, long double d) {
  if (mask == 0) return;
  alignas(32) double original[4];
  _mm256_store_pd(original, t);
  for (int k = 0; k < 4; ++k) {
    if (mask & (1 << k)) out[k] = ExtendedProduct(original[k], d);
  }
}

__attribute__((target("avx2,fma"))) void DecayVector(double* trail, std::size_t count, double rate) {
  const __m256d d = _mm256_set1_pd(rate);
  const __m256d absMask = _mm256_castsi256_pd(_mm256_set1_epi64x(0x7FFFFFFFFFFFFFFFll));
  const __m256d expMask = _mm256_castsi256_pd(_mm256_set1_epi64x(0x7FF0000000000000ll));
  const __m256d signMask = _mm256_set1_pd(-0.0);
  const __m256d band = _mm256_set1_pd(0x1p-53 * (1.0 - 0x1p-8));  // h * (1 - 2^-8) per power of two
  const __m256d zero = _mm256_setzero_pd();
  const __m256d tiny = _mm256_set1_pd(0x1p-960);
  const long double ld = WidenExact(rate);

  // The denormal road: k below 2^40 and |d| at most 2 keep k * |d| far below 2^52.
  const double absRate = rate < 0 ? -rate : rate;
  const __m256d denormalLimit = _mm256_set1_pd(absRate <= 2.0 ? 0x1p-1034 : 0.0);
  const __m256d absRateV = _mm256_set1_pd(absRate);
  const __m256d rateSign = _mm256_and_pd(d, signMask);
  const __m256d twoTo52 = _mm256_set1_pd(0x1p52);
  const __m256i twoTo52Bits = _mm256_set1_epi64x(0x4330000000000000ll);
  const __m256d half = _mm256_set1_pd(0.5);
  const __m256d halfBand = _mm256_set1_pd(0x1p-10);

  // Most cells of most worlds carry no trail at all: 0 * d is 0 again, of
  // the same sign unless d is negative.
  const bool zerosStay = !(rate < 0);
  // From 2^-860 up every product is at least 2^-960 (|d| >= 2^-100).
  const __m256d ordinaryFloor = _mm256_set1_pd(0x1p-860);

  std::size_t i = 0;
  for (; i + 4 <= count; i += 4) {
    const __m256d t = _mm256_loadu_pd(trail + i);
    const __m256d absT = _mm256_and_pd(t, absMask);
    const __m256d isZero = _mm256_cmp_pd(t, zero, _CMP_EQ_OQ);
    const int zeros = _mm256_movemask_pd(isZero);
    if (zeros == 0xF && zerosStay) continue;

    // Short road: every lane zero or at least 2^-860 (NaNs fail the test).
    if (_mm256_movemask_pd(_mm256_or_pd(isZero, _mm256_cmp_pd(absT, ordinaryFloor, _CMP_GE_OQ))) == 0xF) {
      const __m256d p = _mm256_mul_pd(t, d);
      const __m256d e = _mm256_fmsub_pd(t, d, p);
      const __m256d limit = _mm256_mul_pd(_mm256_and_pd(p, expMask), band);
      _mm256_storeu_pd(trail + i, p);
      RedoLanes(trail + i, t, _mm256_movemask_pd(_mm256_cmp_pd(_mm256_and_pd(e, absMask), limit, _CMP_GT_OQ)), ld);
      continue;
    }

    const __m256d denormal = _mm256_andnot_pd(isZero, _mm256_cmp_pd(absT, denormalLimit, _CMP_LT_OQ));
    const __m256d normalT = _mm256_andnot_pd(denormal, t);  // denormal lanes stay out of the products
    const __m256d p = _mm256_mul_pd(normalT, d);
    const __m256d e = _mm256_fmsub_pd(normalT, d, p);
    const __m256d limit = _mm256_mul_pd(_mm256_and_pd(p, expMask), band);
    __m256d suspect = _mm256_cmp_pd(_mm256_and_pd(e, absMask), limit, _CMP_GT_OQ);
    // Below 2^-960 neither e nor h need be exact (e may even round to 0):
    // every product there but 0 * d takes the scalar road.
    suspect = _mm256_or_pd(suspect, _mm256_and_pd(_mm256_cmp_pd(_mm256_and_pd(p, absMask), tiny, _CMP_LT_OQ),
                                                  _mm256_cmp_pd(normalT, zero, _CMP_NEQ_UQ)));
    __m256d result = p;

    if (_mm256_movemask_pd(denormal) != 0) {
      // k from the bits; n = the whole number nearest k * |d|, unless k * |d|
      // lies within 2^-10 of a half, where the extended rounding decides.
      const __m256d k = _mm256_sub_pd(
          _mm256_castsi256_pd(_mm256_or_si256(_mm256_castpd_si256(absT), twoTo52Bits)), twoTo52);
      const __m256d kd = _mm256_mul_pd(k, absRateV);
      const __m256d n = _mm256_sub_pd(_mm256_add_pd(kd, twoTo52), twoTo52);  // ties to even
      const __m256d fromHalf = _mm256_sub_pd(_mm256_and_pd(_mm256_sub_pd(kd, n), absMask), half);
      const __m256d nearHalf = _mm256_cmp_pd(_mm256_and_pd(fromHalf, absMask), halfBand, _CMP_LE_OQ);
      // The double whose bits are n is n * 2^-1074; the sign is t's times d's.
      const __m256i nBits = _mm256_sub_epi64(_mm256_castpd_si256(_mm256_add_pd(n, twoTo52)), twoTo52Bits);
      const __m256d sign = _mm256_xor_pd(_mm256_and_pd(t, signMask), rateSign);
      result = _mm256_blendv_pd(p, _mm256_or_pd(_mm256_castsi256_pd(nBits), sign), denormal);
      suspect = _mm256_blendv_pd(suspect, nearHalf, denormal);
    }
    _mm256_storeu_pd(trail + i, result);

    RedoLanes(trail + i, t, _mm256_movemask_pd(suspect), ld);
  }
  for (; i < count; ++i) trail[i] = ExtendedProduct(trail[i], ld);
}

bool HasAvx2Fma() {
  static const bool has = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
  return has;
}

}  // namespace

void DecayTrail(double* trail, std::size_t count, double rate) {
  const long double d = WidenExact(rate);
  const double absRate = rate < 0 ? -rate : rate;
  if (VectorKernelsAllowed() && HasAvx2Fma() && absRate >= 0x1p-100 && absRate <= 0x1p100) {
    DecayVector(trail, count, rate);
  } else {
    DecayScalar(trail, count, d);
  }
}

}  // namespace quorvan
