// Editing the landscape through real mouse events on the drawing panel.

#include <QMouseEvent>
#include <QtTest>
#include <set>
#include <utility>
#include <vector>

#include "drawing_panel.h"
#include "form_display.h"
#include "form_helpers.h"

using quorvan::EditAction;
using quorvan::TForm1;
using namespace quorvan::testing;

namespace {

using Cell = std::pair<int, int>;  // column, row

struct CellState {
  int32_t kind;
  int32_t destIndex;
  bool operator==(const CellState&) const = default;
};

std::vector<CellState> Snapshot(const quorvan::Simulation& sim) {
  std::vector<CellState> out;
  for (int r = 0; r < sim.RowCount; ++r) {
    for (int c = 0; c < sim.ColCount; ++c) out.push_back({sim.Cells.Kind(c, r), sim.Cells(c, r).DestIndex});
  }
  return out;
}

/// The cells whose kind or destination index differ between two snapshots.
std::set<Cell> Changed(const quorvan::Simulation& sim, const std::vector<CellState>& before) {
  std::set<Cell> out;
  const auto after = Snapshot(sim);
  for (std::size_t i = 0; i < after.size(); ++i) {
    if (!(after[i] == before[i])) {
      const auto columns = static_cast<std::size_t>(sim.ColCount);
      out.insert({static_cast<int>(i % columns), static_cast<int>(i / columns)});
    }
  }
  return out;
}

std::set<Cell> Block(int c, int r, int columns, int rows) {
  std::set<Cell> out;
  for (int dy = -1; dy <= 1; ++dy) {
    for (int dx = -1; dx <= 1; ++dx) out.insert({(c + dx + columns) % columns, (r + dy + rows) % rows});
  }
  return out;
}

/// A move with the modifiers given (QTest's moves carry none).
void MoveWith(QWidget* panel, QPoint p, Qt::MouseButtons held, Qt::KeyboardModifiers shift) {
  QMouseEvent move(QEvent::MouseMove, QPointF(p), panel->mapToGlobal(QPointF(p)), Qt::NoButton,
                   held, shift);
  QApplication::sendEvent(panel, &move);
}

}  // namespace

class MouseEditingTest : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void cleanup();

  void clickWithoutMoveEditsNothing();
  void leftDragStampsBlocksWrappingAtTheTopRow();
  void ctrlLeftDragPaintsTheNewDestination();
  void ctrlAfterThePressDoesNotStartADestination();
  void rightDragFreesCells();
  void twoButtonsFollowTheBranchOrder();
  void middleButtonEditsNothing();
  void cellIndexRounding_data();
  void cellIndexRounding();
  void pointsOffTheGrid_data();
  void pointsOffTheGrid();

 private:
  TForm1* form_ = nullptr;
  QWidget* panel_ = nullptr;
};

void MouseEditingTest::init() {
  form_ = new TForm1;
  StopTimer(*form_);
  form_->show();
  QVERIFY(QTest::qWaitForWindowExposed(form_));
  panel_ = form_->ZeichenPanel;
  NewWorld(*form_, 2, 2);  // raster destinations: known free corners
}

void MouseEditingTest::cleanup() {
  delete form_;
  form_ = nullptr;
}

void MouseEditingTest::clickWithoutMoveEditsNothing() {
  const auto before = Snapshot(form_->sim);
  QTest::mouseClick(panel_, Qt::LeftButton, {}, QPoint(50, 50));
  QTest::mouseClick(panel_, Qt::RightButton, {}, QPoint(202, 202));
  QVERIFY(Changed(form_->sim, before).empty());

  // A Ctrl-click appends an entry at the click point, with no cell.
  const std::size_t entries = form_->sim.Destinations.size();
  QTest::mouseClick(panel_, Qt::RightButton, Qt::ControlModifier, QPoint(37, 81));
  QCOMPARE(form_->sim.Destinations.size(), entries + 1);
  const auto& added = form_->sim.Destinations.back();
  QCOMPARE(added.X, 37);
  QCOMPARE(added.Y, 81);
  QCOMPARE(added.Returns, 0);
  QCOMPARE(form_->Editing().EditDest, static_cast<int32_t>(entries));
  QVERIFY(Changed(form_->sim, before).empty());
  QVERIFY(!form_->Editing().CtrlDown);
}

