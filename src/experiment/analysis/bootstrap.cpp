#include "bootstrap.h"

#include <algorithm>

#include "stats_summary.h"

namespace quorvan::analysis {

uint64_t Resampler::Next() {
  uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

std::size_t Resampler::Index(std::size_t n) {
  // The high 32 bits times n, shifted: uniform to within n / 2^32.
  return static_cast<std::size_t>(((Next() >> 32) * static_cast<uint64_t>(n)) >> 32);
}

double Resampler::Uniform() { return static_cast<double>(Next() >> 11) * 0x1.0p-53; }

void Resampler::Draw(std::size_t n, std::vector<std::size_t>& out) {
  out.resize(n);
  for (std::size_t& i : out) i = Index(n);
}

Interval Percentile95(std::vector<double> values) {
  if (values.empty()) return {};
  std::sort(values.begin(), values.end());
  return {SortedQuantile(values, 0.025), SortedQuantile(values, 0.975)};
}

}  // namespace quorvan::analysis
