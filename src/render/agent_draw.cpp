#include "agent_draw.h"

#include <algorithm>

#include "numerics.h"

namespace quorvan {

namespace {

constexpr int32_t kTickLength = 6;

}  // namespace

TickEnd TickEndFor(int32_t heading) {
  // Round(cos a) and Round(sin a) are the random walk's step for the heading.
  const WalkStep step = WalkStepFor(heading);
  return {kTickLength * step.x, kTickLength * step.y};
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
