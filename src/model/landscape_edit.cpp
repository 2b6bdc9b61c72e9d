// Editing the landscape cell by cell, as the mouse does.

#include "simulation.h"

namespace quorvan {

int32_t Simulation::AddDestination(int32_t x, int32_t y) {
  Destinations.push_back({x, y, 0});
  return static_cast<int32_t>(Destinations.size() - 1);
}

void Simulation::EditCellAt(int32_t x, int32_t y, EditAction action, int32_t destIndex) {
  if (!HasWorld() || action == EditAction::None) return;
  const int32_t c = CellIndexOf(x);
  const int32_t r = CellIndexOf(y);
  // A point whose nearest cell index lies off the grid edits nothing.
  if (c < 0 || c >= ColCount || r < 0 || r >= RowCount) return;

  switch (action) {
    case EditAction::Obstacles:
      StampBlock(c, r, 1, kObstacle, false, 0);
      break;
    case EditAction::Free:
      Cells.Kind(c, r) = kFree;
      display_->PaintCell(c, r);
      break;
    case EditAction::Destination:
      // A cell must never name an entry the list does not have.
      if (destIndex < 0 || static_cast<std::size_t>(destIndex) >= Destinations.size()) return;
      Cells.Kind(c, r) = kDestination;
      Cells(c, r).DestIndex = destIndex;
      display_->PaintCell(c, r);
      break;
    case EditAction::None:
      break;
  }
}

}  // namespace quorvan
