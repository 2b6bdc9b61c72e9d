#pragma once
// The window's questions to the user: whether to save unsaved work, and
// whether to open what a crashed session left. Each goes through a hook
// that tests set, so that no modal dialog waits for an answer there.

#include <QString>
#include <functional>

class QWidget;

namespace quorvan {

enum class SaveAnswer { Save, Discard, Cancel };

/// Answers a question in place of the dialog; cleared with an empty one.
using SaveQuestionHook = std::function<SaveAnswer(const QString& question)>;
using YesNoHook = std::function<bool(const QString& question)>;
void SetSaveQuestionHook(SaveQuestionHook hook);
void SetYesNoHook(YesNoHook hook);

/// "Save, Discard, Cancel" about `question`.
SaveAnswer AskToSave(QWidget* parent, const QString& question);
/// Yes or no about `question`.
bool AskYesNo(QWidget* parent, const QString& title, const QString& question);

}  // namespace quorvan
