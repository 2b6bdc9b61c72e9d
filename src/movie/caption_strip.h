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
/// (Text needs a GUI application: EnsureTextDrawing, from the main thread.)

}  // namespace quorvan::movie
