#pragma once
// A display that writes down which calls the simulation made, in order.

#include <string>
#include <vector>

#include "simulation.h"

namespace quorvan::testing {

class RecordingDisplay : public Display {
 public:
  std::vector<std::string> calls;
  std::string gravityFailure;
  // Where the first agent stood when the agents were drawn.
  int32_t drawnAgentX = -1;
  const std::vector<TAgent>* agents = nullptr;

  void ShowAngleLabels(int32_t, int32_t) override { calls.push_back("ShowAngleLabels"); }
  void SettingTextsChanged() override { calls.push_back("SettingTextsChanged"); }
  void CreateLayers() override { calls.push_back("CreateLayers"); }
  void PaintChangedCells() override { calls.push_back("PaintChangedCells"); }
  void PaintCell(int32_t, int32_t) override {
    if (calls.empty() || calls.back() != "PaintCell") calls.push_back("PaintCell");
  }
  void ClearAgentLayer() override { calls.push_back("ClearAgentLayer"); }
  void DrawAgents() override {
    calls.push_back("DrawAgents");
    if (agents && !agents->empty()) drawnAgentX = agents->front().CellX;
  }
  std::string DrawGravityLines() override {
    calls.push_back("DrawGravityLines");
    return gravityFailure;
  }
  void ShowStepCount(int32_t) override { calls.push_back("ShowStepCount"); }
  void CreateChartSeries() override { calls.push_back("CreateChartSeries"); }
  void AddChartPoints(int32_t, int32_t) override { calls.push_back("AddChartPoints"); }
  void ReleaseLayers() override { calls.push_back("ReleaseLayers"); }
};

}  // namespace quorvan::testing
