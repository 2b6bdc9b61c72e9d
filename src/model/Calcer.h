#pragma once
// Geometry of the torus grid, and the two grid containers.

#include <cassert>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "cell_P.h"

namespace quorvan {

/// Distance in pixels between (x1, y1) and (x2, y2), rounded half-to-even.
int32_t CellDistance(int32_t x1, int32_t y1, int32_t x2, int32_t y2);

/// Moves column and row back onto the grid by one period at most
/// (-columns..2*columns-1 come back into range; anything further stays out).
inline void WrapCell(int32_t& column, int32_t& row, int32_t columns, int32_t rows) {
  if (column < 0) {
    column += columns;
  } else if (column > columns - 1) {
    column -= columns;
  }
  if (row < 0) {
    row += rows;
  } else if (row > rows - 1) {
    row -= rows;
  }
}

/// One-period normalisation of whole degrees: < 0 gains 360, then > 360
/// loses 360. 360 stays 360.
inline void NormalizeAngle(int32_t& angle) {
  if (angle < 0) angle += 360;
  if (angle > 360) angle -= 360;
}

/// The same on a real angle: not >= 0 gains 360, then > 360 loses 360.
void NormalizeAngleF(double& angle);

/// The grid of a world, addressed [column][row] through Cells(c, r).
///
/// What the time step touches is kept in contiguous arrays of its own, apart
/// from the cell records: the two trails (every step scans one and may decay
/// both), the kind (read for every move), the home scent (read by every
/// returning agent's sensing) and the Track of each cell's last painting
/// (compared with Track for every cell at every step). The cell record
/// holds what only the painting and the setup read.
/// Storage is row-major (index = row * ColCount + column), the order in
/// which every whole-grid loop walks the cells.
class TCellList {
 public:
  /// Sizes the grid to columns x rows default cells with zero trails.
  /// Throws std::bad_alloc when the memory cannot be had.
  void Resize(int32_t columns, int32_t rows);
  /// Releases every cell.
  void Clear();

  bool Empty() const { return cells_.empty(); }
  int32_t Columns() const { return columns_; }
  int32_t Rows() const { return rows_; }
  std::size_t Count() const { return cells_.size(); }

  std::size_t Index(int32_t column, int32_t row) const {
    assert(column >= 0 && column < columns_ && row >= 0 && row < rows_ && "cell outside the grid");
    return static_cast<std::size_t>(row) * static_cast<std::size_t>(columns_) +
           static_cast<std::size_t>(column);
  }

  TCell& operator()(int32_t column, int32_t row) { return cells_[Index(column, row)]; }
  const TCell& operator()(int32_t column, int32_t row) const { return cells_[Index(column, row)]; }
  TCell& at(std::size_t index) { return cells_[index]; }
  const TCell& at(std::size_t index) const { return cells_[index]; }

  /// Footprint trail of a cell: +10 each time an agent moves off it.
  double& Track(int32_t column, int32_t row) { return track_[Index(column, row)]; }
  double Track(int32_t column, int32_t row) const { return track_[Index(column, row)]; }
  /// Return trail of a cell: +10 for every step a returning agent starts on it.
  double& ReturnTrack(int32_t column, int32_t row) { return returnTrack_[Index(column, row)]; }
  double ReturnTrack(int32_t column, int32_t row) const { return returnTrack_[Index(column, row)]; }

  /// What a cell is: 0 free, 1 nest, 2 destination, 3 obstacle.
  int32_t& Kind(int32_t column, int32_t row) { return kind_[Index(column, row)]; }
  int32_t Kind(int32_t column, int32_t row) const { return kind_[Index(column, row)]; }
  /// 10000 - 10 * Distance: what a returning agent senses.
  double& HomeScent(int32_t column, int32_t row) { return homeScent_[Index(column, row)]; }
  double HomeScent(int32_t column, int32_t row) const { return homeScent_[Index(column, row)]; }

  /// Track when the cell was last painted: the incremental painting compares against it.
  double& LastPainted(int32_t column, int32_t row) { return lastPainted_[Index(column, row)]; }
  double LastPainted(int32_t column, int32_t row) const { return lastPainted_[Index(column, row)]; }

  const int32_t* KindData() const { return kind_.data(); }
  const double* LastPaintedData() const { return lastPainted_.data(); }
  const double* HomeScentData() const { return homeScent_.data(); }
  double* TrackData() { return track_.data(); }
  const double* TrackData() const { return track_.data(); }
  double* ReturnTrackData() { return returnTrack_.data(); }
  const double* ReturnTrackData() const { return returnTrack_.data(); }

  /// The trail range every cell was last painted against. Every operation
  /// that hands a range to the cells hands the same one to all of them, so
  /// one shared pair stands for each cell's ShownMax and ShownMin.
  long double ShownMax = 1.0L;
  long double ShownMin = 0.0L;

 private:
  int32_t columns_ = 0;
  int32_t rows_ = 0;
  std::vector<TCell> cells_;
  std::vector<double> track_;
  std::vector<double> returnTrack_;
  std::vector<int32_t> kind_;
  std::vector<double> homeScent_;
  std::vector<double> lastPainted_;
};

/// An array of extended reals shaped like the grid. Allocated and released
/// with the grid; nothing reads or writes its values.
class TLimbo {
 public:
  void Resize(int32_t columns, int32_t rows) {
    values_.assign(static_cast<std::size_t>(columns) * static_cast<std::size_t>(rows), 0.0L);
  }
  void Clear() { values_.clear(); values_.shrink_to_fit(); }
  std::size_t Count() const { return values_.size(); }

 private:
  std::vector<long double> values_;
};

}  // namespace quorvan
