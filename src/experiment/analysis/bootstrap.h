#pragma once
// Bootstrap resampling that gives the same answer on every machine: indices
// come from SplitMix64 mapped onto 0..n-1 by a multiply-shift, so neither the
// standard library's distributions nor the thread count enter.

#include <cstdint>
#include <vector>

namespace quorvan::analysis {

class Resampler {
 public:
  explicit Resampler(uint64_t seed) : state_(seed) {}
  /// One index in 0..n-1 (n >= 1).
  std::size_t Index(std::size_t n);
  /// A uniform real in [0, 1).
  double Uniform();
  /// n indices drawn with replacement from 0..n-1, into `out`.
  void Draw(std::size_t n, std::vector<std::size_t>& out);

 private:
  uint64_t Next();
  uint64_t state_;
};

struct Interval {
  double low = 0, high = 0;
};

/// The 2.5% and 97.5% percentiles of `values` (the bootstrap replicates).
Interval Percentile95(std::vector<double> values);

}  // namespace quorvan::analysis
