// The picture of a movie frame: "repaint all" without changing the world.

#include "frame_picture.h"

#include <gtest/gtest.h>

#include "panel_image.h"
#include "render_world.h"

namespace quorvan {
namespace {

using testing::RenderWorld;

// Two equal worlds, one of them pictured every few steps: the run, the
// window's incrementally painted layers and the digest stay as they would
// have been, and each frame is the "repaint all" picture of its step.
TEST(FramePicture, TakingFramesChangesNeitherTheRunNorTheWindowsPainting) {
  for (const bool returnTrail : {true, false}) {
    RenderWorld plain(2, 60, kRasterDestinations, 11);
    RenderWorld filmed(2, 60, kRasterDestinations, 11);
    for (RenderWorld* w : {&plain, &filmed}) {
      w->sim.settings.CB_showAB = returnTrail;
      w->sim.settings.CB_gravity = true;
      w->sim.settings.E_grav = "5";
    }
    for (int step = 1; step <= 60; ++step) {
      ASSERT_TRUE(plain.sim.DoStep().ok());
      ASSERT_TRUE(filmed.sim.DoStep().ok());
      if (step % 7 != 0) continue;
      const QImage frame = FramePicture(filmed.sim, true, true);
      ASSERT_EQ(WorldDigest(filmed.sim), WorldDigest(plain.sim)) << "step " << step;
      for (std::size_t i = 0; i < plain.sim.Cells.Count(); ++i) {
        ASSERT_EQ(filmed.sim.Cells.LastPaintedData()[i], plain.sim.Cells.LastPaintedData()[i]);
        ASSERT_EQ(filmed.sim.Cells.at(i).Grey, plain.sim.Cells.at(i).Grey);
      }
      EXPECT_EQ(filmed.sim.Cells.ShownMax, plain.sim.Cells.ShownMax);
      Simulation copy(plain.sim);  // RenderPanel paints the copy's cells
      EXPECT_EQ(frame, RenderPanel(copy, true, true)) << "step " << step;
    }
    EXPECT_EQ(filmed.painter.Composite(), plain.painter.Composite());
  }
}

}  // namespace
}  // namespace quorvan
