#include "prcc.h"

#include <algorithm>
#include <boost/math/distributions/students_t.hpp>
#include <cmath>
#include <numeric>

namespace quorvan::analysis {

std::vector<double> Ranks(const std::vector<double>& values) {
  std::vector<std::size_t> order(values.size());
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return values[a] < values[b]; });
  std::vector<double> ranks(values.size());
  for (std::size_t i = 0; i < order.size();) {
    std::size_t j = i;
    while (j < order.size() && values[order[j]] == values[order[i]]) ++j;
    const double rank = (static_cast<double>(i + 1) + static_cast<double>(j)) / 2;
    for (std::size_t t = i; t < j; ++t) ranks[order[t]] = rank;
    i = j;
  }
  return ranks;
}

namespace {

// The residuals of `target` after least squares on the columns `basis` and
// an intercept (normal equations, Gaussian elimination with pivoting).
std::vector<double> Residuals(const std::vector<const std::vector<double>*>& basis, const std::vector<double>& target) {
  const std::size_t n = target.size(), m = basis.size() + 1;
  const auto column = [&](std::size_t c, std::size_t r) { return c == 0 ? 1.0 : (*basis[c - 1])[r]; };
  std::vector<std::vector<double>> a(m, std::vector<double>(m + 1, 0.0));
  for (std::size_t r = 0; r < n; ++r) {
    for (std::size_t i = 0; i < m; ++i) {
      const double ci = column(i, r);
      for (std::size_t j = 0; j < m; ++j) a[i][j] += ci * column(j, r);
      a[i][m] += ci * target[r];
    }
  }
  for (std::size_t c = 0; c < m; ++c) {
    std::size_t pivot = c;
    for (std::size_t r = c + 1; r < m; ++r)
      if (std::abs(a[r][c]) > std::abs(a[pivot][c])) pivot = r;
    std::swap(a[c], a[pivot]);
    if (std::abs(a[c][c]) < 1e-12) continue;  // a column the others explain: leave its weight at 0
    for (std::size_t r = 0; r < m; ++r) {
      if (r == c) continue;
      const double f = a[r][c] / a[c][c];
      for (std::size_t j = c; j <= m; ++j) a[r][j] -= f * a[c][j];
    }
  }
  std::vector<double> residual(target);
  for (std::size_t i = 0; i < m; ++i) {
    if (std::abs(a[i][i]) < 1e-12) continue;
    const double weight = a[i][m] / a[i][i];
    for (std::size_t r = 0; r < n; ++r) residual[r] -= weight * column(i, r);
  }
  return residual;
}

double Correlation(const std::vector<double>& a, const std::vector<double>& b) {
  const auto n = static_cast<double>(a.size());
  const double ma = std::accumulate(a.begin(), a.end(), 0.0) / n, mb = std::accumulate(b.begin(), b.end(), 0.0) / n;
  double sab = 0, saa = 0, sbb = 0;
  for (std::size_t i = 0; i < a.size(); ++i) {
    sab += (a[i] - ma) * (b[i] - mb);
    saa += (a[i] - ma) * (a[i] - ma);
    sbb += (b[i] - mb) * (b[i] - mb);
  }
  return saa > 0 && sbb > 0 ? sab / std::sqrt(saa * sbb) : 0.0;
}

}  // namespace

std::vector<Prcc> PartialRankCorrelation(const std::vector<std::vector<double>>& x, const std::vector<double>& y,
                                         std::string& error) {
  const std::size_t n = x.size(), k = n == 0 ? 0 : x[0].size();
  if (k == 0 || y.size() != n || n < k + 2) {
    error = "partial rank correlations of " + std::to_string(k) + " settings need at least " + std::to_string(k + 2) +
            " points with an output each; there are " + std::to_string(std::min(n, y.size()));
    return {};
  }
  std::vector<std::vector<double>> ranked(k);
  for (std::size_t i = 0; i < k; ++i) {
    std::vector<double> col(n);
    for (std::size_t r = 0; r < n; ++r) col[r] = x[r][i];
    ranked[i] = Ranks(col);
  }
  const std::vector<double> ry = Ranks(y);
  const double df = static_cast<double>(n) - 2 - static_cast<double>(k - 1);
  std::vector<Prcc> out(k);
  for (std::size_t i = 0; i < k; ++i) {
    std::vector<const std::vector<double>*> others;
    for (std::size_t j = 0; j < k; ++j)
      if (j != i) others.push_back(&ranked[j]);
    const double r = Correlation(Residuals(others, ranked[i]), Residuals(others, ry));
    out[i].value = r;
    if (std::abs(r) >= 1) {
      out[i].p = 0;
    } else {
      const double t = std::abs(r) * std::sqrt(df / (1 - r * r));
      out[i].p = 2 * boost::math::cdf(boost::math::complement(boost::math::students_t_distribution<double>(df), t));
    }
  }
  return out;
}

}  // namespace quorvan::analysis
