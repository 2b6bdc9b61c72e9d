#include "read_apart.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string.h>

namespace quorvan {

namespace {

// The answer starts with this byte, so that a child that died before it
// wrote anything is told apart from one that answered "all well".
constexpr char kAnswer = 'A';

bool WriteAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

[[noreturn]] void Child(int fd, const std::function<std::string()>& read) {
  // A crash here is expected now and then: no core file, and no report on
  // the parent's stderr (a sanitizer's would look like the parent's own).
  const rlimit none{0, 0};
  ::setrlimit(RLIMIT_CORE, &none);
  if (const int null = ::open("/dev/null", O_WRONLY); null >= 0) ::dup2(null, STDERR_FILENO);
  std::string answer(1, kAnswer);
  try {
    answer += read();
  } catch (...) {
    ::_exit(3);
  }
  ::_exit(WriteAll(fd, answer.data(), answer.size()) ? 0 : 4);
}

}  // namespace

std::optional<std::string> ReadApart(const std::function<std::string()>& read, NoAnswer& failure,
                                     std::chrono::milliseconds limit) {
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) {
    failure = {false, std::strerror(errno)};
    return std::nullopt;
  }
  const pid_t pid = ::fork();
  if (pid < 0) {
    failure = {false, std::strerror(errno)};
    ::close(fds[0]);
    ::close(fds[1]);
    return std::nullopt;
  }
  if (pid == 0) {
    ::close(fds[0]);
    Child(fds[1], read);
  }
  ::close(fds[1]);
  std::string answer;
  char buffer[4096];
  const auto deadline = std::chrono::steady_clock::now() + limit;
  bool timedOut = false;
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    pollfd ready{fds[0], POLLIN, 0};
    const int polled = ::poll(&ready, 1, static_cast<int>(std::max<int64_t>(left.count(), 0)));
    if (polled < 0 && errno == EINTR) continue;
    if (polled == 0) {
      timedOut = true;
      ::kill(pid, SIGKILL);
      break;
    }
    const ssize_t n = ::read(fds[0], buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    answer.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(fds[0]);
  int status = 0;
  pid_t waited;
  do {
    waited = ::waitpid(pid, &status, 0);
  } while (waited < 0 && errno == EINTR);
  // A parent that ignores SIGCHLD cannot wait: the answer alone decides.
  const bool exited = waited < 0 ? errno == ECHILD : WIFEXITED(status) && WEXITSTATUS(status) == 0;
  if (!timedOut && exited && !answer.empty() && answer.front() == kAnswer) return answer.substr(1);
  failure.started = true;
  failure.timedOut = timedOut;
  if (timedOut) {
    failure.how = "no answer in time";
    return std::nullopt;
  }
  if (waited == pid && WIFSIGNALED(status)) {
    const int sig = WTERMSIG(status);
    const char* name = ::sigabbrev_np(sig);
    failure.how = name ? std::string("SIG") + name : "signal " + std::to_string(sig);
  } else if (waited == pid && WIFEXITED(status)) {
    failure.how = "exit status " + std::to_string(WEXITSTATUS(status));
  } else {
    failure.how = "no answer";
  }
  return std::nullopt;
}

}  // namespace quorvan
