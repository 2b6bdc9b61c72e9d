#pragma once
// Reading the layers back in the colour values the painting is specified
// in, and drawing small areas of them as text for comparisons.

#include <QImage>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace quorvan::testing {

/// The raw 0xAARRGGBB pixel.
inline uint32_t Raw(const QImage& image, int x, int y) {
  return reinterpret_cast<const uint32_t*>(image.constScanLine(y))[x];
}

/// The pixel as a $00BBGGRR colour value (alpha dropped).
inline uint32_t ColorAt(const QImage& image, int x, int y) {
  const uint32_t p = Raw(image, x, y);
  return ((p >> 16) & 0xFFu) | (p & 0xFF00u) | ((p & 0xFFu) << 16);
}

inline bool Transparent(const QImage& image, int x, int y) { return (Raw(image, x, y) >> 24) == 0; }

/// Rows of characters for the area [x0, x1) x [y0, y1), one character per
/// pixel as `legend` names it.
inline std::vector<std::string> Map(const QImage& image, int x0, int y0, int x1, int y1,
                                    const std::function<char(const QImage&, int, int)>& legend) {
  std::vector<std::string> rows;
  for (int y = y0; y < y1; ++y) {
    std::string row;
    for (int x = x0; x < x1; ++x) row += legend(image, x, y);
    rows.push_back(row);
  }
  return rows;
}

/// How many pixels of the whole image have the colour (and are opaque).
inline int Count(const QImage& image, uint32_t color) {
  int n = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (!Transparent(image, x, y) && ColorAt(image, x, y) == color) ++n;
  return n;
}

}  // namespace quorvan::testing
