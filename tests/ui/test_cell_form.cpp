// The main window: its controls at start-up, the buttons, the clamps, the
// angle labels, the stop time and the reporting of failures.

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QScrollBar>
#include <QtTest>

#include "drawing_panel.h"
#include "edit_marks.h"
#include "form_display.h"
#include "form_helpers.h"
#include "stats_chart.h"

using quorvan::TForm1;
using namespace quorvan::testing;

namespace {

QString CaptionOf(const QWidget* w) {
  if (auto* b = qobject_cast<const QAbstractButton*>(w)) return b->text();
  if (auto* e = qobject_cast<const QLineEdit*>(w)) return e->text();
  if (auto* l = qobject_cast<const QLabel*>(w)) return l->text();
  if (auto* g = qobject_cast<const QGroupBox*>(w)) return g->title();
  return QStringLiteral("<no caption>");
}

bool AnyDialogShown() {
  if (QApplication::activeModalWidget() != nullptr) return true;
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (qobject_cast<QDialog*>(w) != nullptr && w->isVisible()) return true;
  }
  return false;
}

}  // namespace

class CellFormTest : public QObject {
  Q_OBJECT

 private slots:
  void captionsAtStartUp_data();
  void captionsAtStartUp();
  void startUpState();
  void landscapeChoiceWaitsForSetup();
  void controlsWithoutHandlerReachTheSettings();
  void oneStep_data();
  void oneStep();
  void startStopToggles();
  void newSetupKeepsTimerState_data();
  void newSetupKeepsTimerState();
  void cellSizeClamp_data();
  void cellSizeClamp();
  void emptyNoiseBecomesZero();
  void clearedMarkLooksAsBefore_data();
  void clearedMarkLooksAsBefore();
  void angleLabels_data();
  void angleLabels();
  void widestCaptionsFit();
  void badTextsStayMarkedUntilTheyConvert();
  void stopTimeStopsInTheStepThatReachesIt();
  void failuresGoToTheStatusLine_data();
  void failuresGoToTheStatusLine();
  void failedSetupKeepsTheOldWorld_data();
  void failedSetupKeepsTheOldWorld();
  void gravityFailureLetsTheStepRun();
};

void CellFormTest::captionsAtStartUp_data() {
  QTest::addColumn<QString>("name");
  QTest::addColumn<QString>("caption");
  const char* rows[][2] = {
      {"RadioGroup1", "sniff chemicals with"},
      {"rb_rulette", "rulette wheel"},
      {"GroupBox1", "setup settings"},
      {"B_setup", "new Setup"},
      {"B_stop", "start / stop"},
      {"B_oneStep", "one step"},
      {"Edit_anzAg", "800"},
      {"Lbl_TextAnzahl", ": number of agents for setup"},
      {"Edit_size", "2"},
      {"Label2", ": cell size -> number of cells "},
      {"rb_hill", "hill climbing"},
      {"GroupBox2", "timesteps"},
      {"lbl_Steps", "lbl_Steps"},
      {"GroupBox3", "interaction parameters"},
      {"Label1", "angle threshold :"},
      {"Lbl_B", "30 Grad"},  // written by the first setup
      {"Label3", "wiggle threshold :"},
      {"Lbl_wiggle", "20 Grad"},
      {"E_noise", "30"},
      {"Label6", ": return noise"},
      {"Button1", "repaint all"},
      {"E_stop", "10000"},
      {"Label4", "stop at time :"},
      {"GroupBox4", "graphic"},
      {"CB_noTracks", "no tracks"},
      {"CB_gravity", "show gravity linies |size:"},
      {"CB_showAB", "show only return tracks"},
      {"CB_showAg", "show agents"},
      {"E_decay", "0,95"},
      {"Label7", "consume Probab.:"},
      {"CB_decay", ":decay rate"},
      {"E_grav", "5"},
      {"E_CProbab", "0,35"},
  };
  for (const auto& row : rows) {
    QTest::newRow(row[0]) << QString::fromLatin1(row[0]) << QString::fromLatin1(row[1]);
  }
}

