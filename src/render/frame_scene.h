#pragma once
// A movie frame in two halves, so that the run's thread pays only for
// copies: FrameSceneTaker takes what the picture needs of the world (the
// shown trail, the cells' kinds, the range, the agents' marks) on the
// run's thread, and FramePainter paints the picture from it on the
// recording's thread. The picture equals FramePicture's at that step,
// pixel for pixel.
//
// The painter keeps its track layer from one frame to the next and
// repaints only the squares whose colour changed: each pixel holds the
// colour of the last cell (in painting order) whose square covers it, or
// white, whatever the order the squares were painted in.

#include <QImage>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "agent_draw.h"
#include "simulation.h"

namespace quorvan {

/// Where the grid's squares lie on the panel, worked out once per grid.
struct CellSquares;

struct FrameScene {
  std::shared_ptr<const CellSquares> squares;
  std::vector<double> values;   ///< the trail the cells show, per cell
  std::vector<int32_t> kinds;   ///< per cell
  long double shownMax = 0.0L;  ///< the range a "repaint all" hands the cells
  long double shownMin = 0.0L;
  bool blank = false;              ///< no trails shown (or no cells): a white layer
  std::vector<AgentMark> agents;   ///< the agents drawn, in order
  /// The whole picture, made on the run's thread where the painter cannot
  /// make it (gravity lines, a cell of no known kind); the rest is empty then.
  QImage whole;
};

/// On the run's thread.
class FrameSceneTaker {
 public:
  /// What FramePicture(sim, gravity, agents, warning) would paint.
  FrameScene Take(Simulation& sim, bool gravity, bool agents, std::string* warning = nullptr);

 private:
  std::shared_ptr<const CellSquares> squares_;
};

/// On the recording's thread; one painter for one taker's scenes.
class FramePainter {
 public:
  FramePainter();
  ~FramePainter();
  FramePainter(const FramePainter&) = delete;
  FramePainter& operator=(const FramePainter&) = delete;

  QImage Paint(const FrameScene& scene);

 private:
  std::shared_ptr<const CellSquares> squares_;
  QImage track_;
  QImage agents_;
  std::vector<uint32_t> shown_;  ///< the pixel each cell's square holds now; 0: not painted
  std::vector<TColor> colours_;
};

}  // namespace quorvan
