// The main window's handlers and its run loop.

#include "CellForm.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTimer>
#include <algorithm>

#include "drawing_panel.h"
#include "cell_inspector.h"
#include "edit_marks.h"
#include "form_display.h"
#include "panel_image.h"
#include "stats_chart.h"

namespace quorvan {

namespace {

std::string Text(const QLineEdit* edit) { return edit->text().toStdString(); }

}  // namespace

TForm1::TForm1(QWidget* parent) : TForm1(std::nullopt, parent) {}

TForm1::TForm1(std::optional<uint64_t> seed, QWidget* parent) : QMainWindow(parent), seed_(seed) {
  CreateControls();
  CreateMenu();
  CreateInspector();
  display_ = std::make_unique<FormDisplay>(
      sim, FormDisplay::Controls{Lbl_B, Lbl_wiggle, E_noise, E_CProbab, lbl_Steps, Chart1});
  sim.SetDisplay(display_.get());
  ZeichenPanel->SetLayers(display_.get());
  status_ = std::make_unique<StatusLine>(Lbl_status);
  ReadSettingsFromControls();
  ConnectHandlers();
  TrackUnsavedWork();
  FormCreate();
  Timer1->start();
  ShowRunState();
}

TForm1::~TForm1() { FormDestroy(); }

void TForm1::ReadSettingsFromControls() {
  Settings& s = sim.settings;
  s.Edit_anzAg = Text(Edit_anzAg);
  s.Edit_size = Text(Edit_size);
  s.SetupMode = CB_pre->currentIndex() < 0 ? kInitialSetupMode : CB_pre->currentIndex();
  s.E_stop = Text(E_stop);
  s.TrB_thresh = TrB_thresh->value();
  s.SB_wiggle = SB_wiggle->value();
  s.E_noise = Text(E_noise);
  s.E_decay = Text(E_decay);
  s.CB_decay = CB_decay->isChecked();
  s.E_CProbab = Text(E_CProbab);
  s.rb_rulette = rb_rulette->isChecked();
  s.rb_hill = rb_hill->isChecked();
  s.CB_showAg = CB_showAg->isChecked();
  s.CB_showAB = CB_showAB->isChecked();
  s.CB_noTracks = CB_noTracks->isChecked();
  s.CB_gravity = CB_gravity->isChecked();
  s.E_grav = Text(E_grav);
}

void TForm1::ConnectHandlers() {
  connect(Timer1, &QTimer::timeout, this, &TForm1::Timer1Timer);
  connect(B_oneStep, &QPushButton::clicked, this, &TForm1::B_oneStepClick);
  connect(B_stop, &QPushButton::clicked, this, &TForm1::B_stopClick);
  connect(B_setup, &QPushButton::clicked, this, &TForm1::B_setupClick);
  connect(TrB_thresh, &QScrollBar::valueChanged, this, &TForm1::TrB_threshChange);
  connect(SB_wiggle, &QScrollBar::valueChanged, this, &TForm1::SB_wiggleChange);
  connect(Edit_size, &QLineEdit::textChanged, this, &TForm1::Edit_sizeChange);
  connect(E_noise, &QLineEdit::textChanged, this, &TForm1::E_noiseChange);
  connect(E_stop, &QLineEdit::textChanged, this, &TForm1::E_stopChange);
  // The text changes both when an item is chosen and when the user types.
  connect(CB_pre, &QComboBox::currentTextChanged, this, &TForm1::CB_preChange);
  connect(CB_showAB, &QCheckBox::toggled, this, &TForm1::CB_showABClick);
  connect(CB_noTracks, &QCheckBox::toggled, this, &TForm1::CB_noTracksClick);
  connect(CB_gravity, &QCheckBox::toggled, this, &TForm1::CB_gravityClick);
  connect(E_grav, &QLineEdit::textChanged, this, &TForm1::E_gravChange);
  connect(Button1, &QPushButton::clicked, this, &TForm1::Button1Click);
  connect(ZeichenPanel, &DrawingPanel::MouseDown, this, &TForm1::ZeichenPanelMouseDown);
  connect(ZeichenPanel, &DrawingPanel::MouseMove, this, &TForm1::ZeichenPanelMouseMove);
  connect(ZeichenPanel, &DrawingPanel::MouseUp, this, &TForm1::ZeichenPanelMouseUp);

  // The controls without a handler are read by the step and the setup when
  // they need them: each change goes straight into the settings.
  Settings& s = sim.settings;
  const auto mirrorText = [this](QLineEdit* edit, std::string& field) {
    connect(edit, &QLineEdit::textChanged, this,
            [&field](const QString& text) { field = text.toStdString(); });
  };
  const auto mirrorCheck = [this](QAbstractButton* button, bool& field) {
    connect(button, &QAbstractButton::toggled, this, [&field](bool checked) { field = checked; });
  };
  // A text that does not convert stays marked until it does.
  const auto failure = [](auto convert) {
    return [convert](std::string_view text) { return convert(text).error; };
  };
  for (QLineEdit* edit : {Edit_anzAg, Edit_size, E_stop}) MarkWhileInvalid(edit, failure(TextToInt));
  MarkWhileInvalid(E_noise, failure(TextToRoundedInt));
  for (QLineEdit* edit : {E_decay, E_CProbab}) MarkWhileInvalid(edit, failure(TextToDouble));
  // The gravity lines read their size as an extended real.
  MarkWhileInvalid(E_grav, failure(TextToReal));
  mirrorText(Edit_anzAg, s.Edit_anzAg);
  mirrorText(E_decay, s.E_decay);
  mirrorText(E_CProbab, s.E_CProbab);
  mirrorCheck(CB_decay, s.CB_decay);
  mirrorCheck(CB_showAg, s.CB_showAg);
  mirrorCheck(rb_rulette, s.rb_rulette);
  mirrorCheck(rb_hill, s.rb_hill);
}

void TForm1::FormCreate() {
  SetupSeededWorld();
  ZeichenPanel->RequestFrame();
  // Filling the list is no choice: SetupMode stays 0 and the box shows its
  // placeholder until the user picks or types.
  const QSignalBlocker quiet(CB_pre);
  for (const LandscapeModeInfo& mode : kLandscapeModes) {
    CB_pre->addItem(QString::fromLatin1(mode.caption.data(), static_cast<qsizetype>(mode.caption.size())));
  }
  CB_pre->setCurrentIndex(-1);
  CB_pre->clearEditText();
  // As wide as its longest item, "Random Destinations", needs.
  CB_pre->resize(std::max(CB_pre->width(), CB_pre->sizeHint().width()), CB_pre->height());
}

void TForm1::FormDestroy() {
  Timer1->stop();
  // A window closed without Quit (the program's exit) still completes its movie.
  if (recording_.Active()) recording_.Stop(sim);
  // The session ends here, however the window was closed: the next start
  // has nothing to offer from it.
  if (!sessionMark_.isEmpty()) QFile::remove(sessionMark_);
  sim.ClearWorld();
  ZeichenPanel->SetLayers(nullptr);
  ZeichenPanel->SetOverlay({});
  sim.SetDisplay(nullptr);
  // The controls outlive this object's members: none may call back.
  for (QObject* child : findChildren<QObject*>()) child->disconnect(this);
}

bool TForm1::WorldShown() const { return sim.HasWorld() && display_->HasLayers(); }

void TForm1::RunStep() {
  const StepResult result = sim.DoStep();
  if (result.stopReached) {
    Timer1->stop();
    stoppedAtStopTime_ = true;
    ShowRunState();
  }
  if (result.ok()) {
    Chart1->SetLastDeliveries(result.deliveries);
    if (recording_.Active()) RecordStep(result.stopReached);
    status_->Report(StatusLine::Source::Step, {});
    // The only failure a step goes on after: the gravity-size text.
    status_->Report(StatusLine::Source::GravityLines, result.warning);
    UpdateInspector();
  } else {
    status_->Report(StatusLine::Source::Step, result.error);
  }
  ZeichenPanel->RequestFrame();
  emit StepDone(sim.StepCount);
}

// ---- run loop and buttons ----

void TForm1::Timer1Timer() { RunStep(); }

void TForm1::B_oneStepClick() { RunStep(); }

void TForm1::B_stopClick() {
  if (Timer1->isActive()) {
    Timer1->stop();
  } else {
    Timer1->start();
    stoppedAtStopTime_ = false;
  }
  ShowRunState();
}

void TForm1::B_setupClick() {
  // SetupWorld releases the old world itself, once every input has
  // converted and the new world's memory is had: a failing setup leaves
  // the old world running. The timer keeps its state. The world it
  // replaces stays recoverable when it has unsaved mouse edits (the
  // settings stay in the controls).
  if (editsUnsaved_) Autosave();
  StopRecording();  // the movie is of the world it replaces
  SetupSeededWorld();
  ZeichenPanel->RequestFrame();
}

// ---- parameters ----

void TForm1::TrB_threshChange() {
  sim.settings.TrB_thresh = TrB_thresh->value();
  Lbl_B->setText(AngleCaption(TrB_thresh->value()));
}

void TForm1::SB_wiggleChange() {
  sim.settings.SB_wiggle = SB_wiggle->value();
  Lbl_wiggle->setText(AngleCaption(SB_wiggle->value()));
}

void TForm1::Edit_sizeChange() {
  sim.settings.Edit_size = Text(Edit_size);
  const Converted<int32_t> size = TextToInt(sim.settings.Edit_size);
  status_->Report(StatusLine::Source::CellSize, size.error);
  if (!size) return;
  // Each new text comes back through this handler, which stores it.
  if (*size > kMaxCellSize) {
    Edit_size->setText(QString::number(kMaxCellSize));
  } else if (*size < kMinCellSize) {
    Edit_size->setText(QString::number(kMinCellSize));
  }
}

void TForm1::E_noiseChange() {
  if (E_noise->text().isEmpty()) {
    E_noise->setText(QStringLiteral("0"));  // comes back here and is stored
    return;
  }
  sim.settings.E_noise = Text(E_noise);
}

void TForm1::E_stopChange() {
  sim.settings.E_stop = Text(E_stop);
  const Converted<int32_t> stop = TextToInt(sim.settings.E_stop);
  if (stop) sim.StopTime = *stop;
  status_->Report(StatusLine::Source::StopTime, stop.error);
}

void TForm1::CB_preChange() {
  // The item whose text is shown; a typed text that is no item gives -1.
  sim.settings.SetupMode =
      CB_pre->findText(CB_pre->currentText(), Qt::MatchExactly | Qt::MatchCaseSensitive);
}

// ---- display controls ----

void TForm1::CB_showABClick() {
  sim.settings.CB_showAB = CB_showAB->isChecked();
  if (!WorldShown()) return;
  sim.ScanTrackRange();
  display_->PaintAllCells();
  ZeichenPanel->RequestFrame();
}

void TForm1::CB_noTracksClick() {
  sim.settings.CB_noTracks = CB_noTracks->isChecked();
  if (!WorldShown()) return;
  display_->PaintAllCells();
  ZeichenPanel->RequestFrame();
}

void TForm1::CB_gravityClick() {
  sim.settings.CB_gravity = CB_gravity->isChecked();
  if (!WorldShown()) return;
  display_->PaintAllCells();
  status_->Report(StatusLine::Source::GravityLines,
                  sim.settings.CB_gravity ? display_->DrawGravityLines() : std::string());
  ZeichenPanel->RequestFrame();
}

void TForm1::E_gravChange() {
  sim.settings.E_grav = Text(E_grav);
  if (!WorldShown()) return;
  display_->PaintAllCells();
  ZeichenPanel->RequestFrame();
}

void TForm1::Button1Click() {
  if (!WorldShown()) return;
  const std::string message = RepaintAll(sim, *display_, sim.settings.CB_showAg, sim.settings.CB_gravity);
  if (sim.settings.CB_gravity) status_->Report(StatusLine::Source::GravityLines, message);
  ZeichenPanel->RequestFrame();
}

// ---- mouse editing on the panel ----

void TForm1::ZeichenPanelMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift,
                                   QPoint point) {
  editing_.MouseDown(button, shift.testFlag(Qt::ControlModifier), point.x(), point.y());
  if (editing_.CtrlDown && sim.HasWorld()) EditedWithMouse();  // a destination was added
  // The editing has no use for the middle button alone: it picks the agent
  // to follow.
  if (button == Qt::MiddleButton && !shift.testFlag(Qt::ControlModifier) && sim.HasWorld()) {
    const int agent = AgentAt(sim, point.x(), point.y(), std::max(6, 2 * sim.CellSize));
    if (agent >= 0) FollowAgent(agent);
  }
}

void TForm1::ZeichenPanelMouseMove(QPoint point) {
  if (editing_.MouseMove(point.x(), point.y())) {
    EditedWithMouse();
    ZeichenPanel->RequestFrame();
  }
}

void TForm1::ZeichenPanelMouseUp(Qt::MouseButton /*button*/, QPoint /*point*/) {
  editing_.MouseUp();
}

}  // namespace quorvan
