// A monkey on the main window: thousands of random events from one seed
// while the timer runs (clicks, drags on the panel, keys, texts typed into
// every edit box), checking after each that every failure is shown, and at
// the end that the world is whole and still steps.
//
// QUORVAN_MONKEY_SEED=N repeats a run's events (the timer's steps between
// them follow the clock); QUORVAN_MONKEY_EVENTS=N sets how many.

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QWidget>
#include <QtTest>
#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "drawing_panel.h"
#include "edit_marks.h"
#include "form_helpers.h"
#include "numerics.h"

using quorvan::TForm1;
using namespace quorvan::testing;

namespace {

enum class Conversion { Int, RoundedInt, Real, ExtendedReal, None };

// An edit box, the conversion its text goes through, and texts worth typing
// into it besides the ones every box gets.
struct EditBox {
  QLineEdit* edit;
  Conversion conversion;
  std::vector<QString> texts;
};

// Texts every box gets: empty, malformed, out of range, huge, with commas.
const std::vector<QString>& CommonTexts() {
  static const std::vector<QString> texts = {
      "", "abc", "+-5", "1e9999", "-1e9999", "0,5", "1,5,5", ",", "1.5", "-0", " 7 ", "12a",
      "99999999999999999999", "1e9", "-1e9", "nan", "inf", "0x10", "1e-400", "\u0663",
      QString(3000, QLatin1Char('9')), QString(20000, QLatin1Char('x')), "2,", ",5", "--1", "+"};
  return texts;
}

std::string ConversionError(Conversion conversion, const QString& text) {
  const std::string t = text.toStdString();
  switch (conversion) {
    case Conversion::Int:
      return quorvan::TextToInt(t).error;
    case Conversion::RoundedInt:
      return quorvan::TextToRoundedInt(t).error;
    case Conversion::Real:
      return quorvan::TextToDouble(t).error;
    case Conversion::ExtendedReal:
      return quorvan::TextToReal(t).error;
    case Conversion::None:
      break;
  }
  return {};
}

class Monkey {
 public:
  Monkey(TForm1& form, uint64_t seed) : form_(form), rng_(seed) {
    boxes_ = {
        {form.Edit_anzAg, Conversion::Int, {"0", "1", "5", "20", "60", "-3", "2147483647"}},
        {form.Edit_size, Conversion::Int, {"2", "3", "5", "8", "10", "10", "25", "1", "-4"}},
        {form.E_stop, Conversion::Int, {"0", "5", "100", "50000", "-1", "2147483647"}},
        {form.E_noise, Conversion::RoundedInt, {"0", "30", "1000", "-1000", "1e9", "2,5", "3e9"}},
        {form.E_decay, Conversion::Real, {"0,95", "1,01", "0", "1", "0.5", "-1", "1e300", "2"}},
        {form.E_CProbab, Conversion::Real, {"0,35", "0", "1", "0,05", "2", "-1"}},
        {form.E_grav, Conversion::ExtendedReal, {"5", "0", "-5", "1e308", "1e400", "0,1", "50"}},
        {form.CB_pre->lineEdit(),
         Conversion::None,
         {"Random Destinations", "Circle Destinations", "Raster Destinations", "Manhattan Landscape",
          "empty", "Manhattan"}},
    };
    buttons_ = {form.B_setup, form.B_stop, form.B_oneStep, form.Button1};
    checks_ = {form.CB_noTracks, form.CB_gravity, form.CB_showAB, form.CB_showAg, form.CB_decay,
               form.rb_rulette, form.rb_hill};
    QObject::connect(&form, &TForm1::StepDone, &form, [this](int count) { AfterStep(count); });
    // Connected after the window's own handler, so it runs after the setup.
    QObject::connect(form.B_setup, &QPushButton::clicked, &form, [this] { AfterSetup(); });
  }

  /// One random event, then the checks.
  void Event() {
    const uint64_t roll = Pick(100);
    if (roll < 25) {
      Drag();
    } else if (roll < 50) {
      Type();
    } else if (roll < 58) {
      // "new Setup" is the dearest click: a quarter as often as the others.
      QPushButton* button = buttons_[Pick(13) < 1 ? 0 : 1 + Pick(3)];
      QTest::mouseClick(button, Qt::LeftButton);
    } else if (roll < 68) {
      QTest::mouseClick(checks_[Pick(checks_.size())], Qt::LeftButton);
    } else if (roll < 73) {
      static const Qt::Key keys[] = {Qt::Key_Down, Qt::Key_Up, Qt::Key_Home, Qt::Key_End};
      QTest::keyClick(form_.CB_pre, keys[Pick(4)]);
    } else if (roll < 80) {
      Scroll();
    } else if (roll < 95) {
      Key();
    } else {
      QTest::qWait(static_cast<int>(1 + Pick(4)));
    }
    Settle();
  }

