// Cell squares on the track layer: grey levels, kinds, square sizes and
// the incremental rule.

#include "cell_paint.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <ostream>
#include <vector>

#include "pixels.h"
#include "render_world.h"

namespace quorvan {
namespace {

using testing::ColorAt;
using testing::RenderWorld;

constexpr uint32_t kWhitePx = 0xFFFFFF;
constexpr uint32_t Grey(uint32_t g) { return 0x010101u * g; }

// ---- grey levels ---------------------------------------------------------

struct GreyCase {
  double v;
  int32_t grey;     // the stored Grey
  uint32_t shown;   // the grey level on the layer
};
std::ostream& operator<<(std::ostream& os, const GreyCase& c) { return os << "v " << c.v; }

class GreyLevels : public ::testing::TestWithParam<std::tuple<bool, GreyCase>> {};

// Range 0..100; cell (10, 10) covers pixels 20..21 with cell size 2.
TEST_P(GreyLevels, FollowTheShownTrailOverTheRange) {
  const auto [showReturn, c] = GetParam();
  RenderWorld w;
  w.sim.settings.CB_showAB = showReturn;
  w.sim.TrackMax = 100.0L;
  w.sim.TrackMin = 0.0L;
  // The trail that is not shown holds a value that would paint differently.
  w.sim.Cells.Track(10, 10) = showReturn ? 70.0 : c.v;
  w.sim.Cells.ReturnTrack(10, 10) = showReturn ? c.v : 70.0;
  w.painter.PaintAllCells();
  EXPECT_EQ(w.sim.Cells(10, 10).Grey, c.grey);
  for (int y = 20; y <= 21; ++y)
    for (int x = 20; x <= 21; ++x) EXPECT_EQ(ColorAt(w.painter.TrackLayer(), x, y), Grey(c.shown));
  EXPECT_EQ(w.sim.Cells.LastPainted(10, 10), showReturn ? 70.0 : c.v);  // always Track
}

INSTANTIATE_TEST_SUITE_P(CellPaint, GreyLevels,
                         ::testing::Combine(::testing::Bool(),
                                            ::testing::Values(GreyCase{0, 255, 255}, GreyCase{1, 233, 233},
                                                              GreyCase{40, 141, 141}, GreyCase{50, 118, 118},
                                                              GreyCase{100, 0, 0}, GreyCase{110, -24, 232})));

struct LevelCase {
  double v;
  long double min, max;
  int32_t grey;
};
std::ostream& operator<<(std::ostream& os, const LevelCase& c) {
  return os << "v " << c.v << " in " << static_cast<double>(c.min) << ".." << static_cast<double>(c.max);
}

class GreyLevelCases : public ::testing::TestWithParam<LevelCase> {};

TEST_P(GreyLevelCases, RoundHalvesToEvenAndNeverFailOnEmptyRangesOrUnboundedTrails) {
  const LevelCase& c = GetParam();
  EXPECT_EQ(GreyLevel(c.v, c.min, c.max), c.grey);
}

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr long double kInfL = std::numeric_limits<long double>::infinity();

INSTANTIATE_TEST_SUITE_P(
    CellPaint, GreyLevelCases,
    ::testing::Values(LevelCase{118.5, 0, 235, 116},      // 116.5: halves to even
                      LevelCase{0.5, 0, 235, 234},        // 234.5
                      LevelCase{5, 5, 5, 235},            // empty range: scale 0
                      LevelCase{0, 5, 5, 255},            //   and no trail stays white
                      LevelCase{1e6, 5, 5, 235},          //
                      LevelCase{kInf, 0, kInfL, 235},     // infinite range: scale 0
                      LevelCase{kInf, kInfL, kInfL, 235}, // range inf - inf
                      LevelCase{1e300, 0, 1e300, 0},      // huge but in range
                      LevelCase{1e9, 0, 1, 1223201515},   // far above the range: low 32 bits
                      LevelCase{2e12, 0, 1, -1728798485}, //   of the 64-bit level
                      LevelCase{1e300, 0, 100, 0},        // beyond 2^63: integer indefinite
                      LevelCase{kInf, 0, 100, 0},         //
                      LevelCase{-1e300, 0, 100, 0},       //
                      LevelCase{std::nan(""), 0, 100, 0}));

// ---- kinds -----------------------------------------------------------------

// ---- grey levels of many trails at once -----------------------------------

struct RangeCase {
  const char* name;
  long double min, max;
};
std::ostream& operator<<(std::ostream& os, const RangeCase& c) { return os << c.name; }

class GreyLevelsOfWholeGrids : public ::testing::TestWithParam<RangeCase> {};

// Every free cell painted against the range gets the Grey that GreyLevel
// gives its trail, also for trails whose level lies within a few units in
// the last place of a half (where rounding decides), far outside the
// range, or not finite.
TEST_P(GreyLevelsOfWholeGrids, AgreeWithTheGreyLevelOfEachTrail) {
  const RangeCase& range = GetParam();
  RenderWorld w(2, 0, -1);
  w.sim.settings.CB_showAB = false;
  w.sim.TrackMin = range.min;
  w.sim.TrackMax = range.max;
  const double scale = GreyScale(range.min, range.max);
  const double inf = std::numeric_limits<double>::infinity();
  std::vector<double> trails;
  for (int k = -40; k <= 300; ++k) {
    // The trail nearest to a level of k + 0.5, and its neighbours.
    const long double e = 255.0L - (k + 0.5L) - 20.0L;
    double v = scale == 0.0 ? 0.0 : static_cast<double>(range.min + e / scale);
    for (int step = 0; step < 3; ++step) v = std::nextafter(v, -inf);
    for (int step = 0; step < 7; ++step) {
      trails.push_back(v);
      v = std::nextafter(v, inf);
    }
  }
  uint64_t seed = 99;
  const double span = static_cast<double>(range.max - range.min);
  for (int k = 0; k < 4000; ++k) {
    seed = seed * 6364136223846793005ull + 1442695040888963407ull;
    const double u = static_cast<double>(seed >> 11) / 9007199254740992.0;
    trails.push_back(static_cast<double>(range.min) + (1.4 * u - 0.2) * span);
  }
  for (double v : {0.0, -0.0, 1e-320, -1.0, 1e30, -1e30, 1e300, inf, -inf, std::nan("")}) trails.push_back(v);

  const int32_t columns = w.sim.Cells.Columns();
  ASSERT_LE(trails.size(), w.sim.Cells.Count());
  for (std::size_t i = 0; i < trails.size(); ++i) {
    const auto c = static_cast<int32_t>(i % static_cast<std::size_t>(columns));
    const auto r = static_cast<int32_t>(i / static_cast<std::size_t>(columns));
    w.sim.Cells.Kind(c, r) = kFree;
    w.sim.Cells.Track(c, r) = trails[i];
  }
  w.painter.PaintAllCells();
  for (std::size_t i = 0; i < trails.size(); ++i) {
    const auto c = static_cast<int32_t>(i % static_cast<std::size_t>(columns));
    const auto r = static_cast<int32_t>(i / static_cast<std::size_t>(columns));
    const int32_t expected = GreyLevel(trails[i], range.min, range.max);
    ASSERT_EQ(w.sim.Cells(c, r).Grey, expected) << "trail " << trails[i];
    ASSERT_EQ(ColorAt(w.painter.TrackLayer(), 2 * c, 2 * r), Grey(static_cast<uint32_t>(expected) & 0xFFu));
  }
}

INSTANTIATE_TEST_SUITE_P(CellPaint, GreyLevelsOfWholeGrids,
                         ::testing::Values(RangeCase{"ZeroToHundred", 0.0L, 100.0L},
                                           RangeCase{"FreshWorld", 0.0L, 0.1L},
                                           RangeCase{"ThirdsOfAUnit", 1.0L / 3, 7.0L / 3},
                                           RangeCase{"MinimumADouble", 0.1L, 3.0L},
                                           RangeCase{"MinimumNotADouble", 0.1L + 1e-19L, 3.0L},
                                           RangeCase{"NegativeMinimum", -50.0L, 50.0L},
                                           RangeCase{"Huge", 1e15L, 1e15L + 1e4L},
                                           RangeCase{"MinimumFarFromADouble", 1e16L + 0.5L, 1e16L + 1e4L},
                                           RangeCase{"Tiny", 0.0L, 1e-9L},
                                           RangeCase{"Empty", 5.0L, 5.0L}));

TEST(CellPaint, KindsHaveFixedColoursWhateverTheTrail) {
  RenderWorld w;
  w.sim.settings.CB_showAB = false;
  w.sim.TrackMax = 100.0L;
  const uint32_t expected[] = {Grey(118), 0xFF0000, 0x008000, 0x800000};  // free, nest, destination, obstacle
  for (int32_t kind = 0; kind <= 3; ++kind) {
    w.sim.Cells.Kind(10 + kind, 10) = kind;
    w.sim.Cells.Track(10 + kind, 10) = 50.0;
  }
  w.painter.PaintAllCells();
  for (int32_t kind = 0; kind <= 3; ++kind) {
    EXPECT_EQ(ColorAt(w.painter.TrackLayer(), 20 + 2 * kind, 20), expected[kind]) << "kind " << kind;
    EXPECT_EQ(w.sim.Cells(10 + kind, 10).Grey, 118) << "kind " << kind;
  }
}

TEST(CellPaint, AnUnknownKindKeepsTheColoursOfTheCellBefore) {
  RenderWorld w;
  w.sim.Cells.Kind(10, 10) = 2;
  w.sim.Cells.Kind(30, 30) = 7;
  w.painter.PaintCell(10, 10);
  w.painter.PaintCell(30, 30);
  EXPECT_EQ(ColorAt(w.painter.TrackLayer(), 60, 60), 0x008000u);
}

TEST(CellPaint, FreshWorldShowsOnlyTheLandscapeAndPaintsFreeCellsWhite) {
  RenderWorld w(2, 0, 0);  // random destinations
  const QImage& layer = w.painter.TrackLayer();
  int nest = 0, destination = 0, other = 0;
  for (int y = 0; y < 404; ++y) {
    for (int x = 0; x < 404; ++x) {
      const uint32_t c = ColorAt(layer, x, y);
      nest += c == 0xFF0000;
      destination += c == 0x008000;
      other += c != 0xFF0000 && c != 0x008000 && c != kWhitePx;
    }
  }
  EXPECT_EQ(nest, 36);  // 3 x 3 cells of 2 x 2 pixels around (203, 203)
  EXPECT_EQ(ColorAt(layer, 200, 200), 0xFF0000u);
  EXPECT_EQ(ColorAt(layer, 205, 205), 0xFF0000u);
  EXPECT_GT(destination, 0);
  EXPECT_EQ(other, 0);
  EXPECT_EQ(w.sim.TrackMax, 0.1L);
  w.painter.PaintAllCells();
  EXPECT_EQ(w.sim.Cells(0, 0).Grey, 255);
}

// ---- square sizes ----------------------------------------------------------

struct SquareCase {
  int32_t cellSize;
  int32_t from, to;  // pixels of cell 3's square along each axis
};
std::ostream& operator<<(std::ostream& os, const SquareCase& c) { return os << "cell size " << c.cellSize; }

class SquareSizes : public ::testing::TestWithParam<SquareCase> {};

TEST_P(SquareSizes, SpanTheCentrePlusMinusHalfACell) {
  const SquareCase& c = GetParam();
  RenderWorld w(c.cellSize);
  w.sim.Cells.Kind(3, 3) = 3;
  w.painter.PaintCell(3, 3);
  const QImage& layer = w.painter.TrackLayer();
  for (int i = 0; i < 50; ++i) {
    const bool inside = i >= c.from && i < c.to;
    EXPECT_EQ(ColorAt(layer, i, c.from) == 0x800000u, inside) << "x " << i;
    EXPECT_EQ(ColorAt(layer, c.from, i) == 0x800000u, inside) << "y " << i;
  }
  EXPECT_EQ(testing::Count(layer, 0x800000), (c.to - c.from) * (c.to - c.from));
}

INSTANTIATE_TEST_SUITE_P(CellPaint, SquareSizes,
                         ::testing::Values(SquareCase{2, 6, 8}, SquareCase{3, 9, 13}, SquareCase{4, 12, 16},
                                           SquareCase{5, 15, 19}, SquareCase{8, 24, 32},
                                           SquareCase{10, 30, 40}));

TEST(CellPaint, OddCellSizesOverlapOrLeaveALineOfOlderContent) {
  RenderWorld three(3);
  three.sim.Cells.Kind(3, 3) = 3;
  three.sim.Cells.Kind(4, 3) = 2;
  three.painter.PaintCell(3, 3);
  three.painter.PaintCell(4, 3);
  EXPECT_EQ(ColorAt(three.painter.TrackLayer(), 11, 10), 0x800000u);
  EXPECT_EQ(ColorAt(three.painter.TrackLayer(), 12, 10), 0x008000u);  // the later square on top

  RenderWorld five(5);
  five.sim.Cells.Kind(3, 3) = 3;
  five.sim.Cells.Kind(4, 3) = 3;
  five.painter.PaintCell(3, 3);
  five.painter.PaintCell(4, 3);
  EXPECT_EQ(ColorAt(five.painter.TrackLayer(), 18, 16), 0x800000u);
  EXPECT_EQ(ColorAt(five.painter.TrackLayer(), 19, 16), kWhitePx);
  EXPECT_EQ(ColorAt(five.painter.TrackLayer(), 20, 16), 0x800000u);
}

TEST(CellPaint, SquaresRunningPastThePanelAreClipped) {
  for (int32_t cellSize : {3, 7}) {
    RenderWorld w(cellSize);
    const int32_t last = w.sim.ColCount - 1;  // its square reaches beyond pixel 403
    ASSERT_GT(w.sim.Cells(last, last).PositionX + w.sim.Cells(last, last).Size, 404);
    w.sim.Cells.Kind(last, last) = 3;
    w.painter.PaintCell(last, last);
    EXPECT_EQ(ColorAt(w.painter.TrackLayer(), 403, 403), 0x800000u) << cellSize;
    EXPECT_EQ(ColorAt(w.painter.TrackLayer(), 401, 403), cellSize == 3 ? kWhitePx : 0x800000u) << cellSize;
  }
}

// ---- the incremental rule --------------------------------------------------

struct MoveCase {
  double lastPainted, track;
  bool repainted;
  uint32_t grey;  // on the layer afterwards, range 0..100
};

std::ostream& operator<<(std::ostream& os, const MoveCase& c) {
  return os << "LastPainted " << c.lastPainted << ", Track " << c.track;
}

class IncrementalRule : public ::testing::TestWithParam<MoveCase> {};

TEST_P(IncrementalRule, RepaintsOnlyCellsWhoseTrackMovedByMoreThanOne) {
  const MoveCase& c = GetParam();
  RenderWorld w;
  w.sim.settings.CB_showAB = false;
  w.sim.TrackMax = 100.0L;
  w.sim.TrackMin = 0.0L;
  w.sim.Cells.Track(10, 10) = c.lastPainted;
  w.painter.PaintAllCells();
  ASSERT_EQ(w.sim.Cells.LastPainted(10, 10), c.lastPainted);
  w.sim.Cells.Track(10, 10) = c.track;
  w.sim.TrackMax = 90.0L;
  w.painter.PaintChangedCells();
  EXPECT_EQ(w.sim.Cells.LastPainted(10, 10), c.repainted ? c.track : c.lastPainted);
  EXPECT_EQ(ColorAt(w.painter.TrackLayer(), 20, 20), Grey(c.grey));
  EXPECT_EQ(w.sim.Cells.ShownMax, 90.0L);  // every cell has the new range
  EXPECT_EQ(w.sim.Cells.ShownMin, 0.0L);
}

// Repainted cells are painted against 0..90, the others keep their grey of 0..100.
INSTANTIATE_TEST_SUITE_P(CellPaint, IncrementalRule,
                         ::testing::Values(MoveCase{0, 1.0, false, 255}, MoveCase{0, 1.0000001, true, 232},
                                           MoveCase{50, 49.0, false, 118}, MoveCase{50, 48.9, true, 107},
                                           MoveCase{2, 0.0, true, 255}, MoveCase{0, 0.0, false, 255}));

TEST(CellPaint, PaintIfChangedOnItsOwnCanvasFollowsTheSameRule) {
  RenderWorld w;
  QImage image(404, 404, QImage::Format_RGB32);
  image.fill(0xFFFFFFFFu);
  Canvas canvas(image, Canvas::WhiteIs::Opaque);
  w.sim.Cells.Track(10, 10) = 1.0;
  PaintIfChanged(w.sim.Cells, 10, 10, canvas, kTrailFootprint);
  EXPECT_EQ(w.sim.Cells.LastPainted(10, 10), 0.0);
  w.sim.Cells.Track(10, 10) = 1.5;
  PaintIfChanged(w.sim.Cells, 10, 10, canvas, kTrailFootprint);
  EXPECT_EQ(w.sim.Cells.LastPainted(10, 10), 1.5);
  EXPECT_NE(ColorAt(image, 20, 20), kWhitePx);
}

TEST(CellPaint, AGrownReturnTrailWaitsForTrackOrAFullRepaint) {
  RenderWorld w;
  w.sim.TrackMax = 100.0L;
  w.sim.Cells.ReturnTrack(10, 10) = 80.0;
  w.sim.Cells.Track(10, 10) = 1.0;
  w.painter.PaintChangedCells();
  EXPECT_EQ(ColorAt(w.painter.TrackLayer(), 20, 20), kWhitePx);
  w.painter.PaintAllCells();
  EXPECT_EQ(ColorAt(w.painter.TrackLayer(), 20, 20), Grey(47));
}

TEST(CellPaint, AnEditedCellShowsItsFootprintTrailEvenWhileReturnTrailsAreShown) {
  RenderWorld w;
  w.sim.TrackMax = 100.0L;
  w.sim.Cells.Track(10, 10) = 40.0;
  w.sim.Cells.ReturnTrack(10, 10) = 80.0;
  w.painter.PaintAllCells();  // hands out the range
  w.painter.PaintCell(10, 10);
  EXPECT_EQ(ColorAt(w.painter.TrackLayer(), 20, 20), Grey(141));
}

}  // namespace
}  // namespace quorvan
