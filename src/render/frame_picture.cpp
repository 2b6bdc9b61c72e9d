#include "frame_picture.h"

#include "colors.h"
#include "panel_image.h"

namespace quorvan {

namespace {

// What painting the whole panel writes into the world.
struct PaintingState {
  long double trackMax = 0.0L;
  long double trackMin = 0.0L;
  long double shownMax = 0.0L;
  long double shownMin = 0.0L;
  std::vector<double> lastPainted;
  std::vector<int32_t> grey;

  explicit PaintingState(const Simulation& sim)
      : trackMax(sim.TrackMax), trackMin(sim.TrackMin), shownMax(sim.Cells.ShownMax), shownMin(sim.Cells.ShownMin) {
    const std::size_t n = sim.Cells.Count();
    lastPainted.assign(sim.Cells.LastPaintedData(), sim.Cells.LastPaintedData() + n);
    grey.resize(n);
    for (std::size_t i = 0; i < n; ++i) grey[i] = sim.Cells.at(i).Grey;
  }

  void PutBack(Simulation& sim) const {
    sim.TrackMax = trackMax;
    sim.TrackMin = trackMin;
    sim.Cells.ShownMax = shownMax;
    sim.Cells.ShownMin = shownMin;
    for (int32_t r = 0; r < sim.Cells.Rows(); ++r) {
      for (int32_t c = 0; c < sim.Cells.Columns(); ++c) {
        const std::size_t i = sim.Cells.Index(c, r);
        sim.Cells.LastPainted(c, r) = lastPainted[i];
        sim.Cells.at(i).Grey = grey[i];
      }
    }
  }
};

uint32_t Rgb(TColor c) { return OpaquePixel(c) & 0xFFFFFFu; }

}  // namespace

QImage FramePicture(Simulation& sim, bool gravity, bool agents, std::string* warning) {
  const PaintingState before(sim);
  QImage picture = RenderPanel(sim, gravity, agents, warning);
  before.PutBack(sim);
  return picture;
}

std::vector<uint32_t> PanelColours() {
  return {Rgb(kNestColor),     Rgb(kDestinationColor), Rgb(kObstacleColor), Rgb(kSearchingFill),
          Rgb(kReturningFill), Rgb(kTickColor),        Rgb(kGravityColor)};
}

}  // namespace quorvan
