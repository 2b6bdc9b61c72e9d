#pragma once
// A drawing surface over a 32-bit QImage with the pen-and-brush model the
// painting is written against: a pen (colour, width) for lines and
// outlines, a brush (colour) for fills, and a current point for MoveTo and
// LineTo. Pen and brush stay set from one operation to the next.
//
// Pixels are written straight into the image: a whole step paints a few
// thousand tiny shapes, and QPainter takes some twenty times as long for
// the agents alone (see the render benchmark).
//
// Conventions (pixel (x, y) is the pixel whose top-left corner is (x, y)):
// - Rectangle, FillRect and Ellipse cover x1 <= x < x2, y1 <= y < y2; a box
//   given with x2 < x1 (or y2 < y1) is taken with its corners swapped.
// - Pen width 0 draws like width 1; a negative width is ignored.
// - Rectangle: the outline is a frame of the pen's width inside the box,
//   the rest is filled with the brush.
// - Ellipse: a pixel belongs to the ellipse inscribed in the box when its
//   centre lies inside or on it. The outline is the part of the ellipse
//   that is not inside the ellipse shrunk by the pen width on every side
//   (same centre); the rest is filled with the brush. A 4 x 4 box with a
//   one-pixel pen gives
//       . o o .
//       o f f o
//       o f f o
//       . o o .
//   (o pen, f brush, . untouched): the agents' circle.
// - LineTo with a one-pixel pen draws the Bresenham line from the current
//   point up to, not including, the end point, so consecutive LineTo calls
//   do not paint their joints twice and a line of length 6 is 6 pixels.
// - LineTo with a wider pen w paints every pixel whose centre lies within
//   w / 2 of the segment between the centres of the end pixels, end caps
//   round and both ends included. For an even w the segment is moved half a
//   pixel up and to the left, so that a horizontal line of width w covers
//   exactly w rows (w / 2 above the end points' row and w / 2 - 1 below).
//   Pens wider than kMaxLineWidth draw as kMaxLineWidth.
// - Everything is clipped to the image. Line end points farther than
//   kFarCoordinate from the origin are first cut back to that square and
//   rounded, which nothing in the program comes near.
// - On a canvas made with WhiteIs::Transparent, the colour white writes
//   fully transparent pixels: the layer is "transparent where white".

#include <QImage>
#include <cstdint>
#include <vector>

#include "colors.h"

namespace quorvan {

class Canvas {
 public:
  enum class WhiteIs { Opaque, Transparent };

  /// Widest pen LineTo honours.
  static constexpr int32_t kMaxLineWidth = 1 << 17;
  /// Line end points are cut back to +/- this many pixels.
  static constexpr int32_t kFarCoordinate = 1 << 16;

  /// Draws on `image` (Format_RGB32, Format_ARGB32 or
  /// Format_ARGB32_Premultiplied), which must outlive the canvas. The pen
  /// starts black and one pixel wide, the brush white, the current point at
  /// (0, 0).
  Canvas(QImage& image, WhiteIs white);

  void SetPenColor(TColor color) {
    penColor_ = color;
    penPixel_ = PixelOf(color);
  }
  TColor PenColor() const { return penColor_; }
  /// A negative width is ignored and leaves the width as it was.
  void SetPenWidth(int32_t width) {
    if (width >= 0) penWidth_ = width;
  }
  int32_t PenWidth() const { return penWidth_; }
  void SetBrushColor(TColor color) {
    brushColor_ = color;
    brushPixel_ = PixelOf(color);
  }
  TColor BrushColor() const { return brushColor_; }

  /// While a Batch is open the canvas fetches the image's pixels once
  /// instead of at every operation, for runs of many small shapes. Nothing
  /// else may copy or change the image meanwhile.
  class Batch {
   public:
    explicit Batch(Canvas& canvas) : canvas_(canvas) {
      if (canvas_.batchDepth_++ == 0) canvas_.batch_ = canvas_.Fetch();
    }
    ~Batch() { --canvas_.batchDepth_; }
    Batch(const Batch&) = delete;
    Batch& operator=(const Batch&) = delete;

   private:
    Canvas& canvas_;
  };

