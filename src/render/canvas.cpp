// Canvas state, rectangles and fills.

#include "canvas.h"

#include <algorithm>
#include <utility>

namespace quorvan {

Canvas::Canvas(QImage& image, WhiteIs white)
    : image_(&image),
      whiteTransparent_(white == WhiteIs::Transparent),
      width_(image.width()),
      height_(image.height()),
      penPixel_(PixelOf(kBlack)),
      brushPixel_(PixelOf(kWhite)) {}

Canvas::Pixels Canvas::Fetch() {
  return Pixels{reinterpret_cast<uint32_t*>(image_->bits()), image_->bytesPerLine() / 4};
}

void Canvas::Box(int64_t x1, int64_t y1, int64_t x2, int64_t y2, uint32_t pixel) {
  if (x2 < x1) std::swap(x1, x2);
  if (y2 < y1) std::swap(y1, y2);
  const int64_t top = std::max<int64_t>(y1, 0);
  const int64_t bottom = std::min<int64_t>(y2, height_);
  if (top >= bottom || x1 >= width_ || x2 <= 0) return;
  const Pixels px = Begin();
  for (int64_t y = top; y < bottom; ++y) Span(px, y, x1, x2, pixel);
}

void Canvas::FillBlocks(int64_t x1, int64_t y1, int64_t x2, int64_t y2) {
  constexpr int64_t kBlock = 16;
  x1 = std::max<int64_t>(x1, 0);
  y1 = std::max<int64_t>(y1, 0);
  x2 = std::min<int64_t>(x2, width_);
  y2 = std::min<int64_t>(y2, height_);
  if (x1 >= x2 || y1 >= y2) return;
  if (width_ < kBlock) {
    Box(x1, y1, x2, y2, brushPixel_);
    return;
  }
  // Whole blocks from x1 rounded down; at the right edge the run moves left
  // to stay on the row.
  const int64_t blocks = ((x2 - (x1 & ~(kBlock - 1))) + kBlock - 1) / kBlock;
  const int64_t start = std::max<int64_t>(std::min(x1 & ~(kBlock - 1), width_ - blocks * kBlock), 0);
  const int64_t end = std::min<int64_t>(start + blocks * kBlock, width_);
  const Pixels px = Begin();
  for (int64_t y = y1; y < y2; ++y) {
    uint32_t* row = px.bits + y * px.stride;
    if (end - start == blocks * kBlock) {
      for (int64_t b = 0; b < blocks; ++b) std::fill_n(row + start + b * kBlock, kBlock, brushPixel_);
    } else {
      std::fill(row + start, row + end, brushPixel_);
    }
  }
}

void Canvas::FillRect(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  Box(left, top, right, bottom, brushPixel_);
}

void Canvas::AnyRectangle(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  if (penPixel_ == brushPixel_) {
    Box(x1, y1, x2, y2, penPixel_);
    return;
  }
  int64_t l = x1, t = y1, r = x2, b = y2;
  if (r < l) std::swap(l, r);
  if (b < t) std::swap(t, b);
  const int64_t frame = std::max(penWidth_, 1);
  const int64_t top = std::max<int64_t>(t, 0);
  const int64_t bottom = std::min<int64_t>(b, height_);
  if (top >= bottom || l >= width_ || r <= 0) return;
  const Pixels px = Begin();
  for (int64_t y = top; y < bottom; ++y) {
    if (y < t + frame || y >= b - frame) {
      Span(px, y, l, r, penPixel_);
    } else {
      Span(px, y, l, std::min(l + frame, r), penPixel_);
      Span(px, y, l + frame, r - frame, brushPixel_);
      Span(px, y, std::max(r - frame, l), r, penPixel_);
    }
  }
}

}  // namespace quorvan
