#pragma once
// A run's fields through time, for analysis: every few steps a snapshot of
// both trails, the agents' cells, states and headings and every
// destination's returns, appended to chunked, compressed HDF5 datasets along
// an unlimited time dimension as the run goes (memory stays flat however
// long the run). The layout follows netCDF-4's conventions (HDF5 dimension
// scales for time, row, column, agent and destination), so that xarray
// opens it with named dimensions; docs/fields-format.md describes it.
//
// The grids are [time, row, column]: the model addresses a cell as
// Cells(column, row) and keeps its arrays row by row (index = row *
// ColCount + column), which is exactly this order.
//
// The file is written under a temporary name in its target's folder and
// renamed over the target by Rename() only once Finish() has closed it
// whole: a failure leaves no half-written file, and whatever was at the
// target stays as it was.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace quorvan {

class Simulation;

/// What a snapshot holds, copied out of the world so that another thread
/// can write it while the run goes on.
struct FieldSnapshot {
  int32_t step = 0;
  int32_t rows = 0;
  int32_t columns = 0;
  std::vector<double> track;        ///< [row, column]
  std::vector<double> returnTrack;  ///< [row, column]
  std::vector<int32_t> agentColumn;
  std::vector<int32_t> agentRow;
  std::vector<int8_t> agentState;
  std::vector<int32_t> agentHeading;
  std::vector<int32_t> returns;     ///< per destination
};

class FieldHistory {
 public:
  FieldHistory();
  ~FieldHistory();
  FieldHistory(const FieldHistory&) = delete;
  FieldHistory& operator=(const FieldHistory&) = delete;

  /// Creates the temporary file for `path`. False, with a message naming it.
  bool Open(const std::string& path, std::string& error);
  /// Creates the datasets for the world's grid, agents and destinations
  /// (once; later calls do nothing).
  bool LayOut(const Simulation& sim, std::string& error);
  /// The world's fields as they stand.
  static FieldSnapshot Take(const Simulation& sim);
  /// Appends a snapshot, at time snap.step, after LayOut: one whose sizes
  /// differ from the laid-out ones is refused. May run on another thread
  /// than the run's (one thread at a time).
  bool Append(const FieldSnapshot& snap, std::string& error);
  /// LayOut, Take and Append at once.
  bool Write(const Simulation& sim, std::string& error);
  /// Closes the file whole (laying out the datasets from `sim` when no
  /// snapshot was written) and syncs it to disk.
  bool Finish(const Simulation& sim, std::string& error);
  /// Renames the finished file over its target.
  bool Rename(std::string& error);

  /// Snapshots written so far.
  int64_t Snapshots() const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace quorvan