void CellFormTest::captionsAtStartUp() {
  QFETCH(QString, name);
  QFETCH(QString, caption);
  TForm1 form;
  const auto* widget = form.findChild<QWidget*>(name);
  QVERIFY2(widget != nullptr, qPrintable(name));
  QCOMPARE(CaptionOf(widget), caption);
}

void CellFormTest::startUpState() {
  TForm1 form;
  QCOMPARE(form.windowTitle(), QStringLiteral("Quorvan"));
  QVERIFY(form.Timer1->isActive());
  QCOMPARE(form.Timer1->interval(), 1);

  QCOMPARE(form.CB_pre->currentIndex(), -1);
  QCOMPARE(form.CB_pre->placeholderText(), QStringLiteral("Choose SetupMode"));
  const QStringList items = {"Random Destinations", "Circle Destinations", "Raster Destinations",
                             "Manhattan Landscape"};
  QCOMPARE(form.CB_pre->count(), items.size());
  for (int i = 0; i < items.size(); ++i) QCOMPARE(form.CB_pre->itemText(i), items[i]);

  for (QScrollBar* bar : {form.TrB_thresh, form.SB_wiggle}) {
    QCOMPARE(bar->orientation(), Qt::Horizontal);
    QCOMPARE(bar->minimum(), 0);
    QCOMPARE(bar->maximum(), 180);
    QCOMPARE(bar->pageStep(), 5);
  }
  QCOMPARE(form.TrB_thresh->value(), 30);
  QCOMPARE(form.SB_wiggle->value(), 20);

  QVERIFY(!form.rb_rulette->isChecked());
  QVERIFY(form.rb_hill->isChecked());
  QVERIFY(form.CB_showAB->isChecked());
  QVERIFY(form.CB_showAg->isChecked());
  QVERIFY(!form.CB_noTracks->isChecked());
  QVERIFY(!form.CB_gravity->isChecked());
  QVERIFY(!form.CB_decay->isChecked());
  QCOMPARE(form.ZeichenPanel->size(), QSize(404, 404));

  // The first world, from the initial texts: mode 0 although the combo
  // box shows no item.
  QVERIFY(form.sim.HasWorld());
  QCOMPARE(form.sim.CellSize, 2);
  QCOMPARE(form.sim.ColCount, 202);
  QCOMPARE(form.sim.RowCount, 202);
  QCOMPARE(form.sim.Agents.size(), std::size_t{800});
  QCOMPARE(form.sim.StopTime, 10000);
  QCOMPARE(form.sim.StepCount, 0);
  QCOMPARE(form.sim.settings.SetupMode, 0);
  QCOMPARE(form.sim.Destinations.size(), std::size_t{10});
  QVERIFY(form.Display().HasLayers());
  QVERIFY(form.Status().Message().empty());
}

void CellFormTest::landscapeChoiceWaitsForSetup() {
  TForm1 form;
  StopTimer(form);
  form.CB_pre->setCurrentIndex(3);  // "Manhattan Landscape"
  QCOMPARE(form.sim.settings.SetupMode, 3);
  QCOMPARE(form.sim.Destinations.size(), std::size_t{10});
  QTest::mouseClick(form.B_setup, Qt::LeftButton);
  QCOMPARE(form.sim.Destinations.size(), std::size_t{20});
  // The texts the landscape writes come back into the edit boxes.
  QCOMPARE(form.E_CProbab->text(), QStringLiteral("0,05"));
  QCOMPARE(form.sim.settings.E_CProbab, std::string("0,05"));
  // A typed text that is no item: only the nest, no destinations.
  form.CB_pre->clearEditText();
  QTest::keyClicks(form.CB_pre->lineEdit(), QStringLiteral("empty"));
  QCOMPARE(form.sim.settings.SetupMode, -1);
  QCOMPARE(form.CB_pre->count(), 4);
  QTest::mouseClick(form.B_setup, Qt::LeftButton);
  QCOMPARE(form.sim.Destinations.size(), std::size_t{0});
  form.CB_pre->setEditText(QStringLiteral("Raster Destinations"));
  QCOMPARE(form.sim.settings.SetupMode, 2);
}

