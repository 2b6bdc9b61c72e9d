#pragma once
// The largest and smallest value of a trail array.

#include <cstddef>

namespace quorvan {

struct TrailExtremes {
  double largest;   ///< -infinity when there is no value
  double smallest;  ///< +infinity when there is no value
};

/// The extremes under strict comparisons, as a scan that replaces its
/// current extreme only by a value strictly beyond it: NaNs never count.
TrailExtremes FindExtremes(const double* values, std::size_t count);

}  // namespace quorvan
