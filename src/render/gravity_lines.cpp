#include "gravity_lines.h"

#include <cmath>
#include <limits>

#include "numerics.h"
#include "settings.h"
#include "simulation.h"

namespace quorvan {

std::optional<int32_t> GravityLineWidth(int32_t returns, int32_t stepCount, double g) {
  if (stepCount == 0) return std::nullopt;
  const long double width =
      RoundEven(static_cast<long double>(returns) / static_cast<long double>(stepCount) * g);
  if (std::isnan(width)) return std::nullopt;
  if (width >= static_cast<long double>(std::numeric_limits<int32_t>::max())) {
    return std::numeric_limits<int32_t>::max();
  }
  if (width <= static_cast<long double>(std::numeric_limits<int32_t>::min())) {
    return std::numeric_limits<int32_t>::min();
  }
  return static_cast<int32_t>(width);
}

std::string DrawGravityLines(const Simulation& sim, Canvas& canvas) {
  const Converted<long double> size = TextToReal(sim.settings.E_grav);
  if (!size) return size.error;
  const double g = static_cast<double>(*size);

  // The canvas has only solid pens.
  canvas.SetPenColor(kGravityColor);
  const int32_t tx = sim.NestColumn() * sim.CellSize + sim.HalfCell;
  const int32_t ty = sim.NestRow() * sim.CellSize + sim.HalfCell;
  for (const TDestination& d : sim.Destinations) {
    if (d.Returns <= 1) continue;
    if (const std::optional<int32_t> width = GravityLineWidth(d.Returns, sim.StepCount, g)) {
      canvas.SetPenWidth(*width);
    }
    canvas.MoveTo(d.X, d.Y);
    canvas.LineTo(tx, ty);
  }
  return {};
}

}  // namespace quorvan
