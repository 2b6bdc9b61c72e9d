#include "follow_dock.h"

#include <QFontDatabase>
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
  fields_->setMinimumWidth(fields_->fontMetrics().horizontalAdvance(QStringLiteral("  (-1,-1) 0.1234e-05  ")));
  setWidget(fields_);
}

void FollowDock::ShowFields(const QString& text) {
  if (fields_->text() != text) fields_->setText(text);
}

QString FollowDock::Fields() const { return fields_->text(); }

}  // namespace quorvan
