#pragma once
// Variance-based sensitivity: first-order indices by Saltelli's 2010
// estimator and total indices by Jansen's, from the outputs of Saltelli's
// scheme, with 95% bootstrap intervals.

#include <cstdint>
#include <string>
#include <vector>

namespace quorvan::analysis {

/// The outputs of Saltelli's scheme for k settings and N samples: f(A) and
/// f(B) (N each), and f(A_B^(i)) for each setting i, where A_B^(i) is A with
/// its column i taken from B.
struct SobolSample {
  std::vector<double> a, b;
  std::vector<std::vector<double>> ab;  ///< k vectors of N
};

/// Splits one column of N x (k + 2) outputs laid out in blocks of N rows:
/// A, then B, then A_B^(1) ... A_B^(k). Empty `error` on success.
SobolSample SobolBlocks(const std::vector<double>& y, std::size_t k, std::string& error);

struct SobolIndex {
  double first = 0, firstLow = 0, firstHigh = 0;
  double total = 0, totalLow = 0, totalHigh = 0;
};

/// The indices of each setting. The intervals are the 2.5% and 97.5%
/// percentiles over `bootstrap` resamples of the N sample rows (seeded; none
/// when bootstrap is 0, the interval then being the estimate itself). When
/// the output does not vary, every index is 0.
std::vector<SobolIndex> SobolIndices(const SobolSample& sample, int bootstrap, uint64_t seed);

}  // namespace quorvan::analysis
