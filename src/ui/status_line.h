#pragma once
// The window's status line: the place where failures are reported, instead
// of a modal dialog that would pile up once per timer event.

#include <string>

class QLabel;

namespace quorvan {

class StatusLine {
 public:
  /// Who reported a message. A success clears only a message of its own
  /// source: a step that runs clears a step failure, yet leaves the message
  /// of a bad stop-time text standing until that text converts.
  enum class Source { Setup, Step, StopTime, CellSize, GravityLines, File, Follow, Movie };

  /// `label` shows the message; it belongs to the window.
  explicit StatusLine(QLabel* label);

  /// An empty `message` is a success of `source`.
  void Report(Source source, const std::string& message);

  /// A success of `source` that says so: `text` (a file saved, its size)
  /// is shown until the next message, followed by a failure of another
  /// source that still stands.
  void Confirm(Source source, const std::string& text);

  /// The failure shown now, empty when there is none.
  const std::string& Message() const { return message_; }

 private:
  QLabel* label_;
  std::string message_;
  Source source_ = Source::Setup;
};

}  // namespace quorvan
