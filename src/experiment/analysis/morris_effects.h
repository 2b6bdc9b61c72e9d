#pragma once
// Elementary effects (Morris 1991; mu* from Campolongo, Cariboni and
// Saltelli 2007) from trajectories of k + 1 points, each point moving one
// setting away from the one before it.

#include <string>
#include <vector>

namespace quorvan::analysis {

struct MorrisEffect {
  double mu = 0, muStar = 0, sigma = 0;  ///< mean, mean of absolute values, sample sd of the effects
  std::size_t effects = 0;
};

/// `points` holds the trajectories one after another, each k + 1 rows of k
/// coordinates in the unit cube (the design's, before scaling to the
/// settings' intervals); `y` the output of each row. The effect of a step is
/// the change of y divided by the change of the one coordinate that moved.
/// Empty `error` on success; else it names the row that does not fit.
std::vector<MorrisEffect> MorrisEffects(const std::vector<std::vector<double>>& points, const std::vector<double>& y,
                                        std::string& error);

}  // namespace quorvan::analysis
