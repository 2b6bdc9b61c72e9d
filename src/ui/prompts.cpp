#include "prompts.h"

#include <QMessageBox>
#include <utility>

namespace quorvan {

namespace {

SaveQuestionHook& SaveHook() {
  static SaveQuestionHook hook;
  return hook;
}

YesNoHook& YesNo() {
  static YesNoHook hook;
  return hook;
}

}  // namespace

void SetSaveQuestionHook(SaveQuestionHook hook) { SaveHook() = std::move(hook); }
void SetYesNoHook(YesNoHook hook) { YesNo() = std::move(hook); }

SaveAnswer AskToSave(QWidget* parent, const QString& question) {
  if (SaveHook()) return SaveHook()(question);
  QMessageBox box(QMessageBox::Warning, QStringLiteral("Unsaved changes"), question,
                  QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, parent);
  box.setDefaultButton(QMessageBox::Save);
  switch (box.exec()) {
    case QMessageBox::Save: return SaveAnswer::Save;
    case QMessageBox::Discard: return SaveAnswer::Discard;
    default: return SaveAnswer::Cancel;
  }
}

bool AskYesNo(QWidget* parent, const QString& title, const QString& question) {
  if (YesNo()) return YesNo()(question);
  return QMessageBox::question(parent, title, question, QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes) ==
         QMessageBox::Yes;
}

}  // namespace quorvan
