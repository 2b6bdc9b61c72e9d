#include "sobol_indices.h"

#include "bootstrap.h"

namespace quorvan::analysis {

SobolSample SobolBlocks(const std::vector<double>& y, std::size_t k, std::string& error) {
  SobolSample s;
  if (k == 0 || y.size() % (k + 2) != 0 || y.size() < 2 * (k + 2)) {
    error = std::to_string(y.size()) + " values do not make Saltelli's blocks for " + std::to_string(k) +
            " settings: that needs N x " + std::to_string(k + 2) + " values with N >= 2";
    return s;
  }
  const std::size_t n = y.size() / (k + 2);
  const auto block = [&](std::size_t b) {
    return std::vector<double>(y.begin() + static_cast<std::ptrdiff_t>(b * n),
                               y.begin() + static_cast<std::ptrdiff_t>((b + 1) * n));
  };
  s.a = block(0);
  s.b = block(1);
  for (std::size_t i = 0; i < k; ++i) s.ab.push_back(block(2 + i));
  return s;
}

namespace {

// The estimates over the rows `rows` (indices into the sample, repeats allowed).
void Estimate(const SobolSample& s, const std::vector<std::size_t>& rows, std::vector<double>& first,
              std::vector<double>& total) {
  const std::size_t k = s.ab.size();
  const auto n = static_cast<double>(rows.size());
  double sum = 0, squares = 0;
  for (const std::size_t j : rows) sum += s.a[j] + s.b[j];
  const double mean = sum / (2 * n);
  for (const std::size_t j : rows) squares += (s.a[j] - mean) * (s.a[j] - mean) + (s.b[j] - mean) * (s.b[j] - mean);
  const double variance = squares / (2 * n - 1);
  first.assign(k, 0.0);
  total.assign(k, 0.0);
  if (!(variance > 0)) return;
  for (std::size_t i = 0; i < k; ++i) {
    const std::vector<double>& ab = s.ab[i];
    double f = 0, t = 0;
    for (const std::size_t j : rows) {
      const double d = ab[j] - s.a[j];
      f += s.b[j] * d;
      t += d * d;
    }
    first[i] = f / n / variance;
    total[i] = t / (2 * n) / variance;
  }
}

}  // namespace

std::vector<SobolIndex> SobolIndices(const SobolSample& s, int bootstrap, uint64_t seed) {
  const std::size_t k = s.ab.size(), n = s.a.size();
  std::vector<std::size_t> rows(n);
  for (std::size_t j = 0; j < n; ++j) rows[j] = j;
  std::vector<double> first, total;
  Estimate(s, rows, first, total);
  std::vector<SobolIndex> out(k);
  for (std::size_t i = 0; i < k; ++i) {
    out[i] = {first[i], first[i], first[i], total[i], total[i], total[i]};
  }
  if (bootstrap <= 0 || n == 0) return out;
  const auto b = static_cast<std::size_t>(bootstrap);
  std::vector<std::vector<double>> firsts(k, std::vector<double>(b)), totals(k, std::vector<double>(b));
  Resampler resampler(seed);
  for (std::size_t r = 0; r < b; ++r) {
    resampler.Draw(n, rows);
    Estimate(s, rows, first, total);
    for (std::size_t i = 0; i < k; ++i) {
      firsts[i][r] = first[i];
      totals[i][r] = total[i];
    }
  }
  for (std::size_t i = 0; i < k; ++i) {
    const Interval f = Percentile95(std::move(firsts[i])), t = Percentile95(std::move(totals[i]));
    out[i].firstLow = f.low, out[i].firstHigh = f.high;
    out[i].totalLow = t.low, out[i].totalHigh = t.high;
  }
  return out;
}

}  // namespace quorvan::analysis
