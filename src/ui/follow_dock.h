#pragma once
// The dock that shows a followed agent's fields, refreshed after each step.

#include <QDockWidget>

class QLabel;

namespace quorvan {

class FollowDock : public QDockWidget {
  Q_OBJECT

 public:
  explicit FollowDock(QWidget* parent = nullptr);

  /// The agent's fields, one per line.
  void ShowFields(const QString& text);
  /// What the dock shows now.
  QString Fields() const;

 private:
  QLabel* fields_;
};

}  // namespace quorvan
