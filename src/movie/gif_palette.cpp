#include "gif_palette.h"

#include <algorithm>
#include <cstdlib>
#include <limits>

namespace quorvan::movie {

namespace {

constexpr std::size_t kMaxExact = 64;

uint32_t Red(uint32_t c) { return (c >> 16) & 0xFFu; }
uint32_t Green(uint32_t c) { return (c >> 8) & 0xFFu; }
uint32_t Blue(uint32_t c) { return c & 0xFFu; }
bool IsGrey(uint32_t c) { return Red(c) == Green(c) && Green(c) == Blue(c); }

}  // namespace

GifPalette::GifPalette(const std::vector<uint32_t>& exactColours) {
  std::vector<uint32_t> exact;
  for (uint32_t c : exactColours) {
    c &= 0xFFFFFFu;
    if (!IsGrey(c) && std::find(exact.begin(), exact.end(), c) == exact.end() && exact.size() < kMaxExact) {
      exact.push_back(c);
    }
  }
  // Greys first, evenly from 0 to 255 (both ends included), then the exact colours.
  const std::size_t greys = 256 - exact.size();
  std::vector<uint32_t> levels(greys);
  for (std::size_t i = 0; i < greys; ++i) levels[i] = static_cast<uint32_t>((i * 255 + (greys - 1) / 2) / (greys - 1));
  for (std::size_t i = 0; i < greys; ++i) entries_[i] = 0xFF000000u | (levels[i] * 0x010101u);
  for (std::size_t i = 0; i < exact.size(); ++i) entries_[greys + i] = 0xFF000000u | exact[i];
  // Every grey level to its nearest grey entry.
  std::size_t k = 0;
  for (uint32_t g = 0; g < 256; ++g) {
    while (k + 1 < greys && levels[k + 1] <= g) ++k;
    const bool up = k + 1 < greys && levels[k + 1] - g < g - levels[k];
    greyIndex_[g] = static_cast<uint8_t>(up ? k + 1 : k);
  }
  for (std::size_t i = 0; i < exact.size(); ++i) others_.emplace(exact[i], static_cast<uint8_t>(greys + i));
}

uint8_t GifPalette::Nearest(uint32_t rgb) const {
  int best = std::numeric_limits<int>::max();
  uint8_t index = 0;
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    const int dr = static_cast<int>(Red(entries_[i])) - static_cast<int>(Red(rgb));
    const int dg = static_cast<int>(Green(entries_[i])) - static_cast<int>(Green(rgb));
    const int db = static_cast<int>(Blue(entries_[i])) - static_cast<int>(Blue(rgb));
    const int d = 2 * dr * dr + 4 * dg * dg + 3 * db * db;
    if (d < best) {
      best = d;
      index = static_cast<uint8_t>(i);
    }
  }
  return index;
}

uint8_t GifPalette::IndexOf(uint32_t rgb) {
  rgb &= 0xFFFFFFu;
  if (IsGrey(rgb)) return greyIndex_[Blue(rgb)];
  const auto found = others_.find(rgb);
  if (found != others_.end()) return found->second;
  const uint8_t index = Nearest(rgb);
  if (others_.size() < (1u << 16)) others_.emplace(rgb, index);
  return index;
}

void GifPalette::Map(const QImage& picture, uint8_t* out, int lineSize) {
  const QImage rgb = picture.format() == QImage::Format_RGB32 || picture.format() == QImage::Format_ARGB32
                         ? picture
                         : picture.convertToFormat(QImage::Format_RGB32);
  const int width = rgb.width();
  const int height = rgb.height();
  if (width == 0) return;
  for (int y = 0; y < height; ++y) {
    const auto* line = reinterpret_cast<const uint32_t*>(rgb.constScanLine(y));
    uint8_t* row = out + static_cast<std::ptrdiff_t>(y) * lineSize;
    uint32_t last = line[0];
    uint8_t lastIndex = IndexOf(last);
    for (int x = 0; x < width; ++x) {
      if (line[x] != last) {
        last = line[x];
        lastIndex = IndexOf(last);
      }
      row[x] = lastIndex;
    }
  }
}

}  // namespace quorvan::movie
