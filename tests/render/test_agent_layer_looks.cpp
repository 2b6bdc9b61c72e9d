// The agent layer is wiped and drawn on its pixels only when it is looked
// at. Whatever the wipes, drawings, moves, looks and new worlds in
// between, every look must find exactly what wiping and drawing at once
// would have left.

#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "agent_draw.h"
#include "layer_painter.h"
#include "render_world.h"

namespace quorvan {
namespace {

/// The agent layer as eager painting leaves it: every wipe and drawing
/// done on its pixels at once.
struct EagerAgentLayer {
  QImage layer{kPanelWidth, kPanelHeight, QImage::Format_ARGB32_Premultiplied};
  Canvas canvas{layer, Canvas::WhiteIs::Transparent};

  EagerAgentLayer() { layer.fill(0u); }
  void Clear() {
    canvas.SetBrushColor(kWhite);
    canvas.SetPenColor(kWhite);
    canvas.Rectangle(0, 0, layer.width(), layer.height());
  }
  void Draw(const std::vector<TAgent>& agents) {
    for (const TAgent& a : agents) quorvan::Draw(a, canvas);
  }
};

struct Sequence {
  const char* name;
  // C wipe, D draw, S step (the agents move, nothing is painted), L look,
  // N new world (setup draws the agents), O some agents take a State that
  // keeps the canvas's colours, X release the world.
  std::string ops;
  int32_t agents = 60;
};
std::ostream& operator<<(std::ostream& os, const Sequence& s) { return os << s.name; }

class AgentLayerLooks : public ::testing::TestWithParam<Sequence> {};

TEST_P(AgentLayerLooks, FindWhatEagerPaintingLeaves) {
  const Sequence& seq = GetParam();
  testing::RenderWorld w(3, seq.agents, 0);  // cell size 3: agents reach past the edges
  auto eager = std::make_unique<EagerAgentLayer>();
  eager->Draw(w.sim.Agents);  // the setup drew the agents
  int looks = 0;
  for (std::size_t i = 0; i < seq.ops.size(); ++i) {
    SCOPED_TRACE("op " + std::to_string(i) + " '" + seq.ops[i] + "'");
    switch (seq.ops[i]) {
      case 'C':
        w.painter.ClearAgentLayer();
        eager->Clear();
        break;
      case 'D':
        w.painter.DrawAgents();
        eager->Draw(w.sim.Agents);
        break;
      case 'S':
        w.sim.SetDisplay(nullptr);
        ASSERT_TRUE(w.sim.DoStep().ok());
        w.sim.SetDisplay(&w.painter);
        break;
      case 'L':
        ASSERT_EQ(w.painter.AgentLayer(), eager->layer);
        ++looks;
        break;
      case 'N':
        w.sim.ClearWorld();
        ASSERT_EQ(w.sim.SetupWorld(), "");
        eager = std::make_unique<EagerAgentLayer>();
        eager->Draw(w.sim.Agents);
        break;
      case 'O':
        for (std::size_t k = 0; k < w.sim.Agents.size(); k += 3) w.sim.Agents[k].State = 7;
        break;
      case 'X':
        w.sim.ClearWorld();
        ASSERT_FALSE(w.painter.HasLayers());
        ASSERT_TRUE(w.painter.AgentLayer().isNull());
        break;
      default: FAIL() << "unknown op";
    }
  }
  EXPECT_GT(looks, 0);
}

INSTANTIATE_TEST_SUITE_P(
    LayerPainter, AgentLayerLooks,
    ::testing::Values(Sequence{"SetupOnly", "L"},
                      Sequence{"StepsBetweenLooks", "CDSCDSCDLSCDSCDL"},
                      Sequence{"LookAfterEveryStep", "CDLSCDLSCDLSCDL"},
                      Sequence{"WipeAfterALook", "LCLDLCL"},
                      Sequence{"DrawsWithoutWipesPileUp", "DSDSDLSDL"},
                      Sequence{"WipeDropsTheDrawingsBeforeIt", "CDSDSDCL"},
                      Sequence{"LooksInARow", "CDSLLCLL"},
                      Sequence{"NewWorldWithDrawingsWaiting", "CDSCDNLCDSL"},
                      Sequence{"NewWorldWithAWipeWaiting", "SCNLSCDL"},
                      // Agents spread by a few steps, so that none hides another.
                      Sequence{"ColoursCarryOverFromTheDrawingBefore", "SSSSCDSOCDLODLCL"},
                      Sequence{"ColoursAfterAWipeAlone", "SSSSOCDL"},
                      Sequence{"ColoursOfTheSetupsDrawing", "NSSSSODL"},
                      Sequence{"ReleaseWithDrawingsWaiting", "CDSCDXNL"},
                      Sequence{"ManyAgents", "CDSCDSLCDSL", 800}));

TEST(AgentLayerLooksTest, DrawingsPiledUpPastTheirBoundStayInOrder) {
  // 800 agents a drawing: more than a million marks are done on the
  // pixels before the look, the rest at it. Agents that keep the canvas's
  // colours make the order visible.
  testing::RenderWorld w(2, 800, 0);
  EagerAgentLayer eager;
  eager.Draw(w.sim.Agents);  // the setup's drawing
  w.sim.SetDisplay(nullptr);
  for (int i = 0; i < 5; ++i) ASSERT_TRUE(w.sim.DoStep().ok());
  for (int i = 0; i < 1400; ++i) {
    if (i == 1300) {
      for (std::size_t k = 0; k < w.sim.Agents.size(); k += 2) w.sim.Agents[k].State = 7;
    }
    if (i % 100 == 50) {
      for (TAgent& a : w.sim.Agents) a.Heading = (a.Heading + 45) % 360;
    }
    w.painter.DrawAgents();
    eager.Draw(w.sim.Agents);
  }
  EXPECT_EQ(w.painter.AgentLayer(), eager.layer);
}

}  // namespace
}  // namespace quorvan
