#include "morris_effects.h"

#include <cmath>

namespace quorvan::analysis {

std::vector<MorrisEffect> MorrisEffects(const std::vector<std::vector<double>>& points, const std::vector<double>& y,
                                        std::string& error) {
  const std::size_t k = points.empty() ? 0 : points[0].size();
  if (k == 0 || points.size() != y.size() || points.size() % (k + 1) != 0) {
    error = std::to_string(points.size()) + " points with " + std::to_string(y.size()) +
            " outputs do not make trajectories of " + std::to_string(k + 1) + " points";
    return {};
  }
  std::vector<std::vector<double>> effects(k);
  for (std::size_t start = 0; start < points.size(); start += k + 1) {
    for (std::size_t r = start + 1; r < start + k + 1; ++r) {
      std::size_t moved = k, count = 0;
      for (std::size_t i = 0; i < k; ++i) {
        if (points[r][i] != points[r - 1][i]) moved = i, ++count;
      }
      if (count != 1) {
        error = "row " + std::to_string(r) + " moves " + std::to_string(count) +
                " settings from the row before it; a trajectory moves one at a time";
        return {};
      }
      effects[moved].push_back((y[r] - y[r - 1]) / (points[r][moved] - points[r - 1][moved]));
    }
  }
  std::vector<MorrisEffect> out(k);
  for (std::size_t i = 0; i < k; ++i) {
    const std::vector<double>& e = effects[i];
    MorrisEffect& m = out[i];
    m.effects = e.size();
    if (e.empty()) continue;
    for (const double v : e) m.mu += v, m.muStar += std::abs(v);
    const auto n = static_cast<double>(e.size());
    m.mu /= n;
    m.muStar /= n;
    double squares = 0;
    for (const double v : e) squares += (v - m.mu) * (v - m.mu);
    m.sigma = e.size() > 1 ? std::sqrt(squares / (n - 1)) : 0.0;
  }
  return out;
}

}  // namespace quorvan::analysis