void CellFormTest::controlsWithoutHandlerReachTheSettings() {
  TForm1 form;
  StopTimer(form);
  const auto& s = form.sim.settings;
  form.Edit_anzAg->setText(QStringLiteral("123"));
  form.E_decay->setText(QStringLiteral("0,5"));
  form.E_CProbab->setText(QStringLiteral("1"));
  QTest::mouseClick(form.CB_decay, Qt::LeftButton);
  QTest::mouseClick(form.CB_showAg, Qt::LeftButton);
  QTest::mouseClick(form.rb_rulette, Qt::LeftButton);
  QCOMPARE(s.Edit_anzAg, std::string("123"));
  QCOMPARE(s.E_decay, std::string("0,5"));
  QCOMPARE(s.E_CProbab, std::string("1"));
  QVERIFY(s.CB_decay);
  QVERIFY(!s.CB_showAg);
  QCOMPARE(s.SniffMode(), 1);
  QTest::mouseClick(form.rb_hill, Qt::LeftButton);
  QCOMPARE(s.SniffMode(), 2);
  QTest::mouseClick(form.B_setup, Qt::LeftButton);
  QCOMPARE(form.sim.Agents.size(), std::size_t{123});
}

void CellFormTest::oneStep_data() {
  QTest::addColumn<bool>("running");
  QTest::newRow("stopped") << false;
  QTest::newRow("running") << true;
}

void CellFormTest::oneStep() {
  QFETCH(bool, running);
  TForm1 form;
  if (!running) StopTimer(form);
  QTest::mouseClick(form.B_oneStep, Qt::LeftButton);
  QCOMPARE(form.sim.StepCount, 1);
  QCOMPARE(form.lbl_Steps->text(), QStringLiteral("1"));
  QTest::mouseClick(form.B_oneStep, Qt::LeftButton);
  QCOMPARE(form.sim.StepCount, 2);
  QCOMPARE(form.lbl_Steps->text(), QStringLiteral("2"));
  QCOMPARE(form.Timer1->isActive(), running);
}

void CellFormTest::startStopToggles() {
  TForm1 form;
  QTest::mouseClick(form.B_stop, Qt::LeftButton);
  QVERIFY(!form.Timer1->isActive());
  QTest::mouseClick(form.B_stop, Qt::LeftButton);
  QVERIFY(form.Timer1->isActive());
  QVERIFY(RunUntil(form, [&] { return form.sim.StepCount >= 3; }));
}

void CellFormTest::newSetupKeepsTimerState_data() {
  QTest::addColumn<bool>("running");
  QTest::newRow("stopped") << false;
  QTest::newRow("running") << true;
}

void CellFormTest::newSetupKeepsTimerState() {
  QFETCH(bool, running);
  TForm1 form;
  QTest::mouseClick(form.B_oneStep, Qt::LeftButton);
  QTest::mouseClick(form.B_oneStep, Qt::LeftButton);
  if (!running) StopTimer(form);
  QTest::mouseClick(form.B_setup, Qt::LeftButton);
  QCOMPARE(form.Timer1->isActive(), running);
  QCOMPARE(form.sim.StepCount, 0);
  // The step label keeps the old count until the next step.
  QCOMPARE(form.lbl_Steps->text(), QStringLiteral("2"));
  if (running) {
    QVERIFY(RunUntil(form, [&] { return form.sim.StepCount >= 2; }));
    QCOMPARE(form.lbl_Steps->text(), QString::number(form.sim.StepCount));
  }
}