  /// Asks the processor to fetch the memory of pixel (x, y) ahead of
  /// drawing there (only inside a Batch; outside the image it does nothing).
  void Prefetch(int64_t x, int64_t y) const {
    if (batchDepth_ > 0 && x >= 0 && x < width_ && y >= 0 && y < height_) {
      __builtin_prefetch(batch_.bits + y * batch_.stride + x, 1);
    }
  }

  void Rectangle(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    // The cells' squares: one colour, wholly inside the image, ordered.
    if (penPixel_ == brushPixel_ && x1 >= 0 && y1 >= 0 && x1 < x2 && y1 < y2 && x2 <= width_ && y2 <= height_) {
      const Pixels px = Begin();
      for (int64_t y = y1; y < y2; ++y) {
        uint32_t* row = px.bits + y * px.stride;
        for (int64_t x = x1; x < x2; ++x) row[x] = penPixel_;
      }
      return;
    }
    AnyRectangle(x1, y1, x2, y2);
  }
  void FillRect(int32_t left, int32_t top, int32_t right, int32_t bottom);
  /// Fills with the brush at least the box [x1, x2) x [y1, y2) (clipped to
  /// the image), rounded out on each row to whole blocks of 16 pixels, one
  /// cache line: for wiping small shapes off a surface that has the brush's
  /// colour everywhere else, where the exact box costs more.
  void FillBlocks(int64_t x1, int64_t y1, int64_t x2, int64_t y2);
  void Ellipse(int32_t x1, int32_t y1, int32_t x2, int32_t y2);
  void MoveTo(int32_t x, int32_t y);
  void LineTo(int32_t x, int32_t y);

  int32_t Width() const { return width_; }
  int32_t Height() const { return height_; }

 private:
  /// The pixels of one drawing operation (or batch). Fetched through
  /// QImage::bits(), so that a copy of the image someone else holds is
  /// detached from, never drawn into.
  struct Pixels {
    uint32_t* bits;
    int64_t stride;  // in pixels
  };
  /// Relative pixel spans [outerL, outerR) and [innerL, innerR) of one row of
  /// an ellipse box: outer is the whole ellipse, inner its brush part.
  struct EllipseRow {
    int64_t outerL, outerR, innerL, innerR;
  };

  Pixels Fetch();
  Pixels Begin() { return batchDepth_ > 0 ? batch_ : Fetch(); }
  uint32_t PixelOf(TColor color) const {
    if (whiteTransparent_ && (color & 0xFFFFFFu) == kWhite) return 0;  // transparent black
    return OpaquePixel(color);
  }
  /// Paints [x1, x2) of row y, clipped to the image.
  void Span(const Pixels& px, int64_t y, int64_t x1, int64_t x2, uint32_t pixel) const {
    if (y < 0 || y >= height_) return;
    if (x1 < 0) x1 = 0;
    if (x2 > width_) x2 = width_;
    uint32_t* row = px.bits + y * px.stride;
    for (int64_t x = x1; x < x2; ++x) row[x] = pixel;
  }
  void Box(int64_t x1, int64_t y1, int64_t x2, int64_t y2, uint32_t pixel);
  /// Rectangle in every case: outline and fill apart, clipped, any order.
  void AnyRectangle(int32_t x1, int32_t y1, int32_t x2, int32_t y2);

  EllipseRow EllipseRowOf(int64_t w, int64_t h, int64_t pen, int64_t row);
  void ThinLine(int64_t x0, int64_t y0, int64_t x1, int64_t y1);
  void WideLine(int64_t x0, int64_t y0, int64_t x1, int64_t y1, int64_t width);

  QImage* image_;
  bool whiteTransparent_;
  int32_t width_;
  int32_t height_;

  TColor penColor_ = kBlack;
  TColor brushColor_ = kWhite;
  uint32_t penPixel_;
  uint32_t brushPixel_;
  int32_t penWidth_ = 1;
  int32_t curX_ = 0;
  int32_t curY_ = 0;

  int batchDepth_ = 0;
  Pixels batch_{nullptr, 0};

  // The rows of the last small ellipse box drawn: every agent has the same
  // box, so its spans are worked out once.
  int64_t cachedW_ = -1, cachedH_ = -1, cachedPen_ = -1;
  std::vector<EllipseRow> cachedRows_;
};

}  // namespace quorvan
