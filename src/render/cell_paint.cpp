#include "cell_paint.h"

#include <cmath>
#include <limits>

#include "numerics.h"

namespace quorvan {

int32_t GreyLevel(double v, long double shownMin, long double shownMax) {
  // scale and e are held as doubles, formed in extended precision.
  const long double range = shownMax - shownMin;
  double scale = range != 0.0L ? static_cast<double>(235.0L / range) : 0.0;
  if (!std::isfinite(scale)) scale = 0.0;
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
  return static_cast<int32_t>(RoundEven(level));
}

void Paint(TCellList& cells, int32_t column, int32_t row, Canvas& canvas, int32_t trail) {
  TCell& cell = cells(column, row);
  const double track = cells.Track(column, row);
  canvas.SetPenWidth(0);
  const double v = trail == kTrailReturn ? cells.ReturnTrack(column, row) : track;
  cell.Grey = GreyLevel(v, cells.ShownMin, cells.ShownMax);

  TColor color = 0;
  bool known = true;
  switch (cell.Kind) {
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
  cell.LastPainted = track;
}

void PaintIfChanged(TCellList& cells, int32_t column, int32_t row, Canvas& canvas, int32_t trail) {
  if (TrackMoved(cells.Track(column, row), cells(column, row).LastPainted)) {
    Paint(cells, column, row, canvas, trail);
  }
}

}  // namespace quorvan
