#pragma once
// What the simulation tells the display, at fixed points of a setup and a
// step. A headless run leaves every call empty, and everything else happens
// in the same order either way.

#include <cstdint>
#include <string>

namespace quorvan {

class Display {
 public:
  virtual ~Display() = default;

  /// Setup: the angle labels show the scroll-bar positions.
  virtual void ShowAngleLabels(int32_t /*threshold*/, int32_t /*wiggle*/) {}
  /// Setup: the landscape mode wrote E_noise and possibly E_CProbab.
  virtual void SettingTextsChanged() {}
  /// Setup: two new blank layers (releasing any old ones).
  virtual void CreateLayers() {}
  /// Cells were reset (setup), or a step is about to move the agents:
  /// blank the track layer under "no tracks", else hand every cell the
  /// scanned range and repaint those whose Track changed by more than 1.
  virtual void PaintChangedCells() {}
  /// A cell's kind changed (landscape, nest, mouse edit): paint it with Trail 0.
  virtual void PaintCell(int32_t /*column*/, int32_t /*row*/) {}
  /// Wipe the agent layer.
  virtual void ClearAgentLayer() {}
  /// Draw every agent on the agent layer.
  virtual void DrawAgents() {}
  /// Draw the gravity lines. Returns a failure message (the size text did
  /// not convert) or an empty text; a failure skips only the lines.
  virtual std::string DrawGravityLines() { return {}; }
  /// The step counter after a step.
  virtual void ShowStepCount(int32_t /*stepCount*/) {}
  /// Setup: three new, empty chart series.
  virtual void CreateChartSeries() {}
  /// End of a step: one point per series at x = StepCount.
  virtual void AddChartPoints(int32_t /*successful*/, int32_t /*returning*/) {}
  /// The world was released: drop the layers.
  virtual void ReleaseLayers() {}
};

}  // namespace quorvan