void MouseEditingTest::leftDragStampsBlocksWrappingAtTheTopRow() {
  const auto before = Snapshot(form_->sim);
  QTest::mousePress(panel_, Qt::LeftButton, {}, QPoint(50, 0));
  QTest::mouseMove(panel_, QPoint(50, 1));  // column 25, row 0 (0.5 rounds to 0)
  std::set<Cell> expected = Block(25, 0, 202, 202);
  QCOMPARE(Changed(form_->sim, before), expected);
  QVERIFY(expected.count({25, 201}));
  for (const Cell& c : expected) QCOMPARE(form_->sim.Cells.Kind(c.first, c.second), 3);

  QTest::mouseMove(panel_, QPoint(60, 3));  // column 30, row 2: a second block
  for (const Cell& c : Block(30, 2, 202, 202)) expected.insert(c);
  QTest::mouseRelease(panel_, Qt::LeftButton, {}, QPoint(60, 3));
  QCOMPARE(Changed(form_->sim, before), expected);

  // Each edited cell is on the track layer at once, in the obstacle navy.
  const QImage& track = form_->Display().TrackLayer();
  QCOMPARE(track.pixelColor(50, 402), QColor(0, 0, 128));  // cell (25, 201)
  QCOMPARE(track.pixelColor(60, 4), QColor(0, 0, 128));    // cell (30, 2)

  // After the release moves edit nothing.
  QTest::mouseMove(panel_, QPoint(100, 60));
  QCOMPARE(Changed(form_->sim, before), expected);
}

void MouseEditingTest::ctrlLeftDragPaintsTheNewDestination() {
  const auto before = Snapshot(form_->sim);
  const std::size_t entries = form_->sim.Destinations.size();
  QTest::mousePress(panel_, Qt::LeftButton, Qt::ControlModifier, QPoint(30, 30));
  QCOMPARE(form_->sim.Destinations.size(), entries + 1);
  const int32_t index = form_->Editing().EditDest;
  QCOMPARE(index, static_cast<int32_t>(entries));
  QVERIFY(Changed(form_->sim, before).empty());  // the press paints nothing

  QTest::mouseMove(panel_, QPoint(10, 100));  // Ctrl released: moves carry none
  QTest::mouseMove(panel_, QPoint(14, 100));
  QTest::mouseRelease(panel_, Qt::LeftButton, {}, QPoint(14, 100));
  const std::set<Cell> expected = {{5, 50}, {7, 50}};
  QCOMPARE(Changed(form_->sim, before), expected);
  for (const Cell& c : expected) {
    QCOMPARE(form_->sim.Cells.Kind(c.first, c.second), 2);
    QCOMPARE(form_->sim.Cells(c.first, c.second).DestIndex, index);
  }
  QCOMPARE(form_->Display().TrackLayer().pixelColor(10, 100), QColor(0, 128, 0));
}

void MouseEditingTest::ctrlAfterThePressDoesNotStartADestination() {
  const auto before = Snapshot(form_->sim);
  const std::size_t entries = form_->sim.Destinations.size();
  QTest::mousePress(panel_, Qt::LeftButton, {}, QPoint(30, 30));
  MoveWith(panel_, QPoint(30, 30), Qt::LeftButton, Qt::ControlModifier);
  QTest::mouseRelease(panel_, Qt::LeftButton, {}, QPoint(30, 30));
  QCOMPARE(form_->sim.Destinations.size(), entries);
  QCOMPARE(Changed(form_->sim, before), Block(15, 15, 202, 202));
}

