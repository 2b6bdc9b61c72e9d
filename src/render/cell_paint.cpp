#include "cell_paint.h"

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
  if (std::isnan(level)) return 0;
  if (level <= static_cast<long double>(std::numeric_limits<int32_t>::min())) {
    return std::numeric_limits<int32_t>::min();
  }
  if (level >= static_cast<long double>(std::numeric_limits<int32_t>::max())) {
    return std::numeric_limits<int32_t>::max();
  }
  // In range now; lrint rounds half to even in the default rounding mode
  // and, unlike nearbyint, does not save and restore the x87 state.
  return static_cast<int32_t>(std::lrint(level));
}

void Paint(TCellList& cells, int32_t column, int32_t row, Canvas& canvas, int32_t trail) {
  Paint(cells, column, row, canvas, trail, GreyScale(cells.ShownMin, cells.ShownMax));
}

void Paint(TCellList& cells, int32_t column, int32_t row, Canvas& canvas, int32_t trail, double scale) {
  TCell& cell = cells(column, row);
  const double track = cells.Track(column, row);
  canvas.SetPenWidth(0);
  const double v = trail == kTrailReturn ? cells.ReturnTrack(column, row) : track;
  cell.Grey = GreyLevel(v, cells.ShownMin, scale);

  TColor color = 0;
  bool known = true;
  switch (cells.Kind(column, row)) {
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
  cells.LastPainted(column, row) = track;
}

void PaintIfChanged(TCellList& cells, int32_t column, int32_t row, Canvas& canvas, int32_t trail) {
  if (TrackMoved(cells.Track(column, row), cells.LastPainted(column, row))) {
    Paint(cells, column, row, canvas, trail);
  }
}

}  // namespace quorvan