void CellFormTest::cellSizeClamp_data() {
  QTest::addColumn<QString>("typed");
  QTest::addColumn<QString>("left");
  QTest::addColumn<int>("columns");
  QTest::newRow("25") << "25" << "10" << 40;
  QTest::newRow("11") << "11" << "10" << 40;
  QTest::newRow("10") << "10" << "10" << 40;
  QTest::newRow("7") << "7" << "7" << 58;
  QTest::newRow("1") << "1" << "2" << 202;
  QTest::newRow("0") << "0" << "2" << 202;
  QTest::newRow("-3") << "-3" << "2" << 202;
}

void CellFormTest::cellSizeClamp() {
  QFETCH(QString, typed);
  QFETCH(QString, left);
  QFETCH(int, columns);
  TForm1 form;
  StopTimer(form);
  form.Edit_size->clear();
  QTest::keyClicks(form.Edit_size, typed);
  QCOMPARE(form.Edit_size->text(), left);
  QCOMPARE(form.sim.settings.Edit_size, left.toStdString());
  QVERIFY(form.Status().Message().empty());
  // The grid changes only at the next setup.
  QCOMPARE(form.sim.ColCount, 202);
  QTest::mouseClick(form.B_setup, Qt::LeftButton);
  QCOMPARE(form.sim.ColCount, columns);
}

void CellFormTest::emptyNoiseBecomesZero() {
  TForm1 form;
  StopTimer(form);
  form.E_noise->setFocus();
  form.E_noise->end(false);
  QTest::keyClick(form.E_noise, Qt::Key_Backspace);
  QCOMPARE(form.E_noise->text(), QStringLiteral("3"));
  QTest::keyClick(form.E_noise, Qt::Key_Backspace);
  QCOMPARE(form.E_noise->text(), QStringLiteral("0"));
  QCOMPARE(form.sim.settings.E_noise, std::string("0"));
  QTest::mouseClick(form.B_oneStep, Qt::LeftButton);
  QCOMPARE(form.sim.StepCount, 1);
}

void CellFormTest::angleLabels_data() {
  QTest::addColumn<int>("position");
  QTest::newRow("0") << 0;
  QTest::newRow("180") << 180;
}

void CellFormTest::angleLabels() {
  QFETCH(int, position);
  TForm1 form;
  StopTimer(form);
  form.TrB_thresh->setValue(position);
  QCOMPARE(form.Lbl_B->text(), QString::number(position) + " Grad");
  QCOMPARE(form.sim.settings.TrB_thresh, position);
  form.SB_wiggle->setValue(180 - position);
  QCOMPARE(form.Lbl_wiggle->text(), QString::number(180 - position) + " Grad");
  QCOMPARE(form.sim.settings.SB_wiggle, 180 - position);
}

void CellFormTest::widestCaptionsFit() {
  TForm1 form;
  StopTimer(form);
  form.TrB_thresh->setValue(180);
  form.SB_wiggle->setValue(180);
  // Each widget as wide as its widest caption needs, and inside its parent.
  for (QWidget* w : std::initializer_list<QWidget*>{form.Lbl_B, form.Lbl_wiggle, form.CB_pre}) {
    const QWidget* parent = w->parentWidget();
    QVERIFY2(w->width() >= w->sizeHint().width(),
             qPrintable(w->objectName() + QStringLiteral(" ") + QString::number(w->width())));
    QVERIFY2(w->geometry().right() <= parent->contentsRect().right(),
             qPrintable(w->objectName() + QStringLiteral(" ") + QString::number(w->geometry().right())));
  }
}

