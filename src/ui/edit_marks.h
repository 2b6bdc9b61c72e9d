#pragma once
// Edit boxes whose text does not convert wear a red frame and their
// message as tooltip until the text converts, so a failure that still
// stands stays visible when the status line shows a newer message.

#include <functional>
#include <string>
#include <string_view>

class QLineEdit;

namespace quorvan {

/// `check` returns the conversion's message, empty when the text converts;
/// it runs at once and on every change of the text.
void MarkWhileInvalid(QLineEdit* edit, std::function<std::string(std::string_view)> check);

/// Checks the text again, for a text set while the box's signals were held.
void RefreshMark(QLineEdit* edit);

/// Whether `edit` is marked now.
bool IsMarkedInvalid(const QLineEdit* edit);

}  // namespace quorvan
