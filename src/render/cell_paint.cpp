#include "cell_paint.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace quorvan {

double GreyScale(long double shownMin, long double shownMax) {
  const long double range = shownMax - shownMin;
  const double scale = range != 0.0L ? static_cast<double>(235.0L / range) : 0.0;
  return std::isfinite(scale) ? scale : 0.0;
}

int32_t GreyLevel(double v, long double shownMin, long double shownMax) {
  return GreyLevel(v, shownMin, GreyScale(shownMin, shownMax));
}

int32_t GreyLevel(double v, long double shownMin, double scale) {
  // e is held as a double, formed in extended precision.
  double e = scale == 0.0 ? 0.0 : static_cast<double>((static_cast<long double>(v) - shownMin) * scale);
  if (v > 0.0) e = static_cast<double>(static_cast<long double>(e) + 20.0L);

  const long double level = 255.0L - static_cast<long double>(e);
  // The rounded level is a 64-bit integer of which Grey keeps the low 32
  // bits, as the integer arithmetic does: a trail far above the range gives
  // a wrapped grey, not black. A level that has no 64-bit integer (not
  // finite, or beyond 2^63) converts to the integer indefinite, whose low
  // 32 bits are 0. llrint rounds half to even in the default rounding mode
  // and, unlike nearbyint, does not save and restore the x87 state.
  constexpr long double kTwoTo63 = 9223372036854775808.0L;
  if (!(std::fabs(level) < kTwoTo63)) return 0;
  const auto low32 = static_cast<uint32_t>(static_cast<uint64_t>(std::llrint(level)));
  return static_cast<int32_t>(low32);
}

namespace {

/// GreyLevel for the usual trails, worked in doubles, or the exact
/// GreyLevel where that could differ.
///
/// With a range minimum that is a double (min), the double steps below
/// differ from the extended ones of GreyLevel by less than
/// (|e| + 275) * 2^-48 in the level 255 - e, where e is the real
/// (v - min) * scale: under 1e-8 while |e| < 1e6. A level farther than
/// 1e-8 from a half therefore rounds to the same integer both ways; one
/// that is nearer, a larger e, a non-finite value or a minimum that is not
/// a double takes GreyLevel itself.
inline int32_t QuickGreyLevel(double v, long double shownMin, double min, bool minIsDouble, double scale) {
  if (minIsDouble) {
    const double e = scale == 0.0 ? 0.0 : (v - min) * scale;
    if (std::fabs(e) < 1e6) {
      const double level = 255.0 - (v > 0.0 ? e + 20.0 : e);
      const double offHalf = std::fabs(level - std::floor(level) - 0.5);
      if (offHalf > 1e-8) return static_cast<int32_t>(std::lrint(level));  // half to even
    }
  }
  return GreyLevel(v, shownMin, scale);
}

/// What Paint needs of the grid's range, worked out once for many cells;
/// and where the cells' LastPainted lie. Only for a grid with cells.
struct Range {
  explicit Range(TCellList& cells, double gridScale)
      : lastPainted(&cells.LastPainted(0, 0)),
        shownMin(cells.ShownMin),
        min(static_cast<double>(cells.ShownMin)),
        minIsDouble(static_cast<long double>(min) == shownMin),
        scale(gridScale) {}
  double* lastPainted;
  long double shownMin;
  double min;
  bool minIsDouble;
  double scale;
};

void DrawSquare(const TCellList& cells, std::size_t index, const TCell& cell, Canvas& canvas);

inline void PaintCell(TCellList& cells, std::size_t index, TCell& cell, Canvas& canvas, int32_t trail,
                      const Range& range) {
  const double track = cells.TrackData()[index];
  canvas.SetPenWidth(0);
  const double v = trail == kTrailReturn ? cells.ReturnTrackData()[index] : track;
  cell.Grey = QuickGreyLevel(v, range.shownMin, range.min, range.minIsDouble, range.scale);
  DrawSquare(cells, index, cell, canvas);
  range.lastPainted[index] = track;
}

}  // namespace

