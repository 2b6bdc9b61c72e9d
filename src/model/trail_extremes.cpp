#include "trail_extremes.h"

#if !defined(__x86_64__)
#error "the trail kernels need an x86-64 processor"
#endif
#include <immintrin.h>

#include <limits>

#include "vector_kernels.h"

namespace quorvan {

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

// A plain scan, for processors without AVX.
TrailExtremes Scalar(const double* v, std::size_t n) {
  TrailExtremes e{-kInf, kInf};
  for (std::size_t i = 0; i < n; ++i) {
    if (v[i] > e.largest) e.largest = v[i];
    if (v[i] < e.smallest) e.smallest = v[i];
  }
  return e;
}

// max(v, m) is v > m ? v : m, and min(v, m) is v < m ? v : m, lane by lane:
// exactly the strict comparisons of the plain scan, a NaN v leaving m as it was.
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
  const TrailExtremes rest = Scalar(v + i, n - i);
  if (rest.largest > e.largest) e.largest = rest.largest;
  if (rest.smallest < e.smallest) e.smallest = rest.smallest;
  return e;
}

}  // namespace

TrailExtremes FindExtremes(const double* values, std::size_t count) {
  static const bool avx = __builtin_cpu_supports("avx");
  TrailExtremes e = avx && VectorKernelsAllowed() ? Avx(values, count) : Scalar(values, count);
  // Which zero a scan meets first depends on its lane order; an extreme of
  // zero is reported as +0.0 so that both scans give the same bits.
  if (e.largest == 0) e.largest = 0.0;
  if (e.smallest == 0) e.smallest = 0.0;
  return e;
}

}  // namespace quorvan
