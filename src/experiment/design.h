#pragma once
// Designs over settings given as intervals: a Latin hypercube, Saltelli's
// scheme on a Sobol sequence, or Morris trajectories. A design is a list of
// points in the unit cube, scaled to the intervals; the same seed gives the
// same design.

#include <cstdint>
#include <string>
#include <vector>

namespace quorvan::batch {

enum class DesignKind { kLhs, kSobol, kMorris };

/// One setting's interval. A whole-number setting takes whole values only.
struct DesignInterval {
  std::string key;
  double low = 0, high = 0;
  bool whole = false;
};

struct DesignRequest {
  DesignKind kind = DesignKind::kLhs;
  std::vector<DesignInterval> settings;
  int64_t samples = 0;  ///< lhs: points; sobol: N (base samples); morris: trajectories
  int levels = 4;       ///< morris: the grid's levels per setting
  uint64_t seed = 0;
};

struct Design {
  DesignRequest request;
  /// Every point's coordinates in [0, 1]^k, in design order:
  /// lhs: N points; sobol: N x (k + 2) points in blocks of N (A, B, then
  /// A_B^(1) .. A_B^(k), as SobolBlocks reads them); morris: N trajectories
  /// of k + 1 points one after another.
  std::vector<std::vector<double>> unit;
  /// The same points scaled to the intervals (whole settings rounded).
  std::vector<std::vector<double>> values;
};

/// "lhs", "sobol", "morris"; false for another name.
bool ParseDesignKind(const std::string& name, DesignKind& kind);
const char* DesignKindName(DesignKind kind);

/// The fewest samples the design's analysis can estimate from, with k settings.
int64_t MinimumSamples(DesignKind kind, std::size_t settings);

/// Makes the design; an error text (what is wrong and what is needed), empty on success.
std::string MakeDesign(const DesignRequest& request, Design& design);

/// The value texts of every point, one per setting in the request's order,
/// as the single-run options take them ("12", "0.35"): what a sweep's point
/// sets.
std::vector<std::vector<std::string>> DesignPointValues(const Design& design);

/// The unit coordinate u in [0, 1] scaled to an interval.
double ScaleToInterval(const DesignInterval& interval, double u);

}  // namespace quorvan::batch
