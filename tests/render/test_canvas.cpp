// The canvas's pixel conventions, on small images.

#include "canvas.h"

#include <gtest/gtest.h>

#include <ostream>

#include "pixels.h"

namespace quorvan {
namespace {

using testing::ColorAt;
using testing::Map;
using testing::Raw;

constexpr uint32_t kRed = 0x0000FF;   // (255, 0, 0)
constexpr uint32_t kLime = 0x00FF00;  // (0, 255, 0)

QImage White(int w = 20, int h = 20) {
  QImage image(w, h, QImage::Format_RGB32);
  image.fill(0xFFFFFFFFu);
  return image;
}

/// '#' pen red, '+' brush lime, '.' white, '?' anything else.
char RedLime(const QImage& image, int x, int y) {
  switch (ColorAt(image, x, y)) {
    case kRed: return '#';
    case kLime: return '+';
    case 0xFFFFFF: return '.';
    default: return '?';
  }
}

struct CanvasTest : ::testing::Test {
  QImage image = White();
  Canvas canvas{image, Canvas::WhiteIs::Opaque};
  void SetUp() override {
    canvas.SetPenColor(kRed);
    canvas.SetBrushColor(kLime);
  }
};

TEST_F(CanvasTest, ColoursAreBgrValuesWrittenAsRgbPixels) {
  canvas.SetBrushColor(0x800000);  // navy (0, 0, 128)
  canvas.FillRect(0, 0, 1, 1);
  canvas.SetBrushColor(0x008000);  // green (0, 128, 0)
  canvas.FillRect(1, 0, 2, 1);
  EXPECT_EQ(Raw(image, 0, 0), 0xFF000080u);
  EXPECT_EQ(Raw(image, 1, 0), 0xFF008000u);
}

TEST_F(CanvasTest, RectangleOutlinesWithThePenAndExcludesRightAndBottom) {
  canvas.SetPenWidth(0);  // draws one pixel wide
  canvas.Rectangle(1, 1, 6, 5);
  EXPECT_EQ(Map(image, 0, 0, 8, 6, RedLime), (std::vector<std::string>{
                                                  "........",
                                                  ".#####..",
                                                  ".#+++#..",
                                                  ".#+++#..",
                                                  ".#####..",
                                                  "........",
                                              }));
}

TEST_F(CanvasTest, WiderPenFramesInsideTheBoxAndNegativeWidthIsIgnored) {
  canvas.SetPenWidth(2);
  canvas.SetPenWidth(-1);
  EXPECT_EQ(canvas.PenWidth(), 2);
  canvas.Rectangle(0, 0, 6, 6);
  EXPECT_EQ(Map(image, 0, 0, 7, 7, RedLime), (std::vector<std::string>{
                                                  "######.",
                                                  "######.",
                                                  "##++##.",
                                                  "##++##.",
                                                  "######.",
                                                  "######.",
                                                  ".......",
                                              }));
}

TEST_F(CanvasTest, FillRectHasNoOutlineAndSwappedCornersAreNormalised) {
  canvas.FillRect(3, 2, 1, 0);
  EXPECT_EQ(Map(image, 0, 0, 4, 3, RedLime), (std::vector<std::string>{".++.", ".++.", "...."}));
}

TEST_F(CanvasTest, ShapesAreClippedToTheImage) {
  canvas.SetPenWidth(0);
  canvas.Rectangle(-3, -3, 3, 3);
  canvas.Rectangle(18, 17, 30, 30);
  canvas.Ellipse(-2, 18, 2, 22);
  EXPECT_EQ(Map(image, 0, 0, 3, 3, RedLime), (std::vector<std::string>{"++#", "++#", "###"}));
  EXPECT_EQ(Map(image, 17, 16, 20, 20, RedLime), (std::vector<std::string>{"...", ".##", ".#+", ".#+"}));
  EXPECT_EQ(Map(image, 0, 18, 2, 20, RedLime), (std::vector<std::string>{"#.", "+#"}));
}

TEST_F(CanvasTest, EllipsesFollowThePixelCentreRule) {
  canvas.SetPenWidth(1);
  canvas.Ellipse(1, 1, 5, 5);
  canvas.Ellipse(7, 1, 13, 7);
  EXPECT_EQ(Map(image, 0, 0, 14, 8, RedLime), (std::vector<std::string>{
                                                   "..............",
                                                   "..##....####..",
                                                   ".#++#..##++##.",
                                                   ".#++#..#++++#.",
                                                   "..##...#++++#.",
                                                   ".......##++##.",
                                                   "........####..",
                                                   "..............",
                                               }));
}

TEST_F(CanvasTest, OnePixelLinesLeaveOutTheirEndPoint) {
  canvas.SetPenWidth(0);
  canvas.MoveTo(1, 1);
  canvas.LineTo(5, 1);
  canvas.LineTo(5, 4);  // continues from (5, 1)
  canvas.MoveTo(0, 5);
  canvas.LineTo(3, 8);
  canvas.MoveTo(7, 7);
  canvas.LineTo(7, 7);  // nothing
  EXPECT_EQ(Map(image, 0, 0, 8, 9, RedLime), (std::vector<std::string>{
                                                  "........",
                                                  ".#####..",
                                                  ".....#..",
                                                  ".....#..",
                                                  "........",
                                                  "#.......",
                                                  ".#......",
                                                  "..#.....",
                                                  "........",
                                              }));
}

TEST_F(CanvasTest, LinesAreClippedAtEveryEdge) {
  canvas.MoveTo(-10, 3);
  canvas.LineTo(30, 3);
  canvas.SetPenWidth(3);
  canvas.MoveTo(-1000000, 10);
  canvas.LineTo(1000000, 10);
  for (int x = 0; x < 20; ++x) {
    EXPECT_EQ(ColorAt(image, x, 3), kRed) << x;
    EXPECT_EQ(ColorAt(image, x, 10), kRed) << x;
  }
}

// Rows a horizontal line from (4, 10) to (14, 10) covers at x = 9, and
// columns a vertical one from (10, 2) to (10, 12) covers at y = 7.
struct WidthCase {
  int width;
  std::string rowsAtX9;     // rows 6..14
  std::string columnsAtY7;  // columns 6..14
};
std::ostream& operator<<(std::ostream& os, const WidthCase& c) { return os << "width " << c.width; }

class LineWidth : public CanvasTest, public ::testing::WithParamInterface<WidthCase> {};

TEST_P(LineWidth, CoversExactlyItsWidthAcrossTheLine) {
  canvas.SetPenWidth(GetParam().width);
  canvas.MoveTo(4, 10);
  canvas.LineTo(14, 10);
  std::string rows;
  for (int y = 6; y <= 14; ++y) rows += RedLime(image, 9, y);
  EXPECT_EQ(rows, GetParam().rowsAtX9);

  image.fill(0xFFFFFFFFu);
  canvas.MoveTo(10, 2);
  canvas.LineTo(10, 12);
  std::string columns;
  for (int x = 6; x <= 14; ++x) columns += RedLime(image, x, 7);
  EXPECT_EQ(columns, GetParam().columnsAtY7);
}

INSTANTIATE_TEST_SUITE_P(Canvas, LineWidth,
                         ::testing::Values(WidthCase{0, "....#....", "....#...."},
                                           WidthCase{1, "....#....", "....#...."},
                                           WidthCase{2, "...##....", "...##...."},
                                           WidthCase{3, "...###...", "...###..."},
                                           WidthCase{4, "..####...", "..####..."},
                                           WidthCase{5, "..#####..", "..#####.."}));

TEST_F(CanvasTest, WideLinesHaveRoundCapsOverBothEnds) {
  canvas.SetPenWidth(5);
  canvas.MoveTo(6, 6);
  canvas.LineTo(10, 6);
  EXPECT_EQ(Map(image, 2, 2, 15, 11, RedLime), (std::vector<std::string>{
                                                    ".............",
                                                    ".............",
                                                    "...#######...",
                                                    "..#########..",
                                                    "..#########..",
                                                    "..#########..",
                                                    "...#######...",
                                                    ".............",
                                                    ".............",
                                                }));
}

TEST_F(CanvasTest, FillBlocksCoversTheBoxInWholeBlocksOfSixteen) {
  QImage wide = White(40, 3);
  Canvas c(wide, Canvas::WhiteIs::Opaque);
  c.SetBrushColor(kLime);
  c.FillBlocks(18, 0, 21, 1);  // block 16..31
  c.FillBlocks(30, 1, 33, 2);  // blocks 16..47, moved left to end at the row's end: 8..39
  c.FillBlocks(-5, 2, 2, 3);   // block 0..15
  EXPECT_EQ(Map(wide, 0, 0, 40, 3, RedLime), (std::vector<std::string>{
                                                 "................++++++++++++++++........",
                                                 "........++++++++++++++++++++++++++++++++",
                                                 "++++++++++++++++........................",
                                             }));
}

TEST(CanvasTransparency, WhiteIsTransparentOnlyWhereAsked) {
  QImage layer(4, 1, QImage::Format_ARGB32_Premultiplied);
  layer.fill(0xFF123456u);
  Canvas canvas(layer, Canvas::WhiteIs::Transparent);
  canvas.SetBrushColor(0xFFFFFF);
  canvas.FillRect(0, 0, 2, 1);
  canvas.SetBrushColor(kRed);
  canvas.FillRect(2, 0, 3, 1);
  EXPECT_EQ(Raw(layer, 0, 0), 0u);
  EXPECT_EQ(Raw(layer, 1, 0), 0u);
  EXPECT_EQ(Raw(layer, 2, 0), 0xFFFF0000u);
  EXPECT_EQ(Raw(layer, 3, 0), 0xFF123456u);

  QImage opaque = White(2, 1);
  Canvas plain(opaque, Canvas::WhiteIs::Opaque);
  plain.SetBrushColor(0xFFFFFF);
  plain.FillRect(0, 0, 2, 1);
  EXPECT_EQ(Raw(opaque, 0, 0), 0xFFFFFFFFu);
}

TEST(CanvasSharing, ACopyOfTheImageIsNeverDrawnInto) {
  QImage image = White(4, 4);
  Canvas canvas(image, Canvas::WhiteIs::Opaque);
  const QImage shown = image;  // e.g. held by a window between frames
  canvas.SetBrushColor(kRed);
  canvas.FillRect(0, 0, 4, 4);
  EXPECT_EQ(ColorAt(image, 1, 1), kRed);
  EXPECT_EQ(ColorAt(shown, 1, 1), 0xFFFFFFu);
}

}  // namespace
}  // namespace quorvan
