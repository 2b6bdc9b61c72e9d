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

// The box's check, kept as a child of the box so that RefreshMark finds it.
class MarkCheck : public QObject {
 public:
  MarkCheck(QLineEdit* edit, std::function<std::string(std::string_view)> check)
      : QObject(edit), edit_(edit), check_(std::move(check)) {}

  void Run() const { Mark(edit_, check_(edit_->text().toStdString())); }

 private:
  QLineEdit* edit_;
  std::function<std::string(std::string_view)> check_;
};

}  // namespace

void MarkWhileInvalid(QLineEdit* edit, std::function<std::string(std::string_view)> check) {
  auto* mark = new MarkCheck(edit, std::move(check));
  QObject::connect(edit, &QLineEdit::textChanged, mark, [mark] { mark->Run(); });
  mark->Run();
}

void RefreshMark(QLineEdit* edit) {
  for (QObject* child : edit->children()) {
    if (const auto* mark = dynamic_cast<const MarkCheck*>(child)) mark->Run();
  }
}

bool IsMarkedInvalid(const QLineEdit* edit) { return edit->property("invalidText").toBool(); }

}  // namespace quorvan
