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

uint32_t Canvas::PixelOf(TColor color) const {
  if (whiteTransparent_ && (color & 0xFFFFFFu) == kWhite) return 0;  // transparent black
  return OpaquePixel(color);
}

void Canvas::SetPenColor(TColor color) {
  penColor_ = color;
  penPixel_ = PixelOf(color);
}

void Canvas::SetPenWidth(int32_t width) {
  if (width >= 0) penWidth_ = width;
}

void Canvas::SetBrushColor(TColor color) {
  brushColor_ = color;
  brushPixel_ = PixelOf(color);
}

Canvas::Pixels Canvas::Begin() {
  return Pixels{reinterpret_cast<uint32_t*>(image_->bits()), image_->bytesPerLine() / 4};
}

void Canvas::Span(const Pixels& px, int64_t y, int64_t x1, int64_t x2, uint32_t pixel) const {
  if (y < 0 || y >= height_) return;
  x1 = std::max<int64_t>(x1, 0);
  x2 = std::min<int64_t>(x2, width_);
  if (x1 >= x2) return;
  std::fill(px.bits + y * px.stride + x1, px.bits + y * px.stride + x2, pixel);
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

void Canvas::FillRect(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  Box(left, top, right, bottom, brushPixel_);
}

void Canvas::Rectangle(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
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
