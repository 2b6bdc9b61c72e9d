#pragma once
// One grid cell: its place, its distance to the nest, and its painting state.
// What the agents read and write on every step (the two trails, the cell's
// kind and its home scent) lives in the grid's own arrays (see TCellList).

#include <cstdint>

namespace quorvan {

/// What a cell is.
enum CellKind : int32_t { kFree = 0, kNest = 1, kDestination = 2, kObstacle = 3 };

class TCell {
 public:
  TCell() = default;
  TCell(int32_t positionX, int32_t positionY, int32_t size, int32_t fillColor)
      : PositionX(positionX), PositionY(positionY), Size(size), FillColor(fillColor) {}

  /// Pixels from this cell's centre to the nest cell's centre, rounded.
  int32_t Distance = 0;
  /// Grey level computed at the cell's last painting (not limited to 0..255).
  int32_t Grey = 0;
  /// For a destination cell, the index of its entry in Destinations.
  int32_t DestIndex = 0;
  /// Pixel centre of the cell.
  int32_t PositionX = 0;
  int32_t PositionY = 0;
  /// Half the edge of the painted square.
  int32_t Size = 0;
  /// A colour value that nothing reads.
  int32_t FillColor = 0;
};

}  // namespace quorvan
