// The layers through the model's display calls: setup, steps, blanking and
// the picture the panel shows.

#include "layer_painter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "pixels.h"
#include "render_world.h"

namespace quorvan {
namespace {

using testing::ColorAt;
using testing::RenderWorld;
using testing::Transparent;

int OpaquePixels(const QImage& layer) {
  int n = 0;
  for (int y = 0; y < layer.height(); ++y)
    for (int x = 0; x < layer.width(); ++x) n += !Transparent(layer, x, y);
  return n;
}

TEST(LayerPainter, LayersHaveThePanelsSizeAndFormats) {
  RenderWorld w;
  EXPECT_TRUE(w.painter.HasLayers());
  EXPECT_EQ(w.painter.TrackLayer().size(), QSize(404, 404));
  EXPECT_EQ(w.painter.AgentLayer().size(), QSize(404, 404));
  EXPECT_EQ(w.painter.TrackLayer().format(), QImage::Format_RGB32);
  EXPECT_EQ(w.painter.AgentLayer().format(), QImage::Format_ARGB32_Premultiplied);
  w.sim.ClearWorld();
  EXPECT_FALSE(w.painter.HasLayers());
}

/// Every agent pixel lies within the tick's reach of the start cell's centre.
void ExpectAgentsOnlyAtTheStart(const QImage& agents) {
  for (int y = 0; y < 404; ++y)
    for (int x = 0; x < 404; ++x)
      if (!Transparent(agents, x, y)) {
        ASSERT_LE(std::abs(x - 203), 6) << x << "," << y;
        ASSERT_LE(std::abs(y - 203), 6) << x << "," << y;
      }
}

TEST(LayerPainter, SetupAndAStepShowTheAgentsWhereTheyStoodBeforeMoving) {
  RenderWorld w(2, 800);
  const QImage& agents = w.painter.AgentLayer();
  EXPECT_EQ(ColorAt(agents, 203, 203), 0x008000u);  // every tick starts at the centre
  EXPECT_EQ(ColorAt(agents, 201, 202), 0x808080u);
  EXPECT_EQ(ColorAt(agents, 202, 202), 0x0000FFu);
  ExpectAgentsOnlyAtTheStart(agents);

  ASSERT_TRUE(w.sim.DoStep().ok());
  bool moved = false;
  for (const TAgent& a : w.sim.Agents) moved |= a.PixelX != 203 || a.PixelY != 203;
  EXPECT_TRUE(moved);
  ExpectAgentsOnlyAtTheStart(w.painter.AgentLayer());  // the picture is of before the moves
}

TEST(LayerPainter, ClearingAfterStepsLeavesNothingBehind) {
  RenderWorld w(3, 800, 0);  // cell size 3: squares and agents reach past the edges
  for (int i = 0; i < 80; ++i) ASSERT_TRUE(w.sim.DoStep().ok());
  w.painter.DrawAgents();
  w.painter.DrawAgents();  // twice: both drawings are wiped
  ASSERT_GT(OpaquePixels(w.painter.AgentLayer()), 0);
  w.painter.ClearAgentLayer();
  EXPECT_EQ(OpaquePixels(w.painter.AgentLayer()), 0);
}

TEST(LayerPainter, StepsKeepEveryRepaintedCellInItsStoredGrey) {
  RenderWorld w(2, 800, 0);
  w.sim.settings.CB_showAB = false;
  for (int i = 0; i < 40; ++i) ASSERT_TRUE(w.sim.DoStep().ok());
  // A new world on the same display starts its painting afresh.
  w.sim.ClearWorld();
  ASSERT_EQ(w.sim.SetupWorld(), "");
  for (int i = 0; i < 60; ++i) ASSERT_TRUE(w.sim.DoStep().ok());
  int checked = 0;
  for (int32_t r = 0; r < w.sim.RowCount; ++r) {
    for (int32_t c = 0; c < w.sim.ColCount; ++c) {
      const TCell& cell = w.sim.Cells(c, r);
      if (w.sim.Cells.Kind(c, r) != 0 || w.sim.Cells.LastPainted(c, r) == 0.0) continue;
      const uint32_t g = static_cast<uint32_t>(cell.Grey) & 0xFFu;
      ASSERT_EQ(ColorAt(w.painter.TrackLayer(), 2 * c, 2 * r), 0x010101u * g) << c << "," << r;
      ++checked;
    }
  }
  EXPECT_GT(checked, 50);
}

TEST(LayerPainter, TrailsGrownWithoutBoundPaintAtTheLightestTrailGrey) {
  RenderWorld w(2, 100, -1);
  w.sim.settings.CB_showAB = false;
  w.sim.settings.CB_decay = true;
  w.sim.settings.E_decay = "1e300";
  for (int i = 0; i < 6; ++i) ASSERT_TRUE(w.sim.DoStep().ok());
  w.sim.ScanTrackRange();
  ASSERT_TRUE(std::isinf(static_cast<double>(w.sim.TrackMax)));
  w.painter.PaintAllCells();  // an infinite range: scale 0
  int trail = 0;
  for (int32_t r = 0; r < w.sim.RowCount; ++r) {
    for (int32_t c = 0; c < w.sim.ColCount; ++c) {
      if (w.sim.Cells.Kind(c, r) != 0) continue;
      const bool hasTrail = w.sim.Cells.Track(c, r) > 0.0;
      trail += hasTrail;
      ASSERT_EQ(ColorAt(w.painter.TrackLayer(), 2 * c, 2 * r), hasTrail ? 0xEBEBEBu : 0xFFFFFFu) << c << "," << r;
    }
  }
  EXPECT_GT(trail, 0);
}

TEST(LayerPainter, NoTracksBlanksTheTrackLayerAndLeavesTheCellsAlone) {
  RenderWorld w(2, 0, 0);
  w.sim.settings.CB_showAB = false;
  w.sim.Cells.Track(10, 10) = 50.0;
  w.sim.ScanTrackRange();
  w.painter.PaintAllCells();
  ASSERT_NE(ColorAt(w.painter.TrackLayer(), 20, 20), 0xFFFFFFu);
  w.sim.settings.CB_noTracks = true;
  w.sim.Cells.Track(10, 10) = 80.0;
  w.sim.TrackMax = 80.0L;
  w.painter.PaintChangedCells();
  EXPECT_EQ(testing::Count(w.painter.TrackLayer(), 0xFFFFFF), 404 * 404);
  EXPECT_EQ(w.sim.Cells.LastPainted(10, 10), 50.0);
  EXPECT_EQ(w.sim.Cells.ShownMax, 50.0L);
}

TEST(LayerPainter, TheCompositeShowsTheTrackLayerWhereNoAgentIs) {
  RenderWorld w(2, 1, 0);
  const QImage panel = w.painter.Composite();
  ASSERT_EQ(panel.size(), QSize(404, 404));
  EXPECT_EQ(ColorAt(panel, 202, 202), 0x0000FFu);  // the agent's fill over the nest
  EXPECT_EQ(ColorAt(panel, 200, 200), 0xFF0000u);  // the nest
  EXPECT_EQ(ColorAt(panel, 0, 0), ColorAt(w.painter.TrackLayer(), 0, 0));
}

TEST(LayerPainter, WithoutLayersNothingIsPaintedAndNothingFails) {
  Simulation sim;
  LayerPainter painter(sim);
  painter.PaintChangedCells();
  painter.PaintAllCells();
  painter.PaintCell(0, 0);
  painter.ClearAgentLayer();
  painter.DrawAgents();
  EXPECT_EQ(painter.DrawGravityLines(), "");
  sim.settings.E_grav = "?";
  EXPECT_EQ(painter.DrawGravityLines(), "'?' is not a valid floating point value");
  EXPECT_FALSE(painter.HasLayers());
  EXPECT_TRUE(painter.Composite().isNull());
}

}  // namespace
}  // namespace quorvan
