#include "stats_summary.h"

#include <algorithm>
#include <boost/math/distributions/students_t.hpp>
#include <cmath>

namespace quorvan::analysis {

double SortedQuantile(const std::vector<double>& sorted, double p) {
  const double h = static_cast<double>(sorted.size() - 1) * p;
  const auto lo = static_cast<std::size_t>(std::floor(h));
  const std::size_t hi = std::min(lo + 1, sorted.size() - 1);
  return sorted[lo] + (h - static_cast<double>(lo)) * (sorted[hi] - sorted[lo]);
}

double StudentT975(double df) { return boost::math::quantile(boost::math::students_t_distribution<double>(df), 0.975); }

Summary Summarize(std::vector<double> values) {
  Summary s;
  s.n = values.size();
  if (values.empty()) return s;
  const auto n = static_cast<double>(s.n);
  double sum = 0;
  for (const double v : values) sum += v;
  s.mean = sum / n;
  double squares = 0;
  for (const double v : values) squares += (v - s.mean) * (v - s.mean);
  s.sd = s.n > 1 ? std::sqrt(squares / (n - 1)) : 0.0;
  const double half = s.n > 1 ? StudentT975(n - 1) * s.sd / std::sqrt(n) : 0.0;
  s.low = s.mean - half;
  s.high = s.mean + half;
  std::sort(values.begin(), values.end());
  s.median = SortedQuantile(values, 0.5);
  s.q1 = SortedQuantile(values, 0.25);
  s.q3 = SortedQuantile(values, 0.75);
  return s;
}

Summary PairedDifference(const std::vector<double>& a, const std::vector<double>& b) {
  std::vector<double> d(std::min(a.size(), b.size()));
  for (std::size_t i = 0; i < d.size(); ++i) d[i] = b[i] - a[i];
  return Summarize(std::move(d));
}

}  // namespace quorvan::analysis