  /// Lets the timer's steps and the repaints run, then checks the controls.
  void Settle() {
    QCoreApplication::processEvents();
    CheckControls();
  }

  /// Lets every button up again.
  void ReleaseMouse() {
    for (Qt::MouseButton b : {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton}) {
      if (held_.testFlag(b)) Mouse(QEvent::MouseButtonRelease, QPoint(200, 200), b, held_ & ~Qt::MouseButtons(b), {});
    }
  }

  EditBox* Box(QLineEdit* edit) {
    for (EditBox& box : boxes_) {
      if (box.edit == edit) return &box;
    }
    return nullptr;
  }

  /// Types `text` into the box the way a user would (huge texts, and texts
  /// no key of QTest makes, pasted).
  void Put(QLineEdit* edit, const QString& text) {
    edit->setFocus();
    edit->selectAll();
    if (text.isEmpty() || Pick(2) == 0) QTest::keyClick(edit, Qt::Key_Backspace);
    const bool typeable = std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 127; });
    if (text.size() > 40 || !typeable) {
      edit->insert(text);
    } else {
      QTest::keyClicks(edit, text);
    }
  }

  int setups = 0;
  int stepsRun = 0;
  int stepsFailed = 0;
  int drags = 0;
  int texts = 0;
  /// Steps since the last setup that built a world.
  int stepsSinceSetup = 0;
  QStringList faults;
  /// How often each message stopped a step.
  QMap<QString, int> failures;

 private:
  uint64_t Pick(std::size_t n) { return n == 0 ? 0 : rng_() % n; }

  void Fault(const QString& what) {
    if (faults.size() < 20) faults << what;
  }

  void Mouse(QEvent::Type type, QPoint p, Qt::MouseButton button, Qt::MouseButtons held,
             Qt::KeyboardModifiers mods) {
    QWidget* panel = form_.ZeichenPanel;
    QMouseEvent event(type, QPointF(p), panel->mapToGlobal(QPointF(p)), button, held, mods);
    QApplication::sendEvent(panel, &event);
    held_ = held;
  }

  QPoint AnyPoint() {
    // Mostly on the panel, sometimes beyond its edges (the mouse is kept).
    const int lo = -40;
    const int span = 404 + 80;
    return {lo + static_cast<int>(Pick(span)), lo + static_cast<int>(Pick(span))};
  }

  void Drag() {
    ++drags;
    struct Press {
      Qt::MouseButton first;
      Qt::MouseButton second;  // NoButton: one button only
      bool ctrl;
    };
    static const Press presses[] = {
        {Qt::LeftButton, Qt::NoButton, false},   {Qt::RightButton, Qt::NoButton, false},
        {Qt::LeftButton, Qt::NoButton, true},    {Qt::LeftButton, Qt::RightButton, false},
        {Qt::RightButton, Qt::LeftButton, true}, {Qt::MiddleButton, Qt::NoButton, false},
        {Qt::MiddleButton, Qt::NoButton, true},  {Qt::RightButton, Qt::NoButton, true},
    };
    const Press& press = presses[Pick(std::size(presses))];
    const Qt::KeyboardModifiers mods = press.ctrl ? Qt::ControlModifier : Qt::NoModifier;
    Mouse(QEvent::MouseButtonPress, AnyPoint(), press.first, press.first, mods);
    Qt::MouseButtons held = press.first;
    const auto moves = static_cast<int>(1 + Pick(8));
    for (int i = 0; i < moves; ++i) {
      if (press.second != Qt::NoButton && i == moves / 2) {
        held |= press.second;
        Mouse(QEvent::MouseButtonPress, AnyPoint(), press.second, held, Pick(2) ? mods : Qt::NoModifier);
      }
      Mouse(QEvent::MouseMove, AnyPoint(), Qt::NoButton, held, Pick(3) == 0 ? Qt::ControlModifier : Qt::NoModifier);
      // Now and then something else happens while the button is held:
      // a key on the focused control, or a step.
      if (Pick(10) == 0) Key();
      Settle();
    }
    // Release one button at a time; the first release ends the editing.
    for (Qt::MouseButton b : {press.second, press.first}) {
      if (b == Qt::NoButton) continue;
      held &= ~Qt::MouseButtons(b);
      Mouse(QEvent::MouseButtonRelease, AnyPoint(), b, held, Qt::NoModifier);
      const auto& e = form_.Editing();
      if (e.LeftDown || e.RightDown || e.CtrlDown) Fault(QStringLiteral("a mouse-up left an editing flag set"));
      if (held != Qt::NoButton) Mouse(QEvent::MouseMove, AnyPoint(), Qt::NoButton, held, Qt::NoModifier);
    }
  }

  void Type() {
    ++texts;
    EditBox& box = boxes_[Pick(boxes_.size())];
    const std::vector<QString>& common = CommonTexts();
    // Mostly the box's own texts, so that the steps mostly run.
    const QString& text = Pick(4) != 0 ? box.texts[Pick(box.texts.size())] : common[Pick(common.size())];
    Put(box.edit, text);
  }

  void Scroll() {
    QScrollBar* bar = Pick(2) ? form_.TrB_thresh : form_.SB_wiggle;
    static const Qt::Key keys[] = {Qt::Key_PageUp, Qt::Key_PageDown, Qt::Key_Home, Qt::Key_End,
                                   Qt::Key_Left,   Qt::Key_Right};
    if (Pick(2)) {
      QTest::keyClick(bar, keys[Pick(std::size(keys))]);
    } else {
      QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(static_cast<int>(Pick(static_cast<std::size_t>(bar->width()))), bar->height() / 2));
    }
  }

  /// A key on the focused control (or the window). Ctrl goes only with the
  /// editing keys, so that the File menu's dialogs and Quit stay shut.
  void Key() {
    static const Qt::Key keys[] = {
        Qt::Key_Space, Qt::Key_Return, Qt::Key_Enter, Qt::Key_Tab,    Qt::Key_Backtab,
        Qt::Key_Backspace, Qt::Key_Delete, Qt::Key_Left, Qt::Key_Right, Qt::Key_Up,
        Qt::Key_Down,  Qt::Key_Home,   Qt::Key_End,   Qt::Key_PageUp, Qt::Key_Escape,
        Qt::Key_0,     Qt::Key_5,      Qt::Key_9,     Qt::Key_Minus,  Qt::Key_Plus,
        Qt::Key_Comma, Qt::Key_Period, Qt::Key_E,     Qt::Key_X,
    };
    static const Qt::Key ctrlKeys[] = {Qt::Key_A, Qt::Key_C, Qt::Key_X, Qt::Key_V, Qt::Key_Z, Qt::Key_Y};
    QWidget* target = QApplication::focusWidget();
    if (target == nullptr || target->window() != &form_) target = &form_;
    if (Pick(6) == 0) {
      QTest::keyClick(target, ctrlKeys[Pick(std::size(ctrlKeys))], Qt::ControlModifier);
    } else {
      QTest::keyClick(target, keys[Pick(std::size(keys))], Pick(5) == 0 ? Qt::ShiftModifier : Qt::NoModifier);
    }
  }

  /// Every box's mark follows its text, and the clamps hold.
  void CheckControls() {
    for (const EditBox& box : boxes_) {
      if (box.conversion == Conversion::None) continue;
      const std::string error = ConversionError(box.conversion, box.edit->text());
      const bool marked = quorvan::IsMarkedInvalid(box.edit);
      if (marked != !error.empty() || box.edit->toolTip().toStdString() != error) {
        Fault(box.edit->objectName() + QStringLiteral(" shows ") +
              (marked ? QStringLiteral("a mark") : QStringLiteral("no mark")) + QStringLiteral(" for '") +
              box.edit->text().left(30) + QStringLiteral("'"));
      }
    }
    const auto size = quorvan::TextToInt(form_.Edit_size->text().toStdString());
    if (size && (*size < 2 || *size > 10)) Fault(QStringLiteral("cell size text ") + form_.Edit_size->text());
    if (form_.E_noise->text().isEmpty()) Fault(QStringLiteral("empty return noise"));
    const quorvan::Settings& s = form_.sim.settings;
    if (s.E_decay != form_.E_decay->text().toStdString() || s.E_CProbab != form_.E_CProbab->text().toStdString() ||
        s.Edit_anzAg != form_.Edit_anzAg->text().toStdString() || s.E_noise != form_.E_noise->text().toStdString() ||
        s.CB_decay != form_.CB_decay->isChecked() || s.CB_showAg != form_.CB_showAg->isChecked()) {
      Fault(QStringLiteral("the settings lost a control's value"));
    }
    if (QApplication::activeModalWidget() != nullptr || QApplication::activePopupWidget() != nullptr) {
      Fault(QStringLiteral("a dialog or popup opened"));
      if (QWidget* w = QApplication::activeModalWidget()) w->close();
      if (QWidget* w = QApplication::activePopupWidget()) w->close();
    }
  }

  /// A step runs (the count grows by one and is shown) or fails and says so.
  void AfterStep(int count) {
    if (count == lastCount_ + 1) {
      ++stepsRun;
      ++stepsSinceSetup;
      if (form_.lbl_Steps->text() != QString::number(count)) Fault(QStringLiteral("step label lags"));
    } else if (count == lastCount_) {
      ++stepsFailed;
      if (form_.Status().Message().empty()) Fault(QStringLiteral("a step failed without a message"));
      ++failures[QString::fromStdString(form_.Status().Message()).left(60)];
    } else {
      Fault(QStringLiteral("step count went from %1 to %2").arg(lastCount_).arg(count));
    }
    if (form_.Lbl_status->text().toStdString() != form_.Status().Message()) {
      Fault(QStringLiteral("the status line does not show the message"));
    }
    lastCount_ = count;
  }

  /// A setup builds the world its texts ask for, or fails and says so.
  void AfterSetup() {
    ++setups;
    const auto size = quorvan::TextToInt(form_.Edit_size->text().toStdString());
    const auto agents = quorvan::TextToInt(form_.Edit_anzAg->text().toStdString());
    const auto stop = quorvan::TextToInt(form_.E_stop->text().toStdString());
    const std::string& message = form_.Status().Message();
    if (!size || !agents || !stop) {
      if (message.empty()) Fault(QStringLiteral("a failed setup without a message"));
    } else if (*agents > 1000000) {
      // Far beyond the memory the window may take.
      if (message.rfind("Not enough memory", 0) != 0) Fault(QStringLiteral("a huge world without a message"));
    } else {
      const int columns = static_cast<int>(quorvan::RoundEven(404.0 / *size));
      if (form_.sim.StepCount != 0 || form_.sim.CellSize != *size || form_.sim.ColCount != columns ||
          form_.sim.Cells.Columns() != columns ||
          form_.sim.Agents.size() != static_cast<std::size_t>(std::max(0, *agents))) {
        Fault(QStringLiteral("setup built the wrong world for size %1, %2 agents").arg(*size).arg(*agents));
      }
      stepsSinceSetup = 0;
    }
    lastCount_ = form_.sim.StepCount;
  }

  TForm1& form_;
  std::mt19937_64 rng_;
  std::vector<EditBox> boxes_;
  std::vector<QPushButton*> buttons_;
  std::vector<QAbstractButton*> checks_;
  Qt::MouseButtons held_ = Qt::NoButton;
  int lastCount_ = 0;
};

