#pragma once
// Summaries of one column of numbers: mean, spread, a 95% interval of the
// mean (Student t), median and quartiles; and paired differences, for runs
// that share their random numbers point to point.

#include <cstddef>
#include <vector>

namespace quorvan::analysis {

struct Summary {
  std::size_t n = 0;
  double mean = 0, sd = 0;            ///< sd: sample standard deviation (n - 1); 0 for one value
  double low = 0, high = 0;           ///< 95% interval of the mean; the mean itself for one value
  double median = 0, q1 = 0, q3 = 0;  ///< quantiles by linear interpolation (Hyndman and Fan type 7)
};

/// The quantile `p` (0..1) of `sorted` (ascending, not empty), type 7.
double SortedQuantile(const std::vector<double>& sorted, double p);

/// The two-sided 95% quantile of Student's t with `df` degrees of freedom (df >= 1).
double StudentT975(double df);

/// The summary of `values`; all zero for none.
Summary Summarize(std::vector<double> values);

/// The summary of b[i] - a[i]; a and b of one length (pairs by index).
Summary PairedDifference(const std::vector<double>& a, const std::vector<double>& b);

}  // namespace quorvan::analysis
