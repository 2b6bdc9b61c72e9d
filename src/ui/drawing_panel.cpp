#include "drawing_panel.h"

#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <algorithm>
#include <cmath>

#include "layer_painter.h"

namespace quorvan {

namespace {

// The layer pixel under a mouse position (positions may be fractional
// under a scaled display).
QPoint PixelAt(const QMouseEvent* event) {
  const QPointF p = event->position();
  return {static_cast<int>(std::floor(p.x())), static_cast<int>(std::floor(p.y()))};
}

}  // namespace

DrawingPanel::DrawingPanel(QWidget* parent) : QWidget(parent) {
  // The layers cover the whole panel: nothing to erase before painting.
  setAttribute(Qt::WA_OpaquePaintEvent);
  // Moves without a button reach the inspector (Hover), not the editing.
  setMouseTracking(true);
  frameTimer_.setSingleShot(true);
  frameTimer_.setTimerType(Qt::PreciseTimer);
  connect(&frameTimer_, &QTimer::timeout, this, qOverload<>(&QWidget::update));
}

int DrawingPanel::FrameInterval() const {
  const QScreen* s = screen();
  const double hz = s ? s->refreshRate() : 60.0;
  return static_cast<int>(std::lround(1000.0 / std::clamp(hz, 24.0, 240.0)));
}

void DrawingPanel::RequestFrame() {
  if (framePending_) return;
  framePending_ = true;
  const qint64 elapsed = sinceLastFrame_.isValid() ? sinceLastFrame_.elapsed() : INT64_MAX;
  const int interval = FrameInterval();
  if (elapsed >= interval) {
    update();
  } else {
    frameTimer_.start(static_cast<int>(interval - elapsed));
  }
}

void DrawingPanel::paintEvent(QPaintEvent* event) {
  framePending_ = false;
  sinceLastFrame_.start();
  ++framesPainted_;
  {
    QPainter painter(this);
    if (layers_ != nullptr && layers_->HasLayers()) {
      painter.drawImage(0, 0, layers_->TrackLayer());
      painter.drawImage(0, 0, layers_->AgentLayer());
      if (overlay_) overlay_(painter);
    } else {
      painter.fillRect(event->rect(), Qt::white);
    }
  }
  paintNs_ += sinceLastFrame_.nsecsElapsed();
}

void DrawingPanel::mousePressEvent(QMouseEvent* event) {
  emit MouseDown(event->button(), event->modifiers(), PixelAt(event));
}

void DrawingPanel::mouseMoveEvent(QMouseEvent* event) {
  // The editing sees only the moves it saw before the panel tracked the
  // mouse: those with a button held.
  if (event->buttons() != Qt::NoButton) emit MouseMove(PixelAt(event));
  emit Hover(PixelAt(event));
}

void DrawingPanel::leaveEvent(QEvent* event) {
  QWidget::leaveEvent(event);
  emit HoverEnded();
}

void DrawingPanel::mouseReleaseEvent(QMouseEvent* event) {
  emit MouseUp(event->button(), PixelAt(event));
}

}  // namespace quorvan