uint64_t EnvNumber(const char* name, uint64_t fallback) {
  bool ok = false;
  const uint64_t v = qEnvironmentVariable(name).toULongLong(&ok);
  return ok ? v : fallback;
}

/// The world is whole: sizes agree, agents and cells hold valid values.
QString WorldFault(const quorvan::Simulation& sim, int stepsSinceSetup) {
  if (!sim.HasWorld()) return QStringLiteral("no world");
  const int columns = static_cast<int>(quorvan::RoundEven(404.0 / sim.CellSize));
  if (sim.CellSize < 2 || sim.CellSize > 10 || sim.ColCount != columns || sim.RowCount != columns ||
      sim.Cells.Columns() != sim.ColCount || sim.Cells.Rows() != sim.RowCount) {
    return QStringLiteral("grid %1 x %2 for cell size %3").arg(sim.ColCount).arg(sim.RowCount).arg(sim.CellSize);
  }
  if (sim.StepCount < 0 || sim.StepCount > stepsSinceSetup) {
    return QStringLiteral("step count %1 after %2 steps").arg(sim.StepCount).arg(stepsSinceSetup);
  }
  for (const quorvan::TAgent& a : sim.Agents) {
    if (a.CellX < 0 || a.CellX >= sim.ColCount || a.CellY < 0 || a.CellY >= sim.RowCount || a.State < 0 ||
        a.State > 1) {
      return QStringLiteral("agent at %1, %2").arg(a.CellX).arg(a.CellY);
    }
  }
  for (int r = 0; r < sim.RowCount; ++r) {
    for (int c = 0; c < sim.ColCount; ++c) {
      const int32_t kind = sim.Cells.Kind(c, r);
      const int32_t dest = sim.Cells(c, r).DestIndex;
      if (kind < 0 || kind > 3 || (kind == 2 && (dest < 0 || static_cast<std::size_t>(dest) >= sim.Destinations.size()))) {
        return QStringLiteral("cell %1, %2 of kind %3, destination %4").arg(c).arg(r).arg(kind).arg(dest);
      }
    }
  }
  return {};
}

}  // namespace

