// The drawing panel: it shows the two layers stacked, and redraws at most
// once per frame of the screen however fast the steps run.

#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <QtTest>

#include "drawing_panel.h"
#include "form_display.h"
#include "form_helpers.h"

using quorvan::TForm1;
using namespace quorvan::testing;

class DrawingPanelTest : public QObject {
  Q_OBJECT

 private slots:
  void showsTrackLayerWithAgentsOnTop();
  void repaintsAtMostOncePerFrame();
  void showsEachNewPictureWhenIdle();
};

void DrawingPanelTest::showsTrackLayerWithAgentsOnTop() {
  TForm1 form;
  StopTimer(form);
  NewWorld(form, 10, 2);
  for (int i = 0; i < 3; ++i) QTest::mouseClick(form.B_oneStep, Qt::LeftButton);

  QImage expected = form.Display().TrackLayer().convertToFormat(QImage::Format_RGB32);
  {
    QPainter p(&expected);
    p.drawImage(0, 0, form.Display().AgentLayer());
  }
  const QImage shown = form.ZeichenPanel->grab().toImage().convertToFormat(QImage::Format_RGB32);
  QCOMPARE(shown.size(), QSize(404, 404));
  QCOMPARE(shown, expected);

  // Both layers matter: agents (red while searching) over the nest's blue.
  const QImage agents = form.Display().AgentLayer();
  int agentPixels = 0;
  for (int y = 0; y < agents.height(); ++y) {
    for (int x = 0; x < agents.width(); ++x) agentPixels += qAlpha(agents.pixel(x, y)) != 0;
  }
  QVERIFY(agentPixels > 0);
}

void DrawingPanelTest::repaintsAtMostOncePerFrame() {
  TForm1 form;
  form.show();
  QVERIFY(QTest::qWaitForWindowExposed(&form));
  const int framesBefore = form.ZeichenPanel->FramesPainted();
  QElapsedTimer clock;
  clock.start();
  QVERIFY(RunUntil(form, [&] { return form.sim.StepCount >= 300; }));
  const qint64 elapsed = clock.elapsed();
  const int frames = form.ZeichenPanel->FramesPainted() - framesBefore;
  const int interval = form.ZeichenPanel->FrameInterval();
  QVERIFY(frames >= 1);
  QVERIFY2(frames <= elapsed / interval + 2,
           qPrintable(QStringLiteral("%1 frames in %2 ms at %3 ms a frame, %4 steps")
                          .arg(frames)
                          .arg(elapsed)
                          .arg(interval)
                          .arg(form.sim.StepCount)));
}

void DrawingPanelTest::showsEachNewPictureWhenIdle() {
  TForm1 form;
  StopTimer(form);
  form.show();
  QVERIFY(QTest::qWaitForWindowExposed(&form));
  // A single step on a stopped window still reaches the screen.
  const int before = form.ZeichenPanel->FramesPainted();
  QTest::mouseClick(form.B_oneStep, Qt::LeftButton);
  QTRY_VERIFY_WITH_TIMEOUT(form.ZeichenPanel->FramesPainted() > before, 2000);
  const int after = form.ZeichenPanel->FramesPainted();
  QTest::mouseClick(form.B_oneStep, Qt::LeftButton);
  QTRY_VERIFY_WITH_TIMEOUT(form.ZeichenPanel->FramesPainted() > after, 2000);
}

QTEST_MAIN(DrawingPanelTest)
#include "test_drawing_panel.moc"
