// The inspector: the cell under the mouse in the status bar, and a
// followed agent's ring, path and fields, which leave the layers alone.

#include <QDockWidget>
#include <QStatusBar>
#include <QtTest>

#include "agent_follower.h"
#include "drawing_panel.h"
#include "follow_dock.h"
#include "form_display.h"
#include "form_helpers.h"

using quorvan::TForm1;
using namespace quorvan::testing;

namespace {

void Steps(TForm1& form, int n) {
  for (int i = 0; i < n; ++i) form.B_oneStepClick();
}

int CountColour(const QImage& image, QRgb colour) {
  int n = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) n += image.pixel(x, y) == colour;
  }
  return n;
}

const QRgb kMagenta = qRgb(255, 0, 255);

}  // namespace

class InspectorTest : public QObject {
  Q_OBJECT

 private slots:
  void hoverDescribesTheCell_data();
  void hoverDescribesTheCell();
  void followedAgentHasPathRingAndFields();
  void middleButtonPicksTheAgent_data();
  void middleButtonPicksTheAgent();
  void followingEndsWithItsWorld();
};

void InspectorTest::hoverDescribesTheCell_data() {
  QTest::addColumn<int>("kind");
  QTest::addColumn<QString>("words");
  QTest::newRow("free") << int(quorvan::kFree) << "free";
  QTest::newRow("nest") << int(quorvan::kNest) << "nest";
  QTest::newRow("destination") << int(quorvan::kDestination) << "(Returns 40)";
  QTest::newRow("obstacle") << int(quorvan::kObstacle) << "obstacle";
  QTest::newRow("off the grid") << -1 << "";
}

void InspectorTest::hoverDescribesTheCell() {
  QFETCH(int, kind);
  QFETCH(QString, words);
  TForm1 form;
  StopTimer(form);
  NewWorld(form, 10, 0);
  form.show();
  QVERIFY(QTest::qWaitForWindowExposed(&form));
  Steps(form, 30);
  for (auto& d : form.sim.Destinations) d.Returns = 40;
  form.sim.EditCellAt(20, 20, quorvan::EditAction::Obstacles, 0);
  // The first cell of the kind; its pixel picks it as a mouse edit would.
  QPoint pixel(403, 403);  // rounds to a column past the last
  int column = -1;
  int row = -1;
  for (int r = 0; r < form.sim.RowCount && column < 0 && kind >= 0; ++r) {
    for (int c = 0; c < form.sim.ColCount; ++c) {
      if (form.sim.Cells.Kind(c, r) == kind && c * 10 < quorvan::kPanelWidth && r * 10 < quorvan::kPanelHeight) {
        column = c;
        row = r;
        pixel = QPoint(c * 10 + 1, r * 10 + 1);  // (0, 0) would be the panel's centre to QTest
        break;
      }
    }
  }
  QVERIFY(kind < 0 || column >= 0);
  QTest::mouseMove(form.ZeichenPanel, pixel);
  const QString text = form.statusBar()->currentMessage();
  if (kind < 0) {
    QCOMPARE(text, QString());
    return;
  }
  QVERIFY2(text.startsWith(QStringLiteral("col %1, row %2 | ").arg(column).arg(row)), qPrintable(text));
  QVERIFY2(text.contains(words), qPrintable(text));
  QVERIFY2(text.endsWith(QStringLiteral("| distance %1").arg(form.sim.Cells(column, row).Distance)),
           qPrintable(text));
  QVERIFY2(text.contains(QStringLiteral("home scent %1").arg(form.sim.Cells.HomeScent(column, row), 0, 'g', 4)),
           qPrintable(text));
  // Hovering edits nothing, and leaving the panel clears the text.
  QCOMPARE(form.sim.Cells.Kind(column, row), kind);
  QEvent leave(QEvent::Leave);
  QApplication::sendEvent(form.ZeichenPanel, &leave);
  QCOMPARE(form.statusBar()->currentMessage(), QString());
}

