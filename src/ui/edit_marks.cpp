#include "edit_marks.h"

#include <QLineEdit>
#include <utility>

namespace quorvan {

namespace {

void Mark(QLineEdit* edit, const std::string& message) {
  const bool bad = !message.empty();
  edit->setProperty("invalidText", bad);
  edit->setStyleSheet(bad ? QStringLiteral("QLineEdit { border: 1px solid red; }") : QString());
  edit->setToolTip(bad ? QString::fromStdString(message) : QString());
}

}  // namespace

void MarkWhileInvalid(QLineEdit* edit, std::function<std::string(std::string_view)> check) {
  const auto run = [edit, check = std::move(check)] {
    const std::string text = edit->text().toStdString();
    Mark(edit, check(text));
  };
  QObject::connect(edit, &QLineEdit::textChanged, edit, run);
  run();
}

bool IsMarkedInvalid(const QLineEdit* edit) { return edit->property("invalidText").toBool(); }

}  // namespace quorvan
