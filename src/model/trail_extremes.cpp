#include "trail_extremes.h"

#include <immintrin.h>

#include <limits>

namespace quorvan {

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

// max(v, m) is v > m ? v : m, and min(v, m) is v < m ? v : m, lane by lane:
// exactly the strict comparisons, with a NaN v leaving m as it was.
TrailExtremes Sse2(const double* v, std::size_t n) {
  __m128d max0 = _mm_set1_pd(-kInf), max1 = max0, min0 = _mm_set1_pd(kInf), min1 = min0;
  std::size_t i = 0;
  for (; i + 4 <= n; i += 4) {
    const __m128d a = _mm_loadu_pd(v + i);
    const __m128d b = _mm_loadu_pd(v + i + 2);
    max0 = _mm_max_pd(a, max0);
    max1 = _mm_max_pd(b, max1);
    min0 = _mm_min_pd(a, min0);
    min1 = _mm_min_pd(b, min1);
  }
  alignas(16) double hi[4], lo[4];
  _mm_store_pd(hi, max0);
  _mm_store_pd(hi + 2, max1);
  _mm_store_pd(lo, min0);
  _mm_store_pd(lo + 2, min1);
  TrailExtremes e{-kInf, kInf};
  for (int k = 0; k < 4; ++k) {
    if (hi[k] > e.largest) e.largest = hi[k];
    if (lo[k] < e.smallest) e.smallest = lo[k];
  }
  for (; i < n; ++i) {
    if (v[i] > e.largest) e.largest = v[i];
    if (v[i] < e.smallest) e.smallest = v[i];
  }
  return e;
}

__attribute__((target("avx"))) TrailExtremes Avx(const double* v, std::size_t n) {
  __m256d max0 = _mm256_set1_pd(-kInf), max1 = max0, min0 = _mm256_set1_pd(kInf), min1 = min0;
  std::size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    const __m256d a = _mm256_loadu_pd(v + i);
    const __m256d b = _mm256_loadu_pd(v + i + 4);
    max0 = _mm256_max_pd(a, max0);
    max1 = _mm256_max_pd(b, max1);
    min0 = _mm256_min_pd(a, min0);
    min1 = _mm256_min_pd(b, min1);
  }
  alignas(32) double hi[8], lo[8];
  _mm256_store_pd(hi, max0);
  _mm256_store_pd(hi + 4, max1);
  _mm256_store_pd(lo, min0);
  _mm256_store_pd(lo + 4, min1);
  TrailExtremes e{-kInf, kInf};
  for (int k = 0; k < 8; ++k) {
    if (hi[k] > e.largest) e.largest = hi[k];
    if (lo[k] < e.smallest) e.smallest = lo[k];
  }
  for (; i < n; ++i) {
    if (v[i] > e.largest) e.largest = v[i];
    if (v[i] < e.smallest) e.smallest = v[i];
  }
  return e;
}

}  // namespace

TrailExtremes FindExtremes(const double* values, std::size_t count) {
  static const bool avx = __builtin_cpu_supports("avx");
  return avx ? Avx(values, count) : Sse2(values, count);
}

}  // namespace quorvan
