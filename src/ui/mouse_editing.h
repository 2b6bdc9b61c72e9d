#pragma once
// Editing the landscape with the mouse on the drawing panel: the button
// flags a mouse-down sets, and the edit they choose for each move.

#include <cstdint>

#include <Qt>

#include "simulation.h"

namespace quorvan {

class MouseEditing {
 public:
  explicit MouseEditing(Simulation& sim) : sim_(sim) {}

  /// The left button went down on the panel, and no button has come up since.
  bool LeftDown = false;
  /// The right button went down on the panel, and no button has come up since.
  bool RightDown = false;
  /// A mouse-down with Ctrl added a destination, and no button has come up since.
  bool CtrlDown = false;
  /// Index in Destinations of the destination added by the last Ctrl mouse-down.
  int32_t EditDest = 0;

  /// Sets the flags of `button`; with Ctrl held (any button) appends a
  /// destination at the point. Changes no cell.
  void MouseDown(Qt::MouseButton button, bool ctrl, int32_t x, int32_t y);
  /// Edits at the point while an editing button is held. Returns whether
  /// anything may have been painted.
  bool MouseMove(int32_t x, int32_t y);
  /// Any button coming up ends the editing.
  void MouseUp();

  /// The edit a move makes, the first that applies: left without Ctrl
  /// stamps obstacles, right frees, left after a Ctrl mouse-down paints
  /// the destination EditDest.
  EditAction Action() const;

 private:
  Simulation& sim_;
};

}  // namespace quorvan
