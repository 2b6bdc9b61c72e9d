// The main window's components: their places, sizes, captions and initial
// values, in the order of the design. Positions are pixels relative to the
// parent.

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QTimer>
#include <algorithm>
#include <string_view>

#include "CellForm.h"
#include "drawing_panel.h"
#include "form_display.h"
#include "settings_limits.h"
#include "stats_chart.h"

namespace quorvan {

namespace {

// The window's inside, below the title bar of the designed 734 x 734 window.
constexpr int kClientWidth = 726;
constexpr int kClientHeight = 705;

template <typename W>
W* Place(W* widget, const char* name, int left, int top, int width, int height) {
  widget->setObjectName(QString::fromLatin1(name));
  widget->setGeometry(left, top, width, height);
  return widget;
}

// Labels, check boxes and radio buttons size themselves to their caption,
// as the designed ones do: the design's sizes are the least they take.
template <typename W>
W* FitCaption(W* widget) {
  const QSize hint = widget->sizeHint();
  widget->resize(std::max(widget->width(), hint.width()), std::max(widget->height(), hint.height()));
  return widget;
}

QLabel* NewLabel(QWidget* parent, const char* name, const QString& caption, int left, int top,
                 int width, int height) {
  return FitCaption(Place(new QLabel(caption, parent), name, left, top, width, height));
}

// A box wide enough for the children whose captions grew past its edge.
void GrowToHold(QGroupBox* box) {
  int right = box->width();
  const int frame = box->width() - 1 - box->contentsRect().right();
  for (const QWidget* child : box->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    right = std::max(right, child->geometry().right() + 1 + frame);
  }
  box->resize(right, box->height());
}

QLineEdit* NewEdit(QWidget* parent, const char* name, const QString& text, int left, int top,
                   int width, int height) {
  return Place(new QLineEdit(text, parent), name, left, top, width, height);
}

QString Latin1(std::string_view text) {
  return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

QScrollBar* NewAngleBar(QWidget* parent, const char* name, int position, int left, int top) {
  auto* bar = Place(new QScrollBar(Qt::Horizontal, parent), name, left, top, 113, 17);
  bar->setRange(kMinAngle, kMaxAngle);
  bar->setPageStep(kAnglePageStep);
  bar->setValue(position);
  return bar;
}

QCheckBox* NewCheckBox(QWidget* parent, const char* name, const char* caption, bool checked,
                       int left, int top, int width, int height) {
  auto* box = FitCaption(Place(new QCheckBox(QString::fromLatin1(caption), parent), name, left,
                               top, width, height));
  box->setChecked(checked);
  return box;
}

}  // namespace

void TForm1::CreateControls() {
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(QStringLiteral("Quorvan"));
  // A small sans face in the place of the design's 10-pixel Tahoma.
  QFont face(QStringLiteral("DejaVu Sans Condensed"));
  face.setPixelSize(10);
  setFont(face);

  auto* client = new QWidget(this);
  client->setObjectName(QStringLiteral("client"));
  client->setFixedSize(kClientWidth, kClientHeight);
  setCentralWidget(client);

  // The panel's single border, drawn around the 404 x 404 drawing surface.
  auto* border = Place(new QFrame(client), "ZeichenPanelBorder", 7, 8, 406, 406);
  border->setFrameStyle(QFrame::Box | QFrame::Plain);
  border->setLineWidth(1);
  ZeichenPanel = Place(new DrawingPanel(border), "ZeichenPanel", 1, 1, kPanelWidth, kPanelHeight);

  RadioGroup1 = Place(new QGroupBox(QStringLiteral("sniff chemicals with"), client), "RadioGroup1",
                      440, 176, 257, 41);
  rb_rulette = FitCaption(Place(new QRadioButton(QStringLiteral("rulette wheel"), client),
                                "rb_rulette", 448, 192, 81, 17));

  GroupBox1 =
      Place(new QGroupBox(QStringLiteral("setup settings"), client), "GroupBox1", 440, 8, 257, 121);
  B_setup = Place(new QPushButton(QStringLiteral("new Setup"), GroupBox1), "B_setup", 6, 16, 75, 25);
  B_stop = Place(new QPushButton(QStringLiteral("start / stop"), GroupBox1), "B_stop", 86, 16, 75, 25);
  B_oneStep =
      Place(new QPushButton(QStringLiteral("one step"), GroupBox1), "B_oneStep", 166, 16, 75, 25);
  Edit_anzAg = NewEdit(GroupBox1, "Edit_anzAg", QString::number(kInitialAgents), 8, 48, 41, 20);
  Lbl_TextAnzahl =
      NewLabel(GroupBox1, "Lbl_TextAnzahl", ": number of agents for setup", 54, 52, 129, 12);
  Edit_size = NewEdit(GroupBox1, "Edit_size", QString::number(kInitialCellSize), 8, 72, 41, 20);
  Label2 = NewLabel(GroupBox1, "Label2", ": cell size -> number of cells ", 54, 76, 127, 12);

  rb_hill = FitCaption(Place(new QRadioButton(QStringLiteral("hill climbing"), client), "rb_hill",
                             576, 192, 81, 17));
  rb_rulette->setChecked(kInitialSniffMode == kSniffRoulette);
  rb_hill->setChecked(kInitialSniffMode == kSniffHill);

  GroupBox2 =
      Place(new QGroupBox(QStringLiteral("timesteps"), client), "GroupBox2", 440, 131, 257, 41);
  lbl_Steps = NewLabel(GroupBox2, "lbl_Steps", "lbl_Steps", 48, 18, 39, 12);
  lbl_Steps->setAlignment(Qt::AlignCenter);
  lbl_Steps->setLayoutDirection(Qt::RightToLeft);

  Timer1 = new QTimer(this);
  Timer1->setObjectName(QStringLiteral("Timer1"));
  Timer1->setInterval(1);
  Timer1->setTimerType(Qt::PreciseTimer);

  GroupBox3 = Place(new QGroupBox(QStringLiteral("interaction parameters"), client), "GroupBox3",
                    440, 220, 257, 125);
  TrB_thresh = NewAngleBar(GroupBox3, "TrB_thresh", kInitialThreshold, 8, 40);
  Label1 = NewLabel(GroupBox3, "Label1", "angle threshold :", 8, 21, 76, 12);
  // Wide enough for the longest caption, "180 Grad".
  Lbl_B = NewLabel(GroupBox3, "Lbl_B", AngleCaption(kMaxAngle), 90, 21, 15, 12);
  Lbl_B->setText(QStringLiteral("___"));
  SB_wiggle = NewAngleBar(GroupBox3, "SB_wiggle", kInitialWiggle, 136, 40);
  Label3 = NewLabel(GroupBox3, "Label3", "wiggle threshold :", 136, 21, 81, 12);
  Lbl_wiggle = NewLabel(GroupBox3, "Lbl_wiggle", AngleCaption(kMaxAngle), 218, 21, 15, 12);
  Lbl_wiggle->setText(QStringLiteral("___"));
  GrowToHold(GroupBox3);
  E_noise = NewEdit(GroupBox3, "E_noise", Latin1(kInitialNoiseText), 8, 74, 33, 20);
  Label6 = NewLabel(GroupBox3, "Label6", ": return noise", 47, 78, 61, 12);
  Button1 =
      Place(new QPushButton(QStringLiteral("repaint all"), GroupBox3), "Button1", 174, 64, 75, 25);

  E_stop = NewEdit(GroupBox2, "E_stop", QString::number(kInitialStopTime), 208, 13, 41, 20);
  Label4 = NewLabel(GroupBox2, "Label4", "stop at time :", 144, 18, 58, 12);

  CB_pre = Place(new QComboBox(GroupBox1), "CB_pre", 8, 96, 121, 20);
  // A drop-down the user can type into: a text that is no item chooses the
  // empty landscape (SetupMode -1). Typed texts never become items.
  CB_pre->setEditable(true);
  CB_pre->setInsertPolicy(QComboBox::NoInsert);
  CB_pre->setPlaceholderText(QStringLiteral("Choose SetupMode"));
  CB_pre->lineEdit()->setPlaceholderText(QStringLiteral("Choose SetupMode"));

  Chart1 = Place(new StatsChart(client), "Chart1", 8, 416, 713, 281);

  GroupBox4 = Place(new QGroupBox(QStringLiteral("graphic"), client), "GroupBox4", 440, 352, 257, 57);
  CB_noTracks = NewCheckBox(GroupBox4, "CB_noTracks", "no tracks", kInitialNoTracks, 8, 32, 81, 17);
  CB_gravity = NewCheckBox(GroupBox4, "CB_gravity", "show gravity linies |size:", kInitialGravity, 96,
                           32, 129, 17);
  CB_showAB = NewCheckBox(GroupBox4, "CB_showAB", "show only return tracks",
                          kInitialShowReturnTracks, 96, 16, 129, 17);
  CB_showAg =
      NewCheckBox(GroupBox4, "CB_showAg", "show agents", kInitialShowAgents, 8, 16, 81, 17);
  E_decay = NewEdit(GroupBox3, "E_decay", Latin1(kInitialDecayText), 8, 98, 33, 20);
  Label7 = NewLabel(GroupBox3, "Label7", "consume Probab.:", 130, 102, 83, 12);
  CB_decay = NewCheckBox(GroupBox3, "CB_decay", ":decay rate", kInitialDecayOn, 47, 100, 70, 17);
  E_grav = NewEdit(GroupBox4, "E_grav", Latin1(kInitialGravityText), 224, 32, 25, 20);
  E_CProbab = NewEdit(GroupBox3, "E_CProbab", Latin1(kInitialConsumeText), 216, 97, 33, 20);

  Lbl_status = new QLabel(this);
  Lbl_status->setObjectName(QStringLiteral("Lbl_status"));
  statusBar()->addWidget(Lbl_status, 1);
  Lbl_run = new QLabel(this);
  Lbl_run->setObjectName(QStringLiteral("Lbl_run"));
  statusBar()->addPermanentWidget(Lbl_run);
}

}  // namespace quorvan
