#include "temporary_files.h"

#include <atomic>
#include <csignal>
#include <cstring>
#include <mutex>
#include <unistd.h>

namespace quorvan::batch {

namespace {

// A fixed table, so that the handler needs no allocation and no lock: a
// slot is free (0), being filled (1) or holds a live file's path (2).
constexpr int kSlots = 256;
constexpr std::size_t kPathBytes = 4096;

struct Slot {
  std::atomic<int> state{0};
  char path[kPathBytes];
};

Slot gSlots[kSlots];

constexpr int kCleanedSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};

}  // namespace

extern "C" void RemoveTemporaryFilesAndDie(int signal) {
  RemoveTemporaryFiles();
  struct sigaction dfl {};
  dfl.sa_handler = SIG_DFL;
  sigemptyset(&dfl.sa_mask);
  sigaction(signal, &dfl, nullptr);
  raise(signal);  // delivered, by the default action, once this handler returns
}

void InstallTemporaryFileCleanup() {
  static std::once_flag once;
  std::call_once(once, [] {
    for (const int sig : kCleanedSignals) {
      struct sigaction old {};
      if (sigaction(sig, nullptr, &old) != 0 || (old.sa_flags & SA_SIGINFO) != 0 || old.sa_handler != SIG_DFL) {
        continue;
      }
      struct sigaction act {};
      act.sa_handler = RemoveTemporaryFilesAndDie;
      sigemptyset(&act.sa_mask);
      sigaction(sig, &act, nullptr);
    }
  });
}

int RegisterTemporaryFile(const char* path) {
  InstallTemporaryFileCleanup();
  const std::size_t length = std::strlen(path);
  if (length >= kPathBytes) return -1;
  for (int i = 0; i < kSlots; ++i) {
    int expected = 0;
    if (gSlots[i].state.compare_exchange_strong(expected, 1)) {
      std::memcpy(gSlots[i].path, path, length + 1);
      gSlots[i].state.store(2);
      return i;
    }
  }
  return -1;
}

void ForgetTemporaryFile(int slot) {
  if (slot >= 0 && slot < kSlots) gSlots[slot].state.store(0);
}

void RemoveTemporaryFiles() {
  for (Slot& s : gSlots) {
    if (s.state.load() == 2) ::unlink(s.path);
  }
}

}  // namespace quorvan::batch