void InspectorTest::followedAgentHasPathRingAndFields() {
  TForm1 form;
  TForm1 twin;  // the same world, not followed
  for (TForm1* f : {&form, &twin}) {
    StopTimer(*f);
    NewWorld(*f, 4, 1, 21);
  }
  QCOMPARE(form.FollowAgent(3), std::string());
  QVERIFY(!form.FollowFields()->isHidden());
  constexpr int kSteps = 230;
  Steps(form, kSteps);
  Steps(twin, kSteps);
  const quorvan::TAgent& agent = form.sim.Agents[3];
  const auto& path = form.Follower().Path();
  QCOMPARE(path.size(), quorvan::AgentFollower::kPathSteps + 1);
  QCOMPARE(path.back(), QPoint(agent.PixelX, agent.PixelY));
  const QString fields = form.FollowFields()->Fields();
  for (const QString& line : {QStringLiteral("agent: 3 of "), QStringLiteral("heading: %1\n").arg(agent.Heading),
                              QStringLiteral("successful: %1\n").arg(agent.Successful),
                              QStringLiteral("state: %1").arg(agent.State ? "returning" : "searching")}) {
    QVERIFY2(fields.contains(line), qPrintable(fields + " lacks " + line));
  }
  QCOMPARE(fields.count(QStringLiteral("\n  (")), qsizetype(agent.Directions.size()));
  // The overlay is on the panel only: the layers, and so the saved
  // picture, are the unfollowed twin's.
  QCOMPARE(form.Display().Composite(), twin.Display().Composite());
  QVERIFY(CountColour(form.ZeichenPanel->grab().toImage(), kMagenta) > 20);
  QCOMPARE(CountColour(twin.ZeichenPanel->grab().toImage(), kMagenta), 0);
  form.StopFollowing();
  QVERIFY(form.FollowFields()->isHidden());
  QCOMPARE(CountColour(form.ZeichenPanel->grab().toImage(), kMagenta), 0);
}

void InspectorTest::middleButtonPicksTheAgent_data() {
  QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
  QTest::addColumn<bool>("follows");
  QTest::newRow("middle button") << Qt::KeyboardModifiers() << true;
  QTest::newRow("with Ctrl: the design's new destination") << Qt::KeyboardModifiers(Qt::ControlModifier) << false;
}

void InspectorTest::middleButtonPicksTheAgent() {
  QFETCH(Qt::KeyboardModifiers, modifiers);
  QFETCH(bool, follows);
  TForm1 form;
  StopTimer(form);
  NewWorld(form, 10, 0);
  form.show();
  QVERIFY(QTest::qWaitForWindowExposed(&form));
  Steps(form, 150);
  // An agent with no other within the reach of a click.
  std::size_t chosen = form.sim.Agents.size();
  for (std::size_t i = 0; i < form.sim.Agents.size() && chosen == form.sim.Agents.size(); ++i) {
    const auto& a = form.sim.Agents[i];
    bool alone = true;
    for (std::size_t j = 0; j < form.sim.Agents.size(); ++j) {
      const auto& b = form.sim.Agents[j];
      alone = alone && (i == j || std::abs(a.PixelX - b.PixelX) + std::abs(a.PixelY - b.PixelY) > 32);
    }
    if (alone) chosen = i;
  }
  QVERIFY(chosen < form.sim.Agents.size());
  const auto& a = form.sim.Agents[chosen];
  const std::size_t destinations = form.sim.Destinations.size();
  QTest::mouseClick(form.ZeichenPanel, Qt::MiddleButton, modifiers, QPoint(a.PixelX + 2, a.PixelY - 1));
  QCOMPARE(form.Follower().Following(), follows);
  if (follows) QCOMPARE(form.Follower().Index(), chosen);
  QCOMPARE(form.sim.Destinations.size(), destinations + (follows ? 0 : 1));
}

void InspectorTest::followingEndsWithItsWorld() {
  TForm1 form;
  StopTimer(form);
  NewWorld(form, 10, 0);
  const std::string refused = form.FollowAgent(int(form.sim.Agents.size()));
  QVERIFY2(refused.find("no agent") != std::string::npos, refused.c_str());
  QCOMPARE(form.Status().Message(), refused);
  QVERIFY(!form.Follower().Following());
  QCOMPARE(form.FollowAgent(0), std::string());
  QCOMPARE(form.Status().Message(), std::string());
  QVERIFY(form.A_stopFollowing->isEnabled());
  QTest::mouseClick(form.B_setup, Qt::LeftButton);
  QVERIFY(!form.Follower().Following());
  QVERIFY(form.FollowFields()->isHidden());
  QVERIFY(!form.A_stopFollowing->isEnabled());
}

QTEST_MAIN(InspectorTest)
#include "test_inspector.moc"
