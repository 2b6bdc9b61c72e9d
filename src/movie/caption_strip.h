#pragma once
// The caption strip under a movie frame: one line of text on white.

#include <QImage>
#include <string>

namespace quorvan::movie {

/// The strip's height in pixels (even, so that a 4:2:0 movie of an even
/// panel needs no padding).
inline constexpr int kCaptionHeight = 20;

/// The panel with a strip of kCaptionHeight under it holding `text` in
/// black, left-aligned (cut at the right edge when too long).
QImage WithCaption(const QImage& panel, const std::string& text);

/// Makes sure Qt can draw text: a program without a Qt application gets
/// one on the "offscreen" platform (unless QT_QPA_PLATFORM says another).
/// Call it from the main thread before any caption is drawn.
void EnsureTextDrawing();

}  // namespace quorvan::movie
