#include "edit_marks.h"

#include <QEvent>
#include <QLineEdit>
#include <QPainter>
#include <utility>

namespace quorvan {

namespace {

// The red frame, drawn over the box by a child of its own. A style sheet
// on the box would do it too, but clearing a style sheet gives the box the
// application's font instead of the window's: the box would not look as it
// did before it was marked.
class RedFrame : public QWidget {
 public:
  explicit RedFrame(QLineEdit* edit) : QWidget(edit) {
    setObjectName(QStringLiteral("redFrame"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setGeometry(edit->rect());
    edit->installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Resize) setGeometry(static_cast<QWidget*>(watched)->rect());
    return false;
  }
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.setPen(QPen(Qt::red, 1));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
  }
};

void Mark(QLineEdit* edit, const std::string& message) {
  const bool bad = !message.empty();
  edit->setProperty("invalidText", bad);
  auto* frame = edit->findChild<QWidget*>(QStringLiteral("redFrame"), Qt::FindDirectChildrenOnly);
  if (bad && frame == nullptr) frame = new RedFrame(edit);
  if (frame != nullptr) frame->setVisible(bad);
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
