// MoveTo and LineTo: one-pixel lines by Bresenham, wider ones as the set of
// pixels within half the pen width of the segment.

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "canvas.h"
#include "wide_int.h"

namespace quorvan {

namespace {

int64_t FloorDiv2(int64_t v) { return v >= 0 ? v / 2 : -((1 - v) / 2); }
int64_t CeilDiv2(int64_t v) { return -FloorDiv2(-v); }

/// Cuts the segment back to the square |x|, |y| <= kFarCoordinate
/// (Liang-Barsky), rounding the new end points half to even. False when the
/// segment misses the square.
bool CutToFarSquare(int64_t& x0, int64_t& y0, int64_t& x1, int64_t& y1) {
  const int64_t far = Canvas::kFarCoordinate;
  auto near = [far](int64_t v) { return v >= -far && v <= far; };
  if (near(x0) && near(y0) && near(x1) && near(y1)) return true;
  const long double dx = static_cast<long double>(x1 - x0);
  const long double dy = static_cast<long double>(y1 - y0);
  long double t0 = 0.0L, t1 = 1.0L;
  auto clip = [&](long double p, long double q) {  // p t <= q
    if (p == 0.0L) return q >= 0.0L;
    const long double t = q / p;
    if (p < 0.0L) {
      if (t > t1) return false;
      t0 = std::max(t0, t);
    } else {
      if (t < t0) return false;
      t1 = std::min(t1, t);
    }
    return true;
  };
  const long double f = static_cast<long double>(far);
  if (!clip(-dx, static_cast<long double>(x0) + f) || !clip(dx, f - static_cast<long double>(x0)) ||
      !clip(-dy, static_cast<long double>(y0) + f) || !clip(dy, f - static_cast<long double>(y0))) {
    return false;
  }
  const long double ox = static_cast<long double>(x0), oy = static_cast<long double>(y0);
  x0 = static_cast<int64_t>(std::nearbyint(ox + t0 * dx));
  y0 = static_cast<int64_t>(std::nearbyint(oy + t0 * dy));
  x1 = static_cast<int64_t>(std::nearbyint(ox + t1 * dx));
  y1 = static_cast<int64_t>(std::nearbyint(oy + t1 * dy));
  return true;
}

}  // namespace

void Canvas::MoveTo(int32_t x, int32_t y) {
  curX_ = x;
  curY_ = y;
}

void Canvas::LineTo(int32_t x, int32_t y) {
  int64_t x0 = curX_, y0 = curY_, x1 = x, y1 = y;
  curX_ = x;
  curY_ = y;
  if (!CutToFarSquare(x0, y0, x1, y1)) return;
  if (penWidth_ <= 1) {
    ThinLine(x0, y0, x1, y1);
  } else {
    WideLine(x0, y0, x1, y1, std::min(penWidth_, kMaxLineWidth));
  }
}

void Canvas::ThinLine(int64_t x0, int64_t y0, int64_t x1, int64_t y1) {
  if (std::max(x0, x1) < 0 || std::min(x0, x1) >= width_ || std::max(y0, y1) < 0 ||
      std::min(y0, y1) >= height_) {
    return;
  }
  const Pixels px = Begin();
  auto inside = [&](int64_t x, int64_t y) { return x >= 0 && x < width_ && y >= 0 && y < height_; };

  // Straight and diagonal lines (every heading tick), wholly on the image:
  // the same pixels as below, without the error term and the clipping.
  const int64_t ax = std::abs(x1 - x0), ay = std::abs(y1 - y0);
  if (ax == 0 || ay == 0 || ax == ay) {
    const int64_t n = std::max(ax, ay);
    const int64_t ux = (x1 > x0) - (x1 < x0), uy = (y1 > y0) - (y1 < y0);
    if (inside(x0, y0) && inside(x0 + ux * (n - 1), y0 + uy * (n - 1))) {
      uint32_t* p = px.bits + y0 * px.stride + x0;
      const int64_t step = uy * px.stride + ux;
      for (int64_t k = 0; k < n; ++k) p[k * step] = penPixel_;
      return;
    }
  }

  const int64_t dx = std::abs(x1 - x0), sx = x0 < x1 ? 1 : -1;
  const int64_t dy = -std::abs(y1 - y0), sy = y0 < y1 ? 1 : -1;
  int64_t err = dx + dy;
  while (x0 != x1 || y0 != y1) {  // the end point itself is left out
    if (inside(x0, y0)) px.bits[y0 * px.stride + x0] = penPixel_;
    const int64_t e2 = 2 * err;
    if (e2 >= dy) {
      err += dy;
      x0 += sx;
    }
    if (e2 <= dx) {
      err += dx;
      y0 += sy;
    }
  }
}

void Canvas::WideLine(int64_t x0, int64_t y0, int64_t x1, int64_t y1, int64_t width) {
  // Doubled coordinates: pixel (x, y) has its centre at (2x, 2y); an even
  // width moves the segment half a pixel up and left; the radius is width/2,
  // doubled: width.
  const int64_t shift = (width % 2 == 0) ? 1 : 0;
  const int64_t ax = 2 * x0 - shift, ay = 2 * y0 - shift;
  const int64_t bx = 2 * x1 - shift, by = 2 * y1 - shift;
  const int64_t dx = bx - ax, dy = by - ay;
  const int64_t r = width;
  const Int128 rr = static_cast<Int128>(r) * r;
  const Int128 len2 = static_cast<Int128>(dx) * dx + static_cast<Int128>(dy) * dy;

  // Exact: is the centre of pixel (x, y) within the radius of the segment?
  auto inside = [&](int64_t x, int64_t y) {
    const int64_t vx = 2 * x - ax, vy = 2 * y - ay;
    const Int128 dot = static_cast<Int128>(vx) * dx + static_cast<Int128>(vy) * dy;
    if (len2 == 0 || dot <= 0) return static_cast<Int128>(vx) * vx + static_cast<Int128>(vy) * vy <= rr;
    if (dot >= len2) {
      const int64_t ux = 2 * x - bx, uy = 2 * y - by;
      return static_cast<Int128>(ux) * ux + static_cast<Int128>(uy) * uy <= rr;
    }
    const Int128 cross = static_cast<Int128>(vx) * dy - static_cast<Int128>(vy) * dx;
    return cross * cross <= rr * len2;
  };

  const int64_t top = std::max<int64_t>(CeilDiv2(std::min(ay, by) - r), 0);
  const int64_t bottom = std::min<int64_t>(FloorDiv2(std::max(ay, by) + r), height_ - 1);
  if (top > bottom || width_ <= 0) return;

  const long double lax = ax, lay = ay, lbx = bx, lby = by, ldx = dx, ldy = dy, lr = r;
  const long double llen2 = static_cast<long double>(dx) * dx + static_cast<long double>(dy) * dy;
  const Pixels px = Begin();
  for (int64_t y = top; y <= bottom; ++y) {
    // A close estimate of the row's covered x range (doubled), from the two
    // round caps and the band along the segment, corrected exactly below.
    const long double yy = 2.0L * static_cast<long double>(y);
    long double lo = std::numeric_limits<long double>::infinity();
    long double hi = -lo;
    auto cap = [&](long double cx, long double cy) {
      const long double d = yy - cy;
      if (std::fabs(d) <= lr) {
        const long double h = std::sqrt(lr * lr - d * d);
        lo = std::min(lo, cx - h);
        hi = std::max(hi, cx + h);
      }
    };
    cap(lax, lay);
    cap(lbx, lby);
    if (dy != 0) {
      const long double rel = (yy - lay) * ldy;  // the row's part of the projection
      const long double xc = lax + (yy - lay) * ldx / ldy;
      const long double half = lr * std::sqrt(llen2) / std::fabs(ldy);
      long double sl = xc - half, sh = xc + half;
      if (dx > 0) {
        sl = std::max(sl, lax - rel / ldx);
        sh = std::min(sh, lax + (llen2 - rel) / ldx);
      } else if (dx < 0) {
        sl = std::max(sl, lax + (llen2 - rel) / ldx);
        sh = std::min(sh, lax - rel / ldx);
      } else if (rel < 0.0L || rel > llen2) {
        sl = 1.0L;
        sh = 0.0L;
      }
      if (sl <= sh) {
        lo = std::min(lo, sl);
        hi = std::max(hi, sh);
      }
    } else if (dx != 0 && std::fabs(yy - lay) <= lr) {
      lo = std::min(lo, std::min(lax, lbx));
      hi = std::max(hi, std::max(lax, lbx));
    }
    if (!(lo <= hi)) continue;

    const long double maxX = static_cast<long double>(width_ - 1);
    int64_t xl = static_cast<int64_t>(std::clamp(std::ceil(lo / 2.0L), 0.0L, maxX));
    int64_t xr = static_cast<int64_t>(std::clamp(std::floor(hi / 2.0L), 0.0L, maxX));
    while (xl > 0 && inside(xl - 1, y)) --xl;
    while (xl <= xr && !inside(xl, y)) ++xl;
    while (xr < width_ - 1 && inside(xr + 1, y)) ++xr;
    while (xr >= xl && !inside(xr, y)) --xr;
    if (xl <= xr) Span(px, y, xl, xr + 1, penPixel_);
  }
}

}  // namespace quorvan
