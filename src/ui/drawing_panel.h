#pragma once
// The drawing panel: shows the track layer with the agent layer over it,
// and hands the mouse on to whoever edits the landscape.
//
// The layers are painted by the steps; the panel only shows the last
// finished pictures. However many steps run in one frame, it repaints at
// most once per frame of the screen, so the steps never wait for it.

#include <QElapsedTimer>
#include <QPoint>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <utility>

class QPainter;

namespace quorvan {

class LayerPainter;

class DrawingPanel : public QWidget {
  Q_OBJECT

 public:
  explicit DrawingPanel(QWidget* parent = nullptr);

  /// The layers to show; nothing but white while there are none.
  void SetLayers(const LayerPainter* layers) { layers_ = layers; }

  /// Drawn over the layers at each frame (a followed agent's path), never
  /// into them; none when empty.
  void SetOverlay(std::function<void(QPainter&)> overlay) { overlay_ = std::move(overlay); }

  /// The layers hold a new picture: show it at the next frame.
  void RequestFrame();

  /// Frames painted since the panel was made, and the time they took.
  int FramesPainted() const { return framesPainted_; }
  qint64 PaintNanoseconds() const { return paintNs_; }
  /// Milliseconds between two frames: one refresh of the panel's screen.
  int FrameInterval() const;

 signals:
  /// A button went down over the panel; the point is in layer pixels.
  void MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, QPoint point);
  /// The mouse moved with a button held (also outside the panel, which
  /// keeps the mouse while a button is down).
  void MouseMove(QPoint point);
  /// A button came up.
  void MouseUp(Qt::MouseButton button, QPoint point);
  /// The mouse is over the panel at `point`, with or without a button.
  void Hover(QPoint point);
  /// The mouse left the panel.
  void HoverEnded();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  const LayerPainter* layers_ = nullptr;
  std::function<void(QPainter&)> overlay_;
  // A picture is waiting to be shown: an update is posted or timed.
  bool framePending_ = false;
  // Holds a request back until one frame has passed since the last paint.
  QTimer frameTimer_;
  QElapsedTimer sinceLastFrame_;
  int framesPainted_ = 0;
  qint64 paintNs_ = 0;
};

}  // namespace quorvan
