#pragma once
// Qt draws text (and fonts in pictures) only inside a GUI application: the
// batch runner, which has none, starts one on demand for its captions and
// plots.

namespace quorvan {

/// Makes sure Qt can draw text: a program without a Qt application gets a
/// QGuiApplication on the "offscreen" platform (unless QT_QPA_PLATFORM
/// names another), with a private runtime folder when there is none. Call
/// it from the main thread before any text is drawn. False when the program
/// runs a Qt application without a GUI, where no text can be drawn.
bool EnsureTextDrawing();

}  // namespace quorvan
