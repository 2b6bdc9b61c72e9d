// Ellipses: a pixel is in the ellipse inscribed in its box when the
// pixel's centre lies inside or on the ellipse.

#include <algorithm>
#include <cmath>
#include <utility>

#include "canvas.h"
#include "wide_int.h"

namespace quorvan {

namespace {

struct Section {
  int64_t left, right;  // [left, right), relative to the box; empty when left >= right
};

/// The pixels of row `row` (0 <= row < h) inside the ellipse inscribed in a
/// box of w x h pixels. In doubled coordinates from the box centre, pixel i
/// has X = 2i + 1 - w and the row Y = 2 row + 1 - h; it is inside when
/// X^2 / w^2 + Y^2 / h^2 <= 1, i.e. X^2 h^2 <= (h^2 - Y^2) w^2, worked out
/// exactly in 128 bits (w, h < 2^32 keep both sides below 2^128).
Section RowSection(int64_t w, int64_t h, int64_t row) {
  const int64_t y = 2 * row + 1 - h;
  const UInt128 hh = static_cast<UInt128>(h) * static_cast<UInt128>(h);
  const UInt128 yy = static_cast<UInt128>(y < 0 ? -y : y) * static_cast<UInt128>(y < 0 ? -y : y);
  const UInt128 rhs = (hh - yy) * (static_cast<UInt128>(w) * static_cast<UInt128>(w));
  auto inside = [&](int64_t x) {
    const UInt128 xx = static_cast<UInt128>(x) * static_cast<UInt128>(x);
    return xx * hh <= rhs;
  };
  // Largest |X| of the right parity (X = w - 1 mod 2) that is inside: start
  // from the real bound and correct it exactly.
  const long double bound = static_cast<long double>(w) *
                            std::sqrt(static_cast<long double>(h) * h - static_cast<long double>(y) * y) /
                            static_cast<long double>(h);
  int64_t x = std::min(static_cast<int64_t>(bound), w - 1);
  if ((x - (w - 1)) % 2 != 0) --x;
  while (x + 2 <= w - 1 && inside(x + 2)) x += 2;
  while (x >= 0 && !inside(x)) x -= 2;
  if (x < 0) return {0, 0};
  return {(w - 1 - x) / 2, (w - 1 + x) / 2 + 1};
}

}  // namespace

Canvas::EllipseRow Canvas::EllipseRowOf(int64_t w, int64_t h, int64_t pen, int64_t row) {
  const Section outer = RowSection(w, h, row);
  EllipseRow result{outer.left, outer.right, 0, 0};
  // The brush part: the ellipse of the box shrunk by the pen on every side.
  const int64_t iw = w - 2 * pen;
  const int64_t ih = h - 2 * pen;
  if (iw > 0 && ih > 0 && row >= pen && row < h - pen) {
    const Section inner = RowSection(iw, ih, row - pen);
    if (inner.left < inner.right) {
      result.innerL = inner.left + pen;
      result.innerR = inner.right + pen;
    }
  }
  return result;
}

void Canvas::Ellipse(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  int64_t l = x1, t = y1, r = x2, b = y2;
  if (r < l) std::swap(l, r);
  if (b < t) std::swap(t, b);
  const int64_t w = r - l;
  const int64_t h = b - t;
  const int64_t top = std::max<int64_t>(t, 0);
  const int64_t bottom = std::min<int64_t>(b, height_);
  if (w == 0 || h == 0 || top >= bottom || l >= width_ || r <= 0) return;
  const int64_t pen = std::max(penWidth_, 1);

  constexpr int64_t kCachedRows = 256;
  const bool cached = h <= kCachedRows;
  if (cached && (w != cachedW_ || h != cachedH_ || pen != cachedPen_)) {
    cachedRows_.resize(static_cast<std::size_t>(h));
    for (int64_t row = 0; row < h; ++row) cachedRows_[static_cast<std::size_t>(row)] = EllipseRowOf(w, h, pen, row);
    cachedW_ = w;
    cachedH_ = h;
    cachedPen_ = pen;
  }

  const Pixels px = Begin();
  for (int64_t y = top; y < bottom; ++y) {
    const EllipseRow row = cached ? cachedRows_[static_cast<std::size_t>(y - t)] : EllipseRowOf(w, h, pen, y - t);
    if (row.innerL >= row.innerR) {
      Span(px, y, l + row.outerL, l + row.outerR, penPixel_);
    } else {
      Span(px, y, l + row.outerL, l + row.innerL, penPixel_);
      Span(px, y, l + row.innerL, l + row.innerR, brushPixel_);
      Span(px, y, l + row.innerR, l + row.outerR, penPixel_);
    }
  }
}

}  // namespace quorvan