void PaintAsStored(TCellList& cells, int32_t column, int32_t row, Canvas& canvas) {
  canvas.SetPenWidth(0);
  DrawSquare(cells, cells.Index(column, row), cells(column, row), canvas);
}

namespace {

/// Pen and brush in the colour of the cell's Kind and Grey, and its square.
void DrawSquare(const TCellList& cells, std::size_t index, const TCell& cell, Canvas& canvas) {
  TColor color = 0;
  bool known = true;
  switch (cells.KindData()[index]) {
    case kFree: color = GreyColor(cell.Grey); break;
    case kNest: color = kNestColor; break;
    case kDestination: color = kDestinationColor; break;
    case kObstacle: color = kObstacleColor; break;
    default: known = false; break;
  }
  if (known) {
    canvas.SetPenColor(color);
    canvas.SetBrushColor(color);
  }
  canvas.Rectangle(cell.PositionX - cell.Size, cell.PositionY - cell.Size, cell.PositionX + cell.Size,
                   cell.PositionY + cell.Size);
}

}  // namespace

void Paint(TCellList& cells, int32_t column, int32_t row, Canvas& canvas, int32_t trail) {
  Paint(cells, column, row, canvas, trail, GreyScale(cells.ShownMin, cells.ShownMax));
}

void Paint(TCellList& cells, int32_t column, int32_t row, Canvas& canvas, int32_t trail, double scale) {
  PaintCell(cells, cells.Index(column, row), cells(column, row), canvas, trail, Range(cells, scale));
}

void PaintCells(TCellList& cells, const std::vector<std::size_t>& indices, Canvas& canvas, int32_t trail,
                double scale) {
  // The cells lie scattered over memory, and waiting for each cell record
  // and each row of the layer in turn is most of the cost: fetch them a
  // few cells ahead.
  constexpr std::size_t kFetchAhead = 8;
  const std::size_t n = indices.size();
  if (n == 0) return;
  const Range range(cells, scale);
  Canvas::Batch batch(canvas);
  for (std::size_t k = 0; k < n; ++k) {
    if (k + 2 * kFetchAhead < n) {
      const char* record = reinterpret_cast<const char*>(&cells.at(indices[k + 2 * kFetchAhead]));
      __builtin_prefetch(record, 1);
      __builtin_prefetch(record + sizeof(TCell) - 1, 1);
    }
    if (k + kFetchAhead < n) {
      const TCell& next = cells.at(indices[k + kFetchAhead]);
      const int64_t top = static_cast<int64_t>(next.PositionY) - next.Size;
      const int64_t rows = std::min<int64_t>(2 * static_cast<int64_t>(next.Size), 16);
      for (int64_t y = top; y < top + rows; ++y) canvas.Prefetch(next.PositionX - next.Size, y);
    }
    const std::size_t index = indices[k];
    PaintCell(cells, index, cells.at(index), canvas, trail, range);
  }
}

bool CellColours(const double* values, const int32_t* kinds, std::size_t n, long double shownMin,
                 long double shownMax, TColor* colours) {
  for (std::size_t i = 0; i < n; ++i) {
    if (kinds[i] < kFree || kinds[i] > kObstacle) return false;
  }
  const double scale = GreyScale(shownMin, shownMax);
  const auto min = static_cast<double>(shownMin);
  const bool minIsDouble = static_cast<long double>(min) == shownMin;
  for (std::size_t i = 0; i < n; ++i) {
    switch (kinds[i]) {
      case kNest: colours[i] = kNestColor; break;
      case kDestination: colours[i] = kDestinationColor; break;
      case kObstacle: colours[i] = kObstacleColor; break;
      default: colours[i] = GreyColor(QuickGreyLevel(values[i], shownMin, min, minIsDouble, scale)); break;
    }
  }
  return true;
}

void PaintIfChanged(TCellList& cells, int32_t column, int32_t row, Canvas& canvas, int32_t trail) {
  if (TrackMoved(cells.Track(column, row), cells.LastPainted(column, row))) {
    Paint(cells, column, row, canvas, trail);
  }
}

}  // namespace quorvan
