#include "mouse_editing.h"

namespace quorvan {

void MouseEditing::MouseDown(Qt::MouseButton button, bool ctrl, int32_t x, int32_t y) {
  if (button == Qt::RightButton) RightDown = true;
  if (button == Qt::LeftButton) LeftDown = true;
  if (ctrl) {
    EditDest = sim_.AddDestination(x, y);
    CtrlDown = true;
  }
}

bool MouseEditing::MouseMove(int32_t x, int32_t y) {
  if (!LeftDown && !RightDown) return false;
  // The model ignores points whose cell lies off the grid, and edits
  // nothing while there is no world.
  sim_.EditCellAt(x, y, Action(), EditDest);
  return true;
}

void MouseEditing::MouseUp() {
  LeftDown = false;
  RightDown = false;
  CtrlDown = false;
}

EditAction MouseEditing::Action() const {
  if (LeftDown && !CtrlDown) return EditAction::Obstacles;
  if (RightDown) return EditAction::Free;
  if (LeftDown && CtrlDown) return EditAction::Destination;
  return EditAction::None;
}

}  // namespace quorvan
