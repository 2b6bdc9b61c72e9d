// The inspector: the cell under the mouse in the status bar, and the
// followed agent (View menu, or the middle button on an agent) ringed on
// the panel with its path, its fields in a dock.

#include <QAction>
#include <QInputDialog>
#include <QMainWindow>
#include <QMenuBar>
#include <QStatusBar>
#include <QTimer>

#include "CellForm.h"
#include "cell_inspector.h"
#include "drawing_panel.h"
#include "follow_dock.h"

namespace quorvan {

namespace {

// How long the cell under a still mouse may go without a refresh while
// the run goes on (milliseconds): the status bar need not change at the
// steps' pace.
constexpr int kHoverRefreshMs = 100;
// The same for the follow dock: at the running timer's pace (hundreds of
// steps a second) a refresh per step is work no eye sees. The last step's
// fields always come, at most this late (milliseconds); steps taken one at
// a time show at once.
constexpr int kDockRefreshMs = 40;

}  // namespace

void TForm1::CreateInspector() {
  followDock_ = new FollowDock(this);
  addDockWidget(Qt::RightDockWidgetArea, followDock_);
  followDock_->hide();
  connect(followDock_, &QDockWidget::visibilityChanged, this, [this](bool visible) {
    // Closing the dock ends the following.
    if (!visible && follower_.Following() && !isMinimized() && isVisible()) StopFollowing();
  });
  dockRefresh_.setSingleShot(true);
  connect(&dockRefresh_, &QTimer::timeout, this, [this] {
    if (!dockPending_) return;
    dockPending_ = false;
    RefreshFollowDock();
  });
  ZeichenPanel->SetOverlay([this](QPainter& painter) { follower_.Paint(painter, sim); });
  connect(ZeichenPanel, &DrawingPanel::Hover, this, &TForm1::ShowCellAt);
  connect(ZeichenPanel, &DrawingPanel::HoverEnded, this, [this] {
    hover_.reset();
    statusBar()->clearMessage();
  });

  QMenu* view = menuBar()->addMenu(QStringLiteral("&View"));
  A_follow = view->addAction(QStringLiteral("&Follow agent..."));
  A_follow->setObjectName(QStringLiteral("A_follow"));
  A_follow->setShortcut(QKeySequence(QStringLiteral("Ctrl+F")));
  connect(A_follow, &QAction::triggered, this, &TForm1::FollowAgentClick);
  A_stopFollowing = view->addAction(QStringLiteral("&Stop following"));
  A_stopFollowing->setObjectName(QStringLiteral("A_stopFollowing"));
  A_stopFollowing->setEnabled(false);
  connect(A_stopFollowing, &QAction::triggered, this, &TForm1::StopFollowing);
}

void TForm1::ShowCellAt(QPoint point) {
  hover_ = point;
  hoverShown_.start();
  const QString text = DescribeCell(sim, point.x(), point.y());
  if (text.isEmpty()) {
    statusBar()->clearMessage();
  } else {
    statusBar()->showMessage(text);
  }
}

std::string TForm1::FollowAgent(int index) {
  if (!sim.HasWorld() || index < 0 || static_cast<std::size_t>(index) >= sim.Agents.size()) {
    const std::string message = "no agent " + std::to_string(index) + " to follow: the world has " +
                                std::to_string(sim.Agents.size()) + " agents (0.." +
                                std::to_string(static_cast<long long>(sim.Agents.size()) - 1) + ")";
    status_->Report(StatusLine::Source::Follow, message);
    return message;
  }
  status_->Report(StatusLine::Source::Follow, {});
  follower_.Follow(sim, static_cast<std::size_t>(index));
  followDock_->setWindowTitle(QStringLiteral("Agent %1").arg(index));
  RefreshFollowDock();
  followDock_->show();
  A_stopFollowing->setEnabled(true);
  ZeichenPanel->RequestFrame();
  return {};
}

void TForm1::StopFollowing() {
  if (!follower_.Following()) return;
  follower_.Stop();
  followDock_->hide();
  A_stopFollowing->setEnabled(false);
  ZeichenPanel->RequestFrame();
}

void TForm1::FollowAgentClick() {
  if (sim.Agents.empty()) {
    FollowAgent(0);  // says there is none
    return;
  }
  bool ok = false;
  const int last = static_cast<int>(sim.Agents.size()) - 1;
  const int index = QInputDialog::getInt(this, QStringLiteral("Follow agent"),
                                         QStringLiteral("Agent (0..%1), or click one with the middle button:").arg(last),
                                         static_cast<int>(follower_.Index()), 0, last, 1, &ok);
  if (ok) FollowAgent(index);
}

void TForm1::UpdateInspector() {
  if (follower_.Following()) {
    follower_.Record(sim);
    if (!follower_.Following()) {
      StopFollowing();
    } else if (dockRefresh_.isActive() && Timer1->isActive()) {
      dockPending_ = true;
    } else {
      RefreshFollowDock();
    }
  }
  if (hover_ && hoverShown_.elapsed() >= kHoverRefreshMs) ShowCellAt(*hover_);
}

void TForm1::RefreshFollowDock() {
  if (!follower_.Following()) return;
  followDock_->ShowFields(DescribeAgent(sim, follower_.Index()));
  dockRefresh_.start(kDockRefreshMs);
}

void TForm1::WorldReplaced() {
  // A new world's agents are other agents.
  StopFollowing();
  if (hover_) ShowCellAt(*hover_);
}

}  // namespace quorvan
