// Gravity lines: widths from the deliveries, and the faults of the size text
// and of a world without steps.

#include "gravity_lines.h"

#include <gtest/gtest.h>

#include <limits>
#include <ostream>

#include "pixels.h"
#include "render_world.h"

namespace quorvan {
namespace {

using testing::ColorAt;
using testing::RenderWorld;

constexpr uint32_t kMaroon = 0x000080;

/// Rows 198..208 of the track layer at x = 150: '#' maroon, '.' other.
std::string AcrossTheLine(const QImage& layer) {
  std::string rows;
  for (int y = 198; y <= 208; ++y) rows += ColorAt(layer, 150, y) == kMaroon ? '#' : '.';
  return rows;
}

/// A world with one destination 100 pixels left of the nest centre (203, 203).
struct GravityWorld : RenderWorld {
  GravityWorld(int32_t returns, int32_t steps, const char* size) {
    sim.Destinations = {TDestination{103, 203, returns}};
    sim.StepCount = steps;
    sim.settings.E_grav = size;
  }
};

struct LineCase {
  int32_t returns;
  const char* size;
  std::string rows;
};
std::ostream& operator<<(std::ostream& os, const LineCase& c) {
  return os << "Returns " << c.returns << ", size " << c.size;
}

class GravityWidths : public ::testing::TestWithParam<LineCase> {};

TEST_P(GravityWidths, FollowTheDeliveriesPerStep) {
  const LineCase& c = GetParam();
  GravityWorld w(c.returns, 100, c.size);
  EXPECT_EQ(w.painter.DrawGravityLines(), "");
  EXPECT_EQ(AcrossTheLine(w.painter.TrackLayer()), c.rows);
}

INSTANTIATE_TEST_SUITE_P(GravityLines, GravityWidths,
                         ::testing::Values(LineCase{1, "5", "..........."},    // Returns 1: no line
                                           LineCase{2, "5", ".....#....."},    // width 0
                                           LineCase{30, "5", "....##....."},   // 1.5 -> 2
                                           LineCase{50, "5", "....##....."},   // 2.5 -> 2
                                           LineCase{70, "5", "...####...."},   // 3.5 -> 4
                                           LineCase{30, "2,5", ".....#....."},  // 0.75 -> 1
                                           LineCase{30, "-5", ".....#....."})); // -2: ignored

TEST(GravityLines, WidthsThatCannotBeHadLeaveThePenAlone) {
  EXPECT_EQ(GravityLineWidth(30, 0, 5.0), std::nullopt);  // no division by zero
  EXPECT_EQ(GravityLineWidth(30, 100, 1e300), std::numeric_limits<int32_t>::max());
  EXPECT_EQ(GravityLineWidth(30, 100, -std::numeric_limits<double>::infinity()),
            std::numeric_limits<int32_t>::min());
}

TEST(GravityLines, WithoutStepsTheLineKeepsThePensWidth) {
  GravityWorld w(30, 0, "5");
  w.painter.PaintAllCells();  // leaves the pen at width 0
  EXPECT_EQ(w.painter.DrawGravityLines(), "");
  EXPECT_EQ(AcrossTheLine(w.painter.TrackLayer()), ".....#.....");
}

TEST(GravityLines, AHugeSizeCoversTheLayerWithoutFailing) {
  GravityWorld w(30, 100, "1e300");
  EXPECT_EQ(w.painter.DrawGravityLines(), "");
  EXPECT_EQ(testing::Count(w.painter.TrackLayer(), kMaroon), 404 * 404);
}

TEST(GravityLines, ASizeTextThatIsNoNumberIsReportedAndDrawsNothing) {
  GravityWorld w(70, 100, "abc");
  const QImage before = w.painter.TrackLayer().copy();
  EXPECT_EQ(w.painter.DrawGravityLines(), "'abc' is not a valid floating point value");
  EXPECT_EQ(w.painter.TrackLayer(), before);
}

TEST(GravityLines, ABadSizeTextInAStepSkipsOnlyTheLines) {
  RenderWorld w(2, 20);
  w.sim.settings.CB_gravity = true;
  w.sim.settings.E_grav = "x";
  w.sim.Destinations = {TDestination{103, 203, 70}};
  const StepResult result = w.sim.DoStep();
  EXPECT_TRUE(result.ok());
  EXPECT_EQ(result.warning, "'x' is not a valid floating point value");
  EXPECT_EQ(w.sim.StepCount, 1);
  EXPECT_EQ(testing::Count(w.painter.TrackLayer(), kMaroon), 0);
  EXPECT_EQ(ColorAt(w.painter.AgentLayer(), 202, 202), 0x0000FFu);  // the agents are still drawn
}

}  // namespace
}  // namespace quorvan
