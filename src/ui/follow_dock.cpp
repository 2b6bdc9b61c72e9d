#include "follow_dock.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QLabel>

namespace quorvan {

FollowDock::FollowDock(QWidget* parent)
    : QDockWidget(QStringLiteral("Followed agent"), parent), fields_(new QLabel(this)) {
  setObjectName(QStringLiteral("followDock"));
  setAllowedAreas(Qt::LeftDockWidgetArea | Qt::RightDockWidgetArea);
  fields_->setObjectName(QStringLiteral("followFields"));
  // Figures in columns that do not jump as they change.
  QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  fixed.setPixelSize(11);
  fields_->setFont(fixed);
  fields_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  fields_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  fields_->setContentsMargins(6, 4, 6, 4);
  // A size of its own that every agent's fields fit (eight directions at
  // most): a new text then repaints the label alone, never lays out the
  // window, which at the run's pace would cost it steps.
  const QFontMetrics metrics = fields_->fontMetrics();
  fields_->setFixedSize(metrics.horizontalAdvance(QStringLiteral("last sensing (direction, chance %):")) + 16,
                        metrics.lineSpacing() * 17 + 12);
  setWidget(fields_);
}

void FollowDock::ShowFields(const QString& text) {
  if (fields_->text() != text) fields_->setText(text);
}

QString FollowDock::Fields() const { return fields_->text(); }

}  // namespace quorvan
