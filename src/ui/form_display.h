#pragma once
// The window's side of the model's display calls: the two layers are
// painted by LayerPainter; what the model tells the controls (the angle
// labels, the texts a landscape writes, the step counter, the chart) goes
// to the window's controls here.

#include <QString>
#include <cstdint>

#include "layer_painter.h"

class QLabel;
class QLineEdit;

namespace quorvan {

class StatsChart;

class FormDisplay : public LayerPainter {
 public:
  /// The controls the model writes to; all belong to the window.
  struct Controls {
    QLabel* Lbl_B = nullptr;
    QLabel* Lbl_wiggle = nullptr;
    QLineEdit* E_noise = nullptr;
    QLineEdit* E_CProbab = nullptr;
    QLabel* lbl_Steps = nullptr;
    StatsChart* Chart1 = nullptr;
  };

  FormDisplay(Simulation& sim, const Controls& controls);

  void ShowAngleLabels(int32_t threshold, int32_t wiggle) override;
  void SettingTextsChanged() override;
  void ShowStepCount(int32_t stepCount) override;
  void CreateChartSeries() override;
  void AddChartPoints(int32_t successful, int32_t returning) override;

 private:
  Controls controls_;
};

/// "<position> Grad", the caption of an angle label.
QString AngleCaption(int position);

}  // namespace quorvan
