#include "abc_rejection.h"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "stats_summary.h"

namespace quorvan::analysis {

AbcResult AbcReject(const std::vector<std::vector<double>>& settings, const std::vector<std::vector<double>>& outputs,
                    const std::vector<double>& targets, double accept, std::string& error) {
  AbcResult out;
  const std::size_t n = settings.size(), m = targets.size();
  if (!(accept > 0 && accept <= 1)) {
    error = "the accepted fraction must lie in (0, 1]; it is " + std::to_string(accept);
    return out;
  }
  if (n == 0 || outputs.size() != n || m == 0) {
    error = "calibration needs points with their outputs and at least one target";
    return out;
  }
  for (std::size_t r = 0; r < n; ++r) {
    if (outputs[r].size() != m || settings[r].size() != settings[0].size()) {
      error = "point " + std::to_string(r) + " has " + std::to_string(outputs[r].size()) + " outputs for " +
              std::to_string(m) + " targets";
      return out;
    }
  }
  out.scale.resize(m);
  for (std::size_t j = 0; j < m; ++j) {
    std::vector<double> col(n);
    for (std::size_t r = 0; r < n; ++r) col[r] = outputs[r][j];
    const double sd = Summarize(std::move(col)).sd;
    out.scale[j] = sd > 0 ? sd : 1.0;
  }
  out.distance.resize(n);
  for (std::size_t r = 0; r < n; ++r) {
    double d = 0;
    for (std::size_t j = 0; j < m; ++j) {
      const double z = (outputs[r][j] - targets[j]) / out.scale[j];
      d += z * z;
    }
    out.distance[r] = std::sqrt(d);
  }
  std::vector<std::size_t> order(n);
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(),
                   [&](std::size_t a, std::size_t b) { return out.distance[a] < out.distance[b]; });
  const auto count =
      std::clamp<std::size_t>(static_cast<std::size_t>(std::llround(accept * static_cast<double>(n))), 1, n);
  out.accepted.assign(order.begin(), order.begin() + static_cast<std::ptrdiff_t>(count));
  out.acceptedFraction = static_cast<double>(count) / static_cast<double>(n);
  for (std::size_t i = 0; i < settings[0].size(); ++i) {
    std::vector<double> values;
    for (const std::size_t r : out.accepted) values.push_back(settings[r][i]);
    const Summary s = Summarize(values);
    std::sort(values.begin(), values.end());
    out.settings.push_back({s.mean, s.median, SortedQuantile(values, 0.025), SortedQuantile(values, 0.975)});
  }
  return out;
}

}  // namespace quorvan::analysis
