// The GIF palette: the panel's colours exactly, greys within a level.

#include "gif_palette.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace quorvan::movie {
namespace {

uint32_t Rgb(uint32_t entry) { return entry & 0xFFFFFFu; }

TEST(GifPalette, PaintedColoursAreExactAndGreysWithinOneLevel) {
  const std::vector<uint32_t> exact = {0x0000FF, 0x008000, 0x000080, 0xFF0000, 0x00FF00, 0x800000, 0x0000FF};
  GifPalette palette(exact);
  for (uint32_t c : exact) EXPECT_EQ(Rgb(palette.Entries()[palette.IndexOf(c)]), c) << std::hex << c;
  for (uint32_t g = 0; g < 256; ++g) {
    const uint32_t got = Rgb(palette.Entries()[palette.IndexOf(g * 0x010101u)]);
    EXPECT_EQ((got >> 16) & 0xFF, got & 0xFF);
    EXPECT_LE(std::abs(static_cast<int>(got & 0xFF) - static_cast<int>(g)), 1) << g;
  }
  EXPECT_EQ(Rgb(palette.Entries()[palette.IndexOf(0xFFFFFF)]), 0xFFFFFFu);
  EXPECT_EQ(Rgb(palette.Entries()[palette.IndexOf(0x000000)]), 0x000000u);
  // A colour it does not hold: the nearest entry.
  EXPECT_EQ(Rgb(palette.Entries()[palette.IndexOf(0x0204F8)]), 0x0000FFu);
}

// Rows are mapped pixel by pixel, whatever colour a row starts with.
TEST(GifPalette, MapsEveryPixelOfAPicture) {
  GifPalette palette({0xFF0000});
  QImage picture(5, 3, QImage::Format_RGB32);
  const uint32_t rows[3][5] = {{0xFFFFFFFF, 0xFFFFFFFF, 0xFFFF0000, 0xFF000000, 0xFFFFFFFF},
                               {0xFF000000, 0xFF808080, 0xFF808080, 0xFFFFFFFF, 0xFFFF0000},
                               {0xFFFF0000, 0xFFFFFFFF, 0xFF000000, 0xFF404040, 0xFF404040}};
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 5; ++x) picture.setPixel(x, y, rows[y][x]);
  }
  std::vector<uint8_t> out(8 * 3, 0);
  palette.Map(picture, out.data(), 8);
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 5; ++x) {
      const uint32_t want = rows[y][x] & 0xFFFFFFu;
      const uint32_t got = Rgb(palette.Entries()[out[static_cast<std::size_t>(y * 8 + x)]]);
      for (int shift : {0, 8, 16}) {
        EXPECT_LE(std::abs(static_cast<int>((got >> shift) & 0xFF) - static_cast<int>((want >> shift) & 0xFF)), 1)
            << x << "," << y;
      }
    }
  }
}

}  // namespace
}  // namespace quorvan::movie
