#pragma once
// Running a read that may crash in a child process, so that a crash of a
// library on a damaged file becomes a message instead of the end of the
// program (and of the user's unsaved world with it).

#include <chrono>
#include <functional>
#include <optional>
#include <string>

namespace quorvan {

/// How a read apart failed to answer.
struct NoAnswer {
  /// False when no child could be started at all.
  bool started = false;
  /// How the child ended ("SIGSEGV", "exit status 1"),
  /// or why none started.
  std::string how;
  /// The child gave no answer within the time allowed and was killed: it
  /// may have hung on a lock that another thread held at the fork (a
  /// sanitizer's allocator is not fork-safe), so its silence says nothing
  /// about the file.
  bool timedOut = false;
};

/// Runs `read` in a forked child and returns the text it returned (empty for
/// "all well"). When the child ends without an answer (a signal such as
/// SIGSEGV, a sanitizer's report, any other exit) or cannot be started,
/// returns nothing and says why in `failure`.
///
/// The child writes nothing on stderr and leaves no core file; it ends with
/// _exit, so that no exit handler of the parent runs twice. The caller must
/// hold every lock that `read` takes: a lock held by another thread at the
/// fork would stay locked in the child for ever.
/// A child still silent after `limit` is killed (`failure.timedOut`).
std::optional<std::string> ReadApart(const std::function<std::string()>& read, NoAnswer& failure,
                                     std::chrono::milliseconds limit = std::chrono::seconds(20));

}  // namespace quorvan