void MouseEditingTest::rightDragFreesCells() {
  // The nest block is columns and rows 100..102; the raster destination of
  // raster row 0 and column 0 is the block around cell (20, 20).
  const std::size_t entries = form_->sim.Destinations.size();
  QCOMPARE(form_->sim.Cells.Kind(101, 101), 1);
  QCOMPARE(form_->sim.Cells.Kind(20, 20), 2);
  QTest::mousePress(panel_, Qt::RightButton, {}, QPoint(202, 202));
  QTest::mouseMove(panel_, QPoint(202, 202));  // cell (101, 101)
  QTest::mouseMove(panel_, QPoint(40, 40));    // cell (20, 20)
  QTest::mouseRelease(panel_, Qt::RightButton, {}, QPoint(40, 40));
  QCOMPARE(form_->sim.Cells.Kind(101, 101), 0);
  QCOMPARE(form_->sim.Cells.Kind(20, 20), 0);
  QCOMPARE(form_->sim.Cells.Kind(100, 101), 1);  // single cells only
  QCOMPARE(form_->sim.Cells.Kind(21, 20), 2);
  QCOMPARE(form_->sim.Destinations.size(), entries);  // the entries stay
  QCOMPARE(form_->Display().TrackLayer().pixelColor(202, 202), QColor(255, 255, 255));
}

void MouseEditingTest::twoButtonsFollowTheBranchOrder() {
  // Left and right held, no Ctrl: the left button wins, blocks are stamped.
  auto before = Snapshot(form_->sim);
  QTest::mousePress(panel_, Qt::LeftButton, {}, QPoint(30, 30));
  QTest::mousePress(panel_, Qt::RightButton, {}, QPoint(30, 30));
  QVERIFY(form_->Editing().LeftDown && form_->Editing().RightDown);
  QCOMPARE(form_->Editing().Action(), EditAction::Obstacles);
  QTest::mouseMove(panel_, QPoint(30, 30));
  QCOMPARE(Changed(form_->sim, before), Block(15, 15, 202, 202));
  // Releasing the right button ends the editing, the left one still held.
  QTest::mouseRelease(panel_, Qt::RightButton, {}, QPoint(30, 30));
  QTest::mouseMove(panel_, QPoint(80, 80));
  QCOMPARE(Changed(form_->sim, before), Block(15, 15, 202, 202));
  QTest::mouseRelease(panel_, Qt::LeftButton, {}, QPoint(80, 80));

  // Left with Ctrl, then right: the right button wins, cells are freed.
  before = Snapshot(form_->sim);
  QTest::mousePress(panel_, Qt::LeftButton, Qt::ControlModifier, QPoint(10, 10));
  QTest::mousePress(panel_, Qt::RightButton, {}, QPoint(10, 10));
  QCOMPARE(form_->Editing().Action(), EditAction::Free);
  QTest::mouseMove(panel_, QPoint(30, 30));  // cell (15, 15), an obstacle now
  QTest::mouseRelease(panel_, Qt::LeftButton, {}, QPoint(30, 30));
  QTest::mouseRelease(panel_, Qt::RightButton, {}, QPoint(30, 30));
  QCOMPARE(Changed(form_->sim, before), (std::set<Cell>{{15, 15}}));
  QCOMPARE(form_->sim.Cells.Kind(15, 15), 0);
  QVERIFY(!form_->Editing().LeftDown && !form_->Editing().RightDown && !form_->Editing().CtrlDown);
}

void MouseEditingTest::middleButtonEditsNothing() {
  const auto before = Snapshot(form_->sim);
  QTest::mousePress(panel_, Qt::MiddleButton, {}, QPoint(30, 30));
  QTest::mouseMove(panel_, QPoint(40, 40));
  QTest::mouseRelease(panel_, Qt::MiddleButton, {}, QPoint(40, 40));
  const std::size_t entries = form_->sim.Destinations.size();
  QTest::mousePress(panel_, Qt::MiddleButton, Qt::ControlModifier, QPoint(30, 30));
  QVERIFY(form_->Editing().CtrlDown);
  QTest::mouseMove(panel_, QPoint(40, 40));
  QTest::mouseRelease(panel_, Qt::MiddleButton, {}, QPoint(40, 40));
  QCOMPARE(form_->sim.Destinations.size(), entries + 1);
  QVERIFY(Changed(form_->sim, before).empty());
}

