#pragma once
// Drawing one agent on the agent layer: TAgent.Draw.

#include <cstdint>

#include "canvas.h"
#include "agenten.h"

namespace quorvan {

/// The end of an agent's heading tick relative to its centre:
/// (6 Round(cos a), 6 Round(sin a)) with a = Heading * 0.017453292522222222
/// held as a double (pi taken as 3.141592654, which decides the headings
/// at the borders: 29 -> (6, 0), 30 -> (6, 6), 60 -> (0, 6), 330 -> (6, 0)).
struct TickEnd {
  int32_t dx;
  int32_t dy;
};
TickEnd TickEndFor(int32_t heading);

/// A box [x1, x2) x [y1, y2) of pixels.
struct PixelBox {
  int64_t x1, y1, x2, y2;
};

/// What Draw reads of an agent, and nothing else: a drawing can be kept
/// and done later, exactly as it would have been done at once.
struct AgentMark {
  int32_t PixelX;
  int32_t PixelY;
  int32_t Radius;
  int32_t State;
  int32_t Heading;
};
inline AgentMark MarkOf(const TAgent& agent) {
  return {agent.PixelX, agent.PixelY, agent.Radius, agent.State, agent.Heading};
}

/// The two boxes that hold every pixel Draw paints for the agent: its
/// circle's box and its tick's.
struct AgentBounds {
  PixelBox circle;
  PixelBox tick;
};
AgentBounds BoundsOf(const AgentMark& agent);
inline AgentBounds BoundsOf(const TAgent& agent) { return BoundsOf(MarkOf(agent)); }

/// TAgent.Draw: the agent's circle (Ellipse of PixelX/Y +/- Radius, pen
/// width 1, grey outline, red fill while searching and lime while
/// returning; another State keeps the colours the canvas had), then its
/// heading tick in green from the centre.
void Draw(const AgentMark& agent, Canvas& canvas);
inline void Draw(const TAgent& agent, Canvas& canvas) { Draw(MarkOf(agent), canvas); }

}  // namespace quorvan
