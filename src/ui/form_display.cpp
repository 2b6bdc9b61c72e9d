#include "form_display.h"

#include <QLabel>
#include <QLineEdit>

#include "stats_chart.h"

namespace quorvan {

QString AngleCaption(int position) { return QString::number(position) + QStringLiteral(" Grad"); }

FormDisplay::FormDisplay(Simulation& sim, const Controls& controls)
    : LayerPainter(sim), controls_(controls) {}

void FormDisplay::ShowAngleLabels(int32_t threshold, int32_t wiggle) {
  controls_.Lbl_B->setText(AngleCaption(threshold));
  controls_.Lbl_wiggle->setText(AngleCaption(wiggle));
}

void FormDisplay::SettingTextsChanged() {
  controls_.E_noise->setText(QString::fromStdString(sim_.settings.E_noise));
  controls_.E_CProbab->setText(QString::fromStdString(sim_.settings.E_CProbab));
}

void FormDisplay::ShowStepCount(int32_t stepCount) {
  controls_.lbl_Steps->setText(QString::number(stepCount));
}

void FormDisplay::CreateChartSeries() { controls_.Chart1->CreateChartSeries(); }

void FormDisplay::AddChartPoints(int32_t successful, int32_t returning) {
  controls_.Chart1->AddChartPoints(sim_.StepCount, successful, returning,
                                   static_cast<double>(sim_.TrackMax));
}

}  // namespace quorvan
