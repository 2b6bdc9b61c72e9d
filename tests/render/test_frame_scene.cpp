// Frames painted on the recording's thread from a scene taken on the run's
// thread equal FramePicture's, frame after frame, whatever changes between
// them: the painter keeps its layer and repaints only what changed.

#include "frame_scene.h"

#include <gtest/gtest.h>

#include <functional>

#include "frame_picture.h"
#include "render_world.h"

namespace quorvan {
namespace {

using testing::RenderWorld;

struct SceneCase {
  const char* name;
  int32_t cellSize;
  int32_t agents;
  int32_t mode;
  bool gravity;
  bool showAgents;
  /// Changes the world before the step `step` (1-based) is taken.
  std::function<void(Simulation&, int step)> change;
};

void Grow(Simulation& sim, int32_t by) {
  for (std::size_t i = 0; i < sim.Cells.Count(); ++i) sim.Cells.at(i).Size += by;
}

TEST(FrameScene, PaintedFramesEqualTheRepaintAllPicture) {
  const SceneCase cases[] = {
      {"default cells", 2, 60, kRasterDestinations, false, true, nullptr},
      {"odd cells leave white gaps", 3, 40, kRandomDestinations, false, true, nullptr},
      {"agents hidden", 4, 40, kRasterDestinations, false, false, nullptr},
      {"gravity lines", 4, 30, kRasterDestinations, true, true,
       [](Simulation& sim, int) { sim.settings.E_grav = "5"; }},
      {"trail shown switched, tracks hidden and back", 10, 50, kRasterDestinations, false, true,
       [](Simulation& sim, int step) {
         sim.settings.CB_showAB = step >= 20 && step < 40;
         sim.settings.CB_noTracks = step >= 30 && step < 35;
       }},
      {"cells painted over by the mouse", 5, 40, kRandomDestinations, false, true,
       [](Simulation& sim, int step) {
         if (step == 15) sim.Cells.Kind(3, 4) = kObstacle;
         if (step == 29) sim.Cells.Kind(3, 4) = kFree;
         if (step == 29) sim.Cells.Kind(7, 2) = kDestination;
       }},
      {"overlapping squares", 6, 40, kRasterDestinations, false, true,
       [](Simulation& sim, int step) {
         if (step == 1) Grow(sim, 2);
       }},
      {"squares moved mid-run", 6, 40, kRasterDestinations, false, true,
       [](Simulation& sim, int step) {
         if (step == 25) Grow(sim, -1);
       }},
      {"a cell of no known kind", 8, 30, kRasterDestinations, false, true,
       [](Simulation& sim, int step) {
         if (step == 20) sim.Cells.Kind(1, 1) = 9;
         if (step == 40) sim.Cells.Kind(1, 1) = kFree;
       }},
  };
  for (const SceneCase& c : cases) {
    SCOPED_TRACE(c.name);
    RenderWorld world(c.cellSize, c.agents, c.mode, 11);
    FrameSceneTaker taker;
    FramePainter painter;
    for (int step = 1; step <= 60; ++step) {
      if (c.change) c.change(world.sim, step);
      ASSERT_TRUE(world.sim.DoStep().ok());
      if (step % 5 != 0 && step != 1) continue;
      const QImage painted = painter.Paint(taker.Take(world.sim, c.gravity, c.showAgents));
      ASSERT_FALSE(painted.isNull()) << "step " << step;
      ASSERT_EQ(painted, FramePicture(world.sim, c.gravity, c.showAgents)) << "step " << step;
    }
  }
}

}  // namespace
}  // namespace quorvan