void CellFormTest::badTextsStayMarkedUntilTheyConvert() {
  TForm1 form;
  StopTimer(form);
  form.E_stop->setText(QStringLiteral("abc"));
  form.E_noise->setText(QStringLiteral("x"));
  QTest::mouseClick(form.B_oneStep, Qt::LeftButton);
  form.E_noise->setText(QStringLiteral("30"));
  QTest::mouseClick(form.B_oneStep, Qt::LeftButton);
  // The newer step cleared the line, yet the stop time is still bad.
  QVERIFY(quorvan::IsMarkedInvalid(form.E_stop));
  QCOMPARE(form.E_stop->toolTip(), QStringLiteral("'abc' is not a valid integer value"));
  QVERIFY(!quorvan::IsMarkedInvalid(form.E_noise));
  form.E_stop->setText(QStringLiteral("+-5"));
  QVERIFY(quorvan::IsMarkedInvalid(form.E_stop));
  form.E_stop->setText(QStringLiteral("500"));
  QVERIFY(!quorvan::IsMarkedInvalid(form.E_stop));
  QVERIFY(form.E_stop->toolTip().isEmpty());
}

void CellFormTest::stopTimeStopsInTheStepThatReachesIt() {
  TForm1 form;
  form.E_stop->setText(QStringLiteral("25"));
  QCOMPARE(form.sim.StopTime, 25);  // at once, no setup needed
  QVERIFY(RunUntil(form, [&] { return !form.Timer1->isActive(); }));
  QCOMPARE(form.sim.StepCount, 25);
  QCOMPARE(form.lbl_Steps->text(), QStringLiteral("25"));
  // That step still added its chart points.
  QCOMPARE(form.Chart1->StoredPoints(), std::size_t{25});

  // Restarted, the run goes on past the stop time.
  QTest::mouseClick(form.B_stop, Qt::LeftButton);
  QVERIFY(RunUntil(form, [&] { return form.sim.StepCount >= 40; }));
  QVERIFY(form.Timer1->isActive());

  // A stop time already passed is never met.
  form.E_stop->setText(QStringLiteral("30"));
  QVERIFY(RunUntil(form, [&] { return form.sim.StepCount >= 60; }));
  QVERIFY(form.Timer1->isActive());
}

void CellFormTest::failuresGoToTheStatusLine_data() {
  QTest::addColumn<QString>("control");
  QTest::addColumn<QString>("bad");
  QTest::addColumn<QString>("good");
  QTest::addColumn<QString>("message");
  QTest::addColumn<bool>("stepFails");
  QTest::newRow("stop time") << "E_stop"
                             << "abc"
                             << "500"
                             << "'abc' is not a valid integer value" << false;
  QTest::newRow("return noise") << "E_noise"
                                << "x"
                                << "30"
                                << "'x' is not a valid floating point value" << true;
  QTest::newRow("consume probability") << "E_CProbab"
                                       << "p"
                                       << "0,35"
                                       << "'p' is not a valid floating point value" << true;
}

void CellFormTest::failuresGoToTheStatusLine() {
  QFETCH(QString, control);
  QFETCH(QString, bad);
  QFETCH(QString, good);
  QFETCH(QString, message);
  QFETCH(bool, stepFails);
  TForm1 form;
  StopTimer(form);
  auto* edit = form.findChild<QLineEdit*>(control);
  QVERIFY(edit != nullptr);
  edit->setText(bad);
  QVERIFY(quorvan::IsMarkedInvalid(edit));
  QTest::mouseClick(form.B_oneStep, Qt::LeftButton);
  QCOMPARE(form.sim.StepCount, stepFails ? 0 : 1);
  QCOMPARE(QString::fromStdString(form.Status().Message()), message);
  QCOMPARE(form.Lbl_status->text(), message);
  QVERIFY(!AnyDialogShown());

  // The message stays while the failure lasts, and goes with the success.
  QTest::mouseClick(form.B_oneStep, Qt::LeftButton);
  QCOMPARE(form.Lbl_status->text(), message);
  edit->setText(good);
  QTest::mouseClick(form.B_oneStep, Qt::LeftButton);
  QCOMPARE(form.Lbl_status->text(), QString());
  QCOMPARE(form.sim.StepCount, stepFails ? 1 : 3);
}

