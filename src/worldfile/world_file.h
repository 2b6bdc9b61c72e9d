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
/// The file is built in memory and written through the batch runner's
/// OutputFile: under a temporary name in the target's folder, synced, and
/// renamed over `path` only when complete, so a failure (a full disk) leaves
/// whatever was at `path` untouched. A link is written through and stays a
/// link; a replaced file keeps its permissions; a device, pipe or folder is
/// refused (HDF5 needs a regular file). Returns an empty text on success,
/// else a message that names the file and what went wrong.
std::string SaveWorld(const std::string& path, const Simulation& sim, std::span<const ChartPoint> chart);

/// Opens the world saved at `path` into `sim` and `chart`. The whole file is
/// read and checked first (missing, not HDF5, truncated, another version,
/// sizes that do not match the grid, kinds outside 0..3, destination indices
/// out of range, non-finite values where none can occur); only then are
/// `sim` and `chart` replaced. On failure both stay exactly as they were and
/// the message names the file and what is wrong. The display of `sim` is
/// not called: whoever shows the world repaints it afterwards.
///
/// The HDF5 library itself can crash on a damaged file, so the file is first
/// read and checked in a child process; a crash there becomes the message
/// "<file>: the file is damaged: the HDF5 library crashed reading it (...)".
/// A file that a child has read through is read directly on later opens
/// while it stays the same (device, inode, size, modification and change
/// times), so that a sweep pays for the child once per world.
std::string OpenWorld(const std::string& path, Simulation& sim, std::vector<ChartPoint>& chart);

/// OpenWorld without the child process: a damaged file can crash the
/// program. For the fuzz target, which needs the read in its own process.
std::string OpenWorldInProcess(const std::string& path, Simulation& sim, std::vector<ChartPoint>& chart);

}  // namespace quorvan