void MouseEditingTest::cellIndexRounding_data() {
  QTest::addColumn<int>("cellSize");
  QTest::addColumn<QPoint>("point");
  QTest::addColumn<int>("column");
  QTest::addColumn<int>("row");
  // Cell size 2: row 50 from y 100; raster destinations leave columns 0..4 free.
  QTest::newRow("2: x 0") << 2 << QPoint(0, 100) << 0 << 50;
  QTest::newRow("2: x 1") << 2 << QPoint(1, 100) << 0 << 50;
  QTest::newRow("2: x 2") << 2 << QPoint(2, 100) << 1 << 50;
  QTest::newRow("2: x 3") << 2 << QPoint(3, 100) << 2 << 50;
  QTest::newRow("2: x 4") << 2 << QPoint(4, 100) << 2 << 50;
  QTest::newRow("2: x 5") << 2 << QPoint(5, 100) << 2 << 50;
  QTest::newRow("2: x 7") << 2 << QPoint(7, 100) << 4 << 50;
  QTest::newRow("2: y 7") << 2 << QPoint(100, 7) << 50 << 4;
  // Cell size 10: row 16 from y 155 (15.5 rounds to 16).
  QTest::newRow("10: x 5") << 10 << QPoint(5, 155) << 0 << 16;
  QTest::newRow("10: x 6") << 10 << QPoint(6, 155) << 1 << 16;
  QTest::newRow("10: x 15") << 10 << QPoint(15, 155) << 2 << 16;
  QTest::newRow("10: x 25") << 10 << QPoint(25, 155) << 2 << 16;
  QTest::newRow("10: y 25") << 10 << QPoint(155, 25) << 16 << 2;
}

void MouseEditingTest::cellIndexRounding() {
  QFETCH(int, cellSize);
  QFETCH(QPoint, point);
  QFETCH(int, column);
  QFETCH(int, row);
  NewWorld(*form_, cellSize, 2);
  const auto before = Snapshot(form_->sim);
  QTest::mousePress(panel_, Qt::LeftButton, Qt::ControlModifier, point);
  QTest::mouseMove(panel_, point);
  QTest::mouseRelease(panel_, Qt::LeftButton, {}, point);
  QCOMPARE(Changed(form_->sim, before), (std::set<Cell>{{column, row}}));
  QCOMPARE(form_->sim.Cells(column, row).DestIndex, form_->Editing().EditDest);
}

void MouseEditingTest::pointsOffTheGrid_data() {
  QTest::addColumn<int>("cellSize");
  QTest::addColumn<QPoint>("point");
  QTest::addColumn<bool>("edits");
  QTest::addColumn<int>("column");
  QTest::addColumn<int>("row");
  // Cell size 10 has 40 columns: x from 395 on rounds to column 40.
  QTest::newRow("10: right edge") << 10 << QPoint(395, 205) << false << 0 << 0;
  QTest::newRow("10: bottom edge") << 10 << QPoint(205, 399) << false << 0 << 0;
  QTest::newRow("10: last column") << 10 << QPoint(394, 205) << true << 39 << 20;
  QTest::newRow("10: left of the panel") << 10 << QPoint(-20, 205) << false << 0 << 0;
  QTest::newRow("10: just left, column 0") << 10 << QPoint(-5, 205) << true << 0 << 20;
  QTest::newRow("8: right edge") << 8 << QPoint(396, 204) << false << 0 << 0;
  QTest::newRow("2: below the panel") << 2 << QPoint(100, 404) << false << 0 << 0;
  QTest::newRow("2: far away") << 2 << QPoint(5000, -5000) << false << 0 << 0;
}

void MouseEditingTest::pointsOffTheGrid() {
  QFETCH(int, cellSize);
  QFETCH(QPoint, point);
  QFETCH(bool, edits);
  QFETCH(int, column);
  QFETCH(int, row);
  NewWorld(*form_, cellSize, 2);
  const int n = form_->sim.ColCount;
  const auto before = Snapshot(form_->sim);
  QTest::mousePress(panel_, Qt::LeftButton, {}, QPoint(200, 200));
  // While the left button is held the panel keeps the mouse: moves arrive
  // from outside it too.
  QTest::mouseMove(panel_, point);
  QTest::mouseRelease(panel_, Qt::LeftButton, {}, point);
  const std::set<Cell> expected = edits ? Block(column, row, n, n) : std::set<Cell>{};
  QCOMPARE(Changed(form_->sim, before), expected);
}

QTEST_MAIN(MouseEditingTest)
#include "test_mouse_editing.moc"
