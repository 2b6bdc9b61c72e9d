#include "status_line.h"

#include <QLabel>

namespace quorvan {

StatusLine::StatusLine(QLabel* label) : label_(label) {}

void StatusLine::Report(Source source, const std::string& message) {
  if (message.empty()) {
    if (message_.empty() || source != source_) return;
    message_.clear();
    label_->clear();
    return;
  }
  source_ = source;
  // A failing step reports the same text every millisecond: only a new
  // text touches the label.
  if (message == message_) return;
  message_ = message;
  label_->setText(QString::fromStdString(message_));
}

void StatusLine::Confirm(Source source, const std::string& text) {
  if (!message_.empty() && source == source_) message_.clear();
  // A failure that still stands stays in sight beside the confirmation.
  label_->setText(QString::fromStdString(message_.empty() ? text : text + " | " + message_));
}

}  // namespace quorvan
