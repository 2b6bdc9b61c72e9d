#include "sweep_progress.h"

#include <unistd.h>

namespace quorvan::batch {

namespace {

std::string Clock(double seconds) {
  const auto s = static_cast<long long>(seconds + 0.5);
  char buf[32];
  if (s >= 3600) {
    std::snprintf(buf, sizeof buf, "%lld:%02lld:%02lld", s / 3600, s / 60 % 60, s % 60);
  } else {
    std::snprintf(buf, sizeof buf, "%lld:%02lld", s / 60, s % 60);
  }
  return buf;
}

}  // namespace

Progress::Style Progress::ForStderr(bool quiet) {
  if (quiet) return Style::Quiet;
  return ::isatty(STDERR_FILENO) ? Style::Bar : Style::Lines;
}

Progress::Progress(int64_t total, int64_t alreadyDone, Style style, std::FILE* out)
    : total_(total), before_(alreadyDone), style_(style), out_(out), tenthsShown_(total > 0 ? alreadyDone * 10 / total : 10) {}

std::string Progress::Rates(int64_t doneHere) const {
  const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
  if (doneHere <= 0 || elapsed <= 0) return "";
  const double rate = static_cast<double>(doneHere) / elapsed;
  char buf[96];
  std::snprintf(buf, sizeof buf, "%.2f runs/s, %s left", rate,
                Clock(static_cast<double>(total_ - before_ - doneHere) / rate).c_str());
  return buf;
}

void Progress::Update(int64_t doneHere, const std::string& current) {
  const int64_t done = before_ + doneHere;
  if (style_ == Style::Bar) {
    constexpr int kWidth = 24;
    const int filled = total_ > 0 ? static_cast<int>(done * kWidth / total_) : kWidth;
    std::string bar(static_cast<std::size_t>(filled), '#');
    bar.resize(kWidth, '.');
    const std::string rates = Rates(doneHere);
    std::fprintf(out_, "\r\033[K[%s] %lld/%lld runs%s%s  %s", bar.c_str(), static_cast<long long>(done),
                 static_cast<long long>(total_), rates.empty() ? "" : "  ", rates.c_str(), current.c_str());
    std::fflush(out_);
    drawn_ = true;
  } else if (style_ == Style::Lines && total_ > 0) {
    const int64_t tenths = done * 10 / total_;
    if (tenths <= tenthsShown_) return;
    tenthsShown_ = tenths;
    const std::string rates = Rates(doneHere);
    std::fprintf(out_, "quorvan-batch: %lld/%lld runs (%lld%%)%s%s\n", static_cast<long long>(done),
                 static_cast<long long>(total_), static_cast<long long>(done * 100 / total_),
                 rates.empty() ? "" : ", ", rates.c_str());
    std::fflush(out_);
  }
}

void Progress::Finish() {
  if (drawn_) std::fputc('\n', out_);
  drawn_ = false;
}

}  // namespace quorvan::batch