class MonkeyTest : public QObject {
  Q_OBJECT

 private slots:
  void randomEventsLeaveTheWorldWhole();
};

void MonkeyTest::randomEventsLeaveTheWorldWhole() {
  const uint64_t seed = EnvNumber("QUORVAN_MONKEY_SEED", 20261209);
  const auto events = static_cast<int>(EnvNumber("QUORVAN_MONKEY_EVENTS", 10000));
  qInfo("monkey: seed %llu, %d events (QUORVAN_MONKEY_SEED=%llu repeats them)",
        static_cast<unsigned long long>(seed), events, static_cast<unsigned long long>(seed));

  TForm1 form(uint64_t{5});
  form.show();
  QVERIFY(QTest::qWaitForWindowExposed(&form));
  Monkey monkey(form, seed);
  // Cheap steps to begin with; the monkey changes these too.
  monkey.Put(form.Edit_anzAg, QStringLiteral("40"));
  monkey.Put(form.Edit_size, QStringLiteral("10"));
  QTest::mouseClick(form.B_setup, Qt::LeftButton);

  QElapsedTimer clock;
  clock.start();
  for (int i = 0; i < events && monkey.faults.isEmpty(); ++i) monkey.Event();
  monkey.ReleaseMouse();
  qInfo("monkey: %lld ms, %d drags, %d texts, %d setups, %d steps run, %d failed",
        static_cast<long long>(clock.elapsed()), monkey.drags, monkey.texts, monkey.setups, monkey.stepsRun,
        monkey.stepsFailed);
  // The messages that stopped the most steps.
  std::vector<std::pair<int, QString>> stops;
  for (auto it = monkey.failures.cbegin(); it != monkey.failures.cend(); ++it) stops.emplace_back(it.value(), it.key());
  std::sort(stops.rbegin(), stops.rend());
  for (std::size_t i = 0; i < std::min<std::size_t>(stops.size(), 5); ++i) {
    qInfo("monkey: %d steps stopped by: %s", stops[i].first, qPrintable(stops[i].second));
  }
  QVERIFY2(monkey.faults.isEmpty(), qPrintable(monkey.faults.join(QStringLiteral("; "))));
  QVERIFY2(monkey.stepsRun > 0, "the timer ran no step");
  QVERIFY2(WorldFault(form.sim, monkey.stepsSinceSetup).isEmpty(),
           qPrintable(WorldFault(form.sim, monkey.stepsSinceSetup)));

  // Good texts everywhere clear every mark, and one more step runs.
  StopTimer(form);
  const char* good[][2] = {{"Edit_anzAg", "40"}, {"Edit_size", "10"}, {"E_stop", "10000"}, {"E_noise", "30"},
                           {"E_decay", "0,95"},  {"E_CProbab", "0,35"}, {"E_grav", "5"}};
  for (const auto& [name, text] : good) {
    auto* edit = form.findChild<QLineEdit*>(QString::fromLatin1(name));
    monkey.Put(edit, QString::fromLatin1(text));
    QVERIFY2(!quorvan::IsMarkedInvalid(edit), name);
  }
  const int before = form.sim.StepCount;
  QTest::mouseClick(form.B_oneStep, Qt::LeftButton);
  QCOMPARE(form.sim.StepCount, before + 1);
  QVERIFY2(WorldFault(form.sim, monkey.stepsSinceSetup).isEmpty(),
           qPrintable(WorldFault(form.sim, monkey.stepsSinceSetup)));
  // And a new world from those texts.
  QTest::mouseClick(form.B_setup, Qt::LeftButton);
  QCOMPARE(form.sim.StepCount, 0);
  QCOMPARE(form.sim.ColCount, 40);
  QTest::mouseClick(form.B_oneStep, Qt::LeftButton);
  QCOMPARE(form.sim.StepCount, 1);
  QVERIFY(monkey.faults.isEmpty());
}

QTEST_MAIN(MonkeyTest)
#include "test_monkey.moc"
