#include "agent_draw.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "numerics.h"

namespace quorvan {

namespace {

TickEnd ComputeTickEnd(int32_t heading) {
  const double a = static_cast<double>(static_cast<long double>(heading) * kDegToRad);
  const long double c = RoundEven(std::cos(static_cast<long double>(a)));
  const long double s = RoundEven(std::sin(static_cast<long double>(a)));
  return {static_cast<int32_t>(6.0L * c), static_cast<int32_t>(6.0L * s)};
}

/// Headings stay within 0..360 in a running world: their ticks are looked
/// up, computed once with the same expression.
const std::array<TickEnd, 361>& TickTable() {
  static const std::array<TickEnd, 361> table = [] {
    std::array<TickEnd, 361> t{};
    for (int32_t h = 0; h <= 360; ++h) t[static_cast<std::size_t>(h)] = ComputeTickEnd(h);
    return t;
  }();
  return table;
}

}  // namespace

TickEnd TickEndFor(int32_t heading) {
  if (heading >= 0 && heading <= 360) return TickTable()[static_cast<std::size_t>(heading)];
  return ComputeTickEnd(heading);
}

AgentBounds BoundsOf(const AgentMark& agent) {
  const int64_t x = agent.PixelX, y = agent.PixelY, r = agent.Radius;
  const TickEnd tick = TickEndFor(agent.Heading);
  return {PixelBox{std::min(x - r, x + r), std::min(y - r, y + r), std::max(x - r, x + r), std::max(y - r, y + r)},
          PixelBox{std::min(x, x + tick.dx), std::min(y, y + tick.dy), std::max(x, x + tick.dx) + 1,
                   std::max(y, y + tick.dy) + 1}};
}

void Draw(const AgentMark& agent, Canvas& canvas) {
  canvas.SetPenWidth(1);
  if (agent.State == kSearching) {
    canvas.SetPenColor(kAgentOutline);
    canvas.SetBrushColor(kSearchingFill);
  } else if (agent.State == kReturning) {
    canvas.SetPenColor(kAgentOutline);
    canvas.SetBrushColor(kReturningFill);
  }
  canvas.Ellipse(agent.PixelX - agent.Radius, agent.PixelY - agent.Radius, agent.PixelX + agent.Radius,
                 agent.PixelY + agent.Radius);
  canvas.SetPenColor(kTickColor);
  canvas.MoveTo(agent.PixelX, agent.PixelY);
  const TickEnd tick = TickEndFor(agent.Heading);
  canvas.LineTo(agent.PixelX + tick.dx, agent.PixelY + tick.dy);
}

}  // namespace quorvan
