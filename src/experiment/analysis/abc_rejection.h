#pragma once
// Calibration by approximate Bayesian computation with rejection: the points
// of a sample whose outputs lie nearest the targets are the posterior.

#include <string>
#include <vector>

namespace quorvan::analysis {

struct Posterior {
  double mean = 0, median = 0, low = 0, high = 0;  ///< low, high: the 2.5% and 97.5% quantiles
};

struct AbcResult {
  std::vector<double> scale;          ///< each output's spread (sd) over the sample; 1 where it does not vary
  std::vector<double> distance;       ///< of every point
  std::vector<std::size_t> accepted;  ///< the nearest points, nearest first (ties by row)
  double acceptedFraction = 0;
  std::vector<Posterior> settings;  ///< per setting, over the accepted points
};

/// `settings` and `outputs` have one row per point (k settings, m outputs);
/// `targets` one value per output. The distance is Euclidean over the
/// outputs, each divided by its spread; round(accept x n) points, at least
/// one, are accepted. Empty `error` on success.
AbcResult AbcReject(const std::vector<std::vector<double>>& settings, const std::vector<std::vector<double>>& outputs,
                    const std::vector<double>& targets, double accept, std::string& error);

}  // namespace quorvan::analysis
