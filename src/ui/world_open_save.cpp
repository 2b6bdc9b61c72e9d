// Opening and saving whole worlds in the window.

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTimer>

#include "CellForm.h"
#include "drawing_panel.h"
#include "edit_marks.h"
#include "form_display.h"
#include "stats_chart.h"
#include "status_line.h"
#include "world_file.h"

namespace quorvan {

void TForm1::ShowSettingsInControls() {
  // The handlers would write the controls' values back into the opened
  // world (StopTime, the clamps, SetupMode): their signals are held back.
  const Settings& s = sim.settings;
  const auto setText = [](QLineEdit* edit, const std::string& text) {
    {
      const QSignalBlocker hold(edit);
      edit->setText(QString::fromStdString(text));
    }
    RefreshMark(edit);  // the mark follows the opened text
  };
  const auto setCheck = [](QAbstractButton* button, bool checked) {
    const QSignalBlocker hold(button);
    button->setChecked(checked);
  };
  setText(Edit_anzAg, s.Edit_anzAg);
  setText(Edit_size, s.Edit_size);
  setText(E_stop, s.E_stop);
  setText(E_noise, s.E_noise);
  setText(E_decay, s.E_decay);
  setText(E_CProbab, s.E_CProbab);
  setText(E_grav, s.E_grav);
  setCheck(CB_decay, s.CB_decay);
  setCheck(CB_showAg, s.CB_showAg);
  setCheck(CB_showAB, s.CB_showAB);
  setCheck(CB_noTracks, s.CB_noTracks);
  setCheck(CB_gravity, s.CB_gravity);
  // The two radio buttons exclude each other: check the one that is set.
  setCheck(s.rb_rulette ? rb_rulette : rb_hill, s.rb_rulette || s.rb_hill);
  if (!s.rb_rulette && !s.rb_hill) setCheck(rb_rulette, false);
  for (QScrollBar* bar : {TrB_thresh, SB_wiggle}) {
    const QSignalBlocker hold(bar);
    bar->setValue(bar == TrB_thresh ? s.TrB_thresh : s.SB_wiggle);
  }
  Lbl_B->setText(AngleCaption(s.TrB_thresh));
  Lbl_wiggle->setText(AngleCaption(s.SB_wiggle));
  const QSignalBlocker hold(CB_pre);
  CB_pre->setCurrentIndex(s.SetupMode);
}

std::string TForm1::OpenWorldFile(const QString& path) {
  StopRecording();  // the movie is of the world shown until now
  std::vector<ChartPoint> chart;
  const std::string error = OpenWorld(path.toStdString(), sim, chart);
  if (!error.empty()) {
    ShowOpenFault(path, error);
    return ReportFile(error);
  }

  ShowSettingsInControls();
  // The layers as they were: each cell in its stored colour, not a fresh
  // grey, then the agents.
  display_->CreateLayers();
  display_->PaintStoredCells();
  if (sim.settings.CB_gravity) {
    status_->Report(StatusLine::Source::GravityLines, display_->DrawGravityLines());
  }
  display_->ClearAgentLayer();
  if (sim.settings.CB_showAg) display_->DrawAgents();
  Chart1->SetPoints(chart);
  display_->ShowStepCount(sim.StepCount);
  // A world saved at (or past) its stop time would otherwise run on for
  // ever, the stop coming only when the counter equals the stop time: it
  // opens stopped there, and "start / stop" runs on as after any stop.
  stoppedAtStopTime_ = sim.StepCount >= sim.StopTime;
  if (stoppedAtStopTime_) Timer1->stop();
  SetWorldFile(path);
  WorkSaved();
  WorldReplaced();
  ShowRunState();
  ZeichenPanel->RequestFrame();
  ReportFile({});
  status_->Confirm(StatusLine::Source::File, "opened '" + QFileInfo(path).fileName().toStdString() + "'");
  return {};
}

std::string TForm1::SaveWorldFile(const QString& path) {
  const std::vector<ChartPoint> chart = Chart1->Points();
  const std::string error = SaveWorld(path.toStdString(), sim, chart);
  if (!error.empty()) return ReportFile(error);
  SetWorldFile(path);
  WorkSaved();
  return ReportSaved(path);
}

}  // namespace quorvan
