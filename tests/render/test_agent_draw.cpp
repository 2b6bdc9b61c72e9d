// Agents on the agent layer: the circle, its colours and the heading tick.

#include "agent_draw.h"

#include <gtest/gtest.h>

#include <ostream>

#include "pixels.h"

namespace quorvan {
namespace {

using testing::ColorAt;
using testing::Map;
using testing::Transparent;

struct TickCase {
  int32_t heading;
  int32_t dx, dy;
};
std::ostream& operator<<(std::ostream& os, const TickCase& c) { return os << "heading " << c.heading; }

class HeadingTicks : public ::testing::TestWithParam<TickCase> {};

TEST_P(HeadingTicks, PointAlongTheTableOfHeadings) {
  const TickCase& c = GetParam();
  const TickEnd end = TickEndFor(c.heading);
  EXPECT_EQ(end.dx, c.dx);
  EXPECT_EQ(end.dy, c.dy);
}

INSTANTIATE_TEST_SUITE_P(
    AgentDraw, HeadingTicks,
    ::testing::Values(TickCase{0, 6, 0}, TickCase{29, 6, 0}, TickCase{30, 6, 6}, TickCase{59, 6, 6},
                      TickCase{60, 0, 6}, TickCase{119, 0, 6}, TickCase{120, -6, 6}, TickCase{149, -6, 6},
                      TickCase{150, -6, 0}, TickCase{209, -6, 0}, TickCase{210, -6, -6},
                      TickCase{239, -6, -6}, TickCase{240, 0, -6}, TickCase{299, 0, -6},
                      TickCase{300, 6, -6}, TickCase{329, 6, -6}, TickCase{330, 6, 0}, TickCase{360, 6, 0},
                      TickCase{-30, 6, -6}, TickCase{390, 6, 6}));

struct AgentLayer : ::testing::Test {
  QImage layer{40, 40, QImage::Format_ARGB32_Premultiplied};
  Canvas canvas{layer, Canvas::WhiteIs::Transparent};
  void SetUp() override { layer.fill(0u); }

  TAgent At(int32_t x, int32_t y, int32_t heading, int32_t state) {
    TAgent a;
    a.PixelX = x;
    a.PixelY = y;
    a.Radius = 2;
    a.Heading = heading;
    a.State = state;
    return a;
  }

  /// '.' transparent, 'o' grey outline, 'r' red, 'l' lime, 't' green tick.
  static char Legend(const QImage& image, int x, int y) {
    if (Transparent(image, x, y)) return '.';
    switch (ColorAt(image, x, y)) {
      case 0x808080: return 'o';
      case 0x0000FF: return 'r';
      case 0x00FF00: return 'l';
      case 0x008000: return 't';
      default: return '?';
    }
  }
};

TEST_F(AgentLayer, ASearchingAgentIsARedCircleWithItsTickFromTheCentre) {
  Draw(At(10, 10, 90, kSearching), canvas);
  EXPECT_EQ(Map(layer, 7, 7, 13, 18, Legend), (std::vector<std::string>{
                                                  "......",
                                                  "..oo..",
                                                  ".orro.",
                                                  ".orto.",
                                                  "..ot..",
                                                  "...t..",
                                                  "...t..",
                                                  "...t..",
                                                  "...t..",
                                                  "......",
                                                  "......",
                                              }));
}

TEST_F(AgentLayer, AReturningAgentIsLimeAndItsDiagonalTickIsSixPixels) {
  Draw(At(10, 10, 30, kReturning), canvas);
  EXPECT_EQ(Map(layer, 7, 7, 18, 18, Legend), (std::vector<std::string>{
                                                   "...........",
                                                   "..oo.......",
                                                   ".ollo......",
                                                   ".olto......",
                                                   "..oot......",
                                                   ".....t.....",
                                                   "......t....",
                                                   ".......t...",
                                                   "........t..",
                                                   "...........",
                                                   "...........",
                                               }));
}

TEST_F(AgentLayer, AnUnknownStateKeepsTheColoursOfTheAgentBefore) {
  Draw(At(10, 10, 0, kReturning), canvas);
  Draw(At(30, 30, 0, 5), canvas);
  EXPECT_EQ(ColorAt(layer, 29, 29), 0x00FF00u);
  EXPECT_EQ(ColorAt(layer, 28, 29), 0x008000u);  // the pen is still the last tick's green
}

TEST_F(AgentLayer, EveryPixelDrawnLiesInTheAgentsBounds) {
  for (int32_t state : {kSearching, kReturning}) {
    for (int32_t heading = -30; heading <= 400; ++heading) {
      layer.fill(0u);
      const TAgent agent = At(20, 20, heading, state);
      Draw(agent, canvas);
      const AgentBounds b = BoundsOf(agent);
      auto in = [](const PixelBox& box, int x, int y) {
        return x >= box.x1 && x < box.x2 && y >= box.y1 && y < box.y2;
      };
      for (int y = 0; y < 40; ++y) {
        for (int x = 0; x < 40; ++x) {
          if (Transparent(layer, x, y)) continue;
          ASSERT_TRUE(in(b.circle, x, y) || in(b.tick, x, y)) << heading << ": " << x << "," << y;
        }
      }
    }
  }
}

TEST_F(AgentLayer, AgentsAtTheEdgeAreClipped) {
  Draw(At(0, 39, 0, kSearching), canvas);
  Draw(At(39, 0, 180, kSearching), canvas);
  EXPECT_EQ(ColorAt(layer, 0, 38), 0x0000FFu);
  EXPECT_EQ(ColorAt(layer, 5, 39), 0x008000u);
  EXPECT_EQ(ColorAt(layer, 34, 0), 0x008000u);
  EXPECT_TRUE(Transparent(layer, 33, 0));
}

}  // namespace
}  // namespace quorvan
