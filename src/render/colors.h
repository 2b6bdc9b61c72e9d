#pragma once
// Colour values of the painting, kept as the 32-bit $00BBGGRR values the
// display has always used (red in the low byte), and their conversion to the
// 0xAARRGGBB pixels of a QImage.

#include <cstdint>

namespace quorvan {

/// A colour as $00BBGGRR: red in the low byte, then green, then blue.
using TColor = uint32_t;

inline constexpr TColor kNestColor = 0xFF0000;         // blue (0, 0, 255)
inline constexpr TColor kDestinationColor = 0x008000;  // green (0, 128, 0)
inline constexpr TColor kObstacleColor = 0x800000;     // navy (0, 0, 128)
inline constexpr TColor kAgentOutline = 0x808080;      // grey (128, 128, 128)
inline constexpr TColor kSearchingFill = 0x0000FF;     // red (255, 0, 0)
inline constexpr TColor kReturningFill = 0x00FF00;     // lime (0, 255, 0)
inline constexpr TColor kTickColor = 0x008000;         // green (0, 128, 0)
inline constexpr TColor kGravityColor = 0x000080;      // maroon (128, 0, 0)
inline constexpr TColor kWhite = 0xFFFFFF;
inline constexpr TColor kBlack = 0x000000;

/// The grey (g, g, g) of a free cell, from the low eight bits of its Grey.
inline constexpr TColor GreyColor(int32_t grey) {
  const uint32_t g = static_cast<uint32_t>(grey) & 0xFFu;
  return g | (g << 8) | (g << 16);
}

/// The opaque QImage pixel (0xFFRRGGBB) of a colour; the top byte of the
/// colour value is ignored.
inline constexpr uint32_t OpaquePixel(TColor c) {
  const uint32_t r = c & 0xFFu;
  const uint32_t g = (c >> 8) & 0xFFu;
  const uint32_t b = (c >> 16) & 0xFFu;
  return 0xFF000000u | (r << 16) | (g << 8) | b;
}

}  // namespace quorvan