void CellFormTest::failedSetupKeepsTheOldWorld_data() {
  QTest::addColumn<QString>("control");
  QTest::addColumn<QString>("bad");
  QTest::addColumn<QString>("message");
  QTest::newRow("empty cell size") << "Edit_size" << "" << "'' is not a valid integer value";
  QTest::newRow("agent count") << "Edit_anzAg" << "many" << "'many' is not a valid integer value";
  QTest::newRow("stop time") << "E_stop" << "1e4" << "'1e4' is not a valid integer value";
}

void CellFormTest::failedSetupKeepsTheOldWorld() {
  QFETCH(QString, control);
  QFETCH(QString, bad);
  QFETCH(QString, message);
  TForm1 form;
  QTest::mouseClick(form.B_oneStep, Qt::LeftButton);
  const uint64_t before = quorvan::WorldDigest(form.sim);
  form.findChild<QLineEdit*>(control)->setText(bad);
  QTest::mouseClick(form.B_setup, Qt::LeftButton);
  QCOMPARE(form.Lbl_status->text(), message);
  QVERIFY(!AnyDialogShown());
  QCOMPARE(quorvan::WorldDigest(form.sim), before);
  QVERIFY(form.Display().HasLayers());
  // The timer still runs, and its steps go on in the old world.
  QVERIFY(form.Timer1->isActive());
  QVERIFY(RunUntil(form, [&] { return form.sim.StepCount >= 3; }));
}

void CellFormTest::gravityFailureLetsTheStepRun() {
  TForm1 form;
  StopTimer(form);
  form.E_grav->setText(QStringLiteral("g"));
  QTest::mouseClick(form.CB_gravity, Qt::LeftButton);
  const QString message = QStringLiteral("'g' is not a valid floating point value");
  QCOMPARE(form.Lbl_status->text(), message);
  QVERIFY(quorvan::IsMarkedInvalid(form.E_grav));
  QCOMPARE(form.E_grav->toolTip(), message);
  QTest::mouseClick(form.B_oneStep, Qt::LeftButton);
  QCOMPARE(form.sim.StepCount, 1);
  QCOMPARE(form.Lbl_status->text(), message);
  QTest::mouseClick(form.Button1, Qt::LeftButton);  // "repaint all" draws the lines too
  QCOMPARE(form.Lbl_status->text(), message);
  form.E_grav->setText(QStringLiteral("5"));
  QVERIFY(!quorvan::IsMarkedInvalid(form.E_grav));
  QTest::mouseClick(form.B_oneStep, Qt::LeftButton);
  QCOMPARE(form.sim.StepCount, 2);
  QCOMPARE(form.Lbl_status->text(), QString());
}

void CellFormTest::clearedMarkLooksAsBefore_data() {
  QTest::addColumn<QString>("control");
  QTest::addColumn<QString>("bad");
  for (const char* name : {"Edit_anzAg", "Edit_size", "E_stop", "E_noise", "E_decay", "E_CProbab", "E_grav"}) {
    QTest::newRow(name) << name << "q";
  }
}

void CellFormTest::clearedMarkLooksAsBefore() {
  QFETCH(QString, control);
  QFETCH(QString, bad);
  TForm1 form;
  StopTimer(form);
  form.show();
  auto* edit = form.findChild<QLineEdit*>(control);
  QVERIFY(edit != nullptr);
  const QString good = edit->text();
  const QImage before = edit->grab().toImage();
  edit->setText(bad);
  QVERIFY(quorvan::IsMarkedInvalid(edit));
  QVERIFY(edit->grab().toImage() != before);  // the frame shows
  edit->setText(good);
  QVERIFY(!quorvan::IsMarkedInvalid(edit));
  QCOMPARE(edit->font(), form.font());
  QCOMPARE(edit->grab().toImage(), before);
}

QTEST_MAIN(CellFormTest)
#include "test_cell_form.moc"
