#pragma once
// The progress of a sweep on stderr: a bar redrawn in place on a terminal,
// one line per tenth of the sweep otherwise, nothing when quiet.

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

namespace quorvan::batch {

class Progress {
 public:
  enum class Style { Quiet, Bar, Lines };
  /// The style for stderr: a bar on a terminal, lines otherwise.
  static Style ForStderr(bool quiet);

  /// `total` runs, of which `alreadyDone` were finished before this session.
  Progress(int64_t total, int64_t alreadyDone, Style style, std::FILE* out = stderr);
  /// `doneHere` runs finished in this session; `current` names what runs now.
  void Update(int64_t doneHere, const std::string& current);
  /// Ends the bar's line.
  void Finish();

 private:
  std::string Rates(int64_t doneHere) const;

  int64_t total_;
  int64_t before_;
  Style style_;
  std::FILE* out_;
  int64_t tenthsShown_;
  bool drawn_ = false;
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

}  // namespace quorvan::batch
