#include "cell_inspector.h"

#include <QStringList>
#include <cmath>

namespace quorvan {

namespace {

QString Number(double v) { return QString::number(v, 'g', 4); }

QString KindName(int32_t kind) {
  switch (kind) {
    case kFree: return QStringLiteral("free");
    case kNest: return QStringLiteral("nest");
    case kDestination: return QStringLiteral("destination");
    case kObstacle: return QStringLiteral("obstacle");
    default: return QStringLiteral("kind %1").arg(kind);
  }
}

}  // namespace

QString DescribeCell(const Simulation& sim, int x, int y) {
  if (!sim.HasWorld()) return {};
  const int32_t c = sim.CellIndexOf(x);
  const int32_t r = sim.CellIndexOf(y);
  if (c < 0 || c >= sim.Cells.Columns() || r < 0 || r >= sim.Cells.Rows()) return {};
  const int32_t kind = sim.Cells.Kind(c, r);
  QString kindText = KindName(kind);
  if (kind == kDestination) {
    const int32_t index = sim.Cells(c, r).DestIndex;
    kindText += QStringLiteral(" %1").arg(index);
    if (index >= 0 && static_cast<std::size_t>(index) < sim.Destinations.size()) {
      kindText += QStringLiteral(" (Returns %1)").arg(sim.Destinations[static_cast<std::size_t>(index)].Returns);
    }
  }
  return QStringLiteral("col %1, row %2 | %3 | trail %4, return trail %5 | home scent %6 | distance %7")
      .arg(c)
      .arg(r)
      .arg(kindText, Number(sim.Cells.Track(c, r)), Number(sim.Cells.ReturnTrack(c, r)),
           Number(sim.Cells.HomeScent(c, r)))
      .arg(sim.Cells(c, r).Distance);
}

QString DescribeAgent(const Simulation& sim, std::size_t index) {
  if (index >= sim.Agents.size()) return {};
  const TAgent& a = sim.Agents[index];
  QStringList directions;
  for (std::size_t i = 0; i < a.Directions.size(); ++i) {
    const double chance = i < a.Chances.size() ? a.Chances[i] : std::nan("");
    directions << QStringLiteral("(%1,%2) %3").arg(a.Directions[i].dx).arg(a.Directions[i].dy).arg(Number(chance));
  }
  QStringList lines;
  lines << QStringLiteral("agent: %1 of %2").arg(index).arg(sim.Agents.size())
        << QStringLiteral("state: %1").arg(a.State == kReturning ? QStringLiteral("returning")
                                                                 : QStringLiteral("searching"))
        << QStringLiteral("source: %1").arg(a.Source) << QStringLiteral("successful: %1").arg(a.Successful)
        << QStringLiteral("cell: col %1, row %2").arg(a.CellX).arg(a.CellY)
        << QStringLiteral("heading: %1").arg(a.Heading)
        << QStringLiteral("scent sum: %1").arg(Number(a.ScentSum))
        << QStringLiteral("last sensing (direction, chance %):");
  if (directions.isEmpty()) directions << QStringLiteral("none");
  for (const QString& d : directions) lines << QStringLiteral("  ") + d;
  return lines.join(QLatin1Char('\n'));
}

int AgentAt(const Simulation& sim, int x, int y, int reach) {
  int best = -1;
  long long bestDistance = static_cast<long long>(reach) * reach;
  for (std::size_t i = 0; i < sim.Agents.size(); ++i) {
    const long long dx = sim.Agents[i].PixelX - x;
    const long long dy = sim.Agents[i].PixelY - y;
    if (dx * dx + dy * dy <= bestDistance) {
      bestDistance = dx * dx + dy * dy;
      best = static_cast<int>(i);
    }
  }
  return best;
}

}  // namespace quorvan
