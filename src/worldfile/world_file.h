#pragma once
// A world as a file: everything a world is, so that a saved world goes on
// exactly as the run that never stopped. The layout is HDF5 and is
// described in docs/world-format.md.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace quorvan {

class Simulation;

/// One point of each of the three chart curves, at x = `step`.
struct ChartPoint {
  ChartPoint() = default;
  ChartPoint(double step_, double successful_, double returning_, double trackMax_,
             std::optional<int32_t> deliveries_ = std::nullopt)
      : step(step_), successful(successful_), returning(returning_), trackMax(trackMax_),
        deliveries(deliveries_) {}

  double step = 0.0;
  double successful = 0.0;
  double returning = 0.0;
  double trackMax = 0.0;
  /// Returning agents that reached the nest in that step; unknown for the
  /// points of worlds saved before the chart kept them.
  std::optional<int32_t> deliveries;
  friend bool operator==(const ChartPoint&, const ChartPoint&) = default;
};

/// The version written into every world file; other versions are refused.
inline constexpr int32_t kWorldFormatVersion = 1;

/// Saves the world of `sim` (settings, world variables, cells, agents,
/// destinations, the random source's whole state) with the chart's points.
/// The file is written under a temporary name in the target's folder and
/// renamed over `path` only when complete, so a failure leaves whatever was
/// at `path` untouched. Returns an empty text on success, else a message
/// that names the file and what went wrong.
std::string SaveWorld(const std::string& path, const Simulation& sim, std::span<const ChartPoint> chart);

/// Opens the world saved at `path` into `sim` and `chart`. The whole file is
/// read and checked first (missing, not HDF5, truncated, another version,
/// sizes that do not match the grid, kinds outside 0..3, destination indices
/// out of range, non-finite values where none can occur); only then are
/// `sim` and `chart` replaced. On failure both stay exactly as they were and
/// the message names the file and what is wrong. The display of `sim` is
/// not called: whoever shows the world repaints it afterwards.
std::string OpenWorld(const std::string& path, Simulation& sim, std::vector<ChartPoint>& chart);

}  // namespace quorvan
