#pragma once
// The one palette of a GIF movie, and the mapping of pictures onto it.
//
// A GIF holds at most 256 colours. The panel's pictures are mostly greys
// (the trails, the text of the caption) and a handful of exact colours (the
// kinds of cell, the agents, the gravity lines): the palette holds those
// colours exactly and fills the rest with greys spread evenly from black to
// white, so that a grey is off by at most one level. Any other colour maps
// to the nearest entry.

#include <QImage>
#include <array>
#include <cstdint>
#include <unordered_map>
#include <vector>

namespace quorvan::movie {

class GifPalette {
 public:
  /// `exactColours` (0xRRGGBB; greys among them need no entry of their
  /// own) get entries of their own, at most 64 of them.
  explicit GifPalette(const std::vector<uint32_t>& exactColours = {});

  /// The entries as FFmpeg's PAL8 frames hold them: 0xFFRRGGBB.
  const std::array<uint32_t, 256>& Entries() const { return entries_; }
  /// The entry for a colour (0xRRGGBB, the top byte ignored).
  uint8_t IndexOf(uint32_t rgb);
  /// Maps an RGB32 picture onto the palette: `out` has `lineSize` bytes
  /// a row, at least the picture's width.
  void Map(const QImage& picture, uint8_t* out, int lineSize);

 private:
  uint8_t Nearest(uint32_t rgb) const;

  std::array<uint32_t, 256> entries_{};
  std::array<uint8_t, 256> greyIndex_{};
  std::unordered_map<uint32_t, uint8_t> others_;
};

}  // namespace quorvan::movie
