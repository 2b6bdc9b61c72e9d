#pragma once
// Driving the main window in tests: a stopped timer, a world of a chosen
// cell size and landscape, and steps run by the window's own timer.

#include <QComboBox>
#include <QEventLoop>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>

#include "CellForm.h"

namespace quorvan::testing {

/// Presses "start / stop" if the timer runs.
inline void StopTimer(TForm1& form) {
  if (form.Timer1->isActive()) QTest::mouseClick(form.B_stop, Qt::LeftButton);
}

/// A new world through the controls: cell size, landscape item, "new Setup".
inline void NewWorld(TForm1& form, int cellSize, int setupMode, uint64_t seed = 7) {
  form.Edit_size->setText(QString::number(cellSize));
  form.CB_pre->setCurrentIndex(setupMode);
  form.SetSeed(seed);
  QTest::mouseClick(form.B_setup, Qt::LeftButton);
}

/// Runs the event loop, and with it the window's timer, until `done` holds
/// after a step or `timeoutMs` has passed. Returns whether `done` held.
inline bool RunUntil(TForm1& form, const std::function<bool()>& done, int timeoutMs = 20000) {
  if (done()) return true;
  QEventLoop loop;
  QObject::connect(&form, &TForm1::StepDone, &loop, [&] {
    if (done()) loop.quit();
  });
  QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
  loop.exec();
  return done();
}

}  // namespace quorvan::testing
