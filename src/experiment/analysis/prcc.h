#pragma once
// Partial rank correlation coefficients (Marino et al. 2008): how strongly
// each setting moves an output once the other settings are accounted for,
// robust to any monotone relation.

#include <string>
#include <vector>

namespace quorvan::analysis {

struct Prcc {
  double value = 0;  ///< -1..1
  double p = 1;      ///< two-sided p-value of value = 0 (t with n - 2 - (k - 1) degrees of freedom)
};

/// The PRCC of each of the k columns of `x` (n rows) with `y`. Ties share
/// their mean rank. Needs n >= k + 2; else `error` says so.
std::vector<Prcc> PartialRankCorrelation(const std::vector<std::vector<double>>& x, const std::vector<double>& y,
                                         std::string& error);

/// Ranks 1..n, ties taking the mean of their ranks.
std::vector<double> Ranks(const std::vector<double>& values);

}  // namespace quorvan::analysis
