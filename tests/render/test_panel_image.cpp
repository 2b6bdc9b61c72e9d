// The picture of the panel for "repaint all" and the batch runner.

#include "panel_image.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "pixels.h"
#include "render_world.h"

namespace quorvan {
namespace {

using testing::ColorAt;
using testing::RenderWorld;

TEST(PanelImage, RenderShowsTracksLinesAndAgentsAsAsked) {
  RenderWorld w(2, 50, 0);
  w.sim.settings.CB_showAB = false;
  for (int i = 0; i < 40; ++i) ASSERT_TRUE(w.sim.DoStep().ok());
  w.sim.Destinations.push_back(TDestination{103, 203, 5000});

  std::string warning = "unset";
  const QImage bare = RenderPanel(w.sim, false, false, &warning);
  EXPECT_EQ(warning, "");
  EXPECT_EQ(bare.size(), QSize(404, 404));
  EXPECT_EQ(testing::Count(bare, 0x000080), 0);
  EXPECT_EQ(testing::Count(bare, 0x0000FF), 0);  // no agent fill

  const QImage full = RenderPanel(w.sim, true, true);
  EXPECT_EQ(ColorAt(full, 150, 203), 0x000080u);
  EXPECT_GT(testing::Count(full, 0x0000FF), 0);

  // The same as the window's own layers after "repaint all".
  EXPECT_EQ(RepaintAll(w.sim, w.painter, true, true), "");
  EXPECT_EQ(w.painter.Composite(), full);
}

TEST(PanelImage, UnderNoTracksTheTrackLayerIsBlank) {
  RenderWorld w(2, 0, 0);
  w.sim.settings.CB_noTracks = true;
  const QImage panel = RenderPanel(w.sim, false, false);
  EXPECT_EQ(testing::Count(panel, 0xFFFFFF), 404 * 404);
}

TEST(PanelImage, ABadGravitySizeComesBackAndThePictureHasNoLines) {
  RenderWorld w(2, 0, 0);
  w.sim.Destinations.push_back(TDestination{103, 203, 50});
  w.sim.StepCount = 10;
  w.sim.settings.E_grav = "big";
  std::string warning;
  const QImage panel = RenderPanel(w.sim, true, false, &warning);
  EXPECT_EQ(warning, "'big' is not a valid floating point value");
  EXPECT_EQ(testing::Count(panel, 0x000080), 0);
}

TEST(PanelImage, SavedPngsReadBackPixelForPixel) {
  RenderWorld w(2, 30, 0);
  const QImage panel = RenderPanel(w.sim, false, true);
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const std::string path = dir.filePath("panel.png").toStdString();
  std::string error = "unset";
  ASSERT_TRUE(SavePng(panel, path, error)) << error;
  EXPECT_EQ(error, "");
  const QImage back(QString::fromStdString(path));
  EXPECT_EQ(back.convertToFormat(QImage::Format_RGB32), panel);

  EXPECT_FALSE(SavePng(panel, dir.filePath("missing/panel.png").toStdString(), error));
  EXPECT_NE(error.find("panel.png"), std::string::npos);
  EXPECT_FALSE(SavePng(QImage(), path, error));
}

}  // namespace
}  // namespace quorvan
