#include "output_file.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace quorvan::batch {

namespace fs = std::filesystem;

namespace {

std::string Reason() { return std::strerror(errno); }

// The mode fopen would give a new file: 0666 less the process's umask.
// umask can only be read by setting it, so it is read once: a sweep opens
// files from several threads, and two of them reading it at once could
// leave the process with a umask of 0.
mode_t NewFileMode() {
  static const mode_t mode = [] {
    const mode_t mask = umask(0);
    umask(mask);
    return static_cast<mode_t>(0666 & ~mask);
  }();
  return mode;
}

}  // namespace

OutputFile::~OutputFile() {
  if (!committed_) Discard();
}

void OutputFile::Discard() {
  if (file_) std::fclose(file_);
  file_ = nullptr;
  if (!direct_ && !writePath_.empty()) ::unlink(writePath_.c_str());
  writePath_.clear();
}

bool OutputFile::Open(const std::string& path, std::string& error) {
  path_ = path;
  std::error_code ec;
  // A link is written through to the file it names.
  target_ = fs::is_symlink(fs::symlink_status(path, ec)) ? fs::weakly_canonical(path, ec).string() : path;
  if (ec) target_ = path;

  struct stat st {};
  if (::stat(target_.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
    if (S_ISDIR(st.st_mode)) {
      error = "cannot write '" + path + "': it is a folder";
      return false;
    }
    direct_ = true;
    writePath_ = target_;
    file_ = std::fopen(writePath_.c_str(), "wb");
    if (!file_) {
      error = "cannot write '" + path + "': " + Reason();
      writePath_.clear();
      return false;
    }
    return true;
  }

  const fs::path target(target_);
  const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
  std::string pattern = (folder / ("." + target.filename().string() + ".tmp-XXXXXX")).string();
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  const int fd = ::mkstemp(name.data());
  if (fd < 0) {
    error = "cannot write '" + path + "': " + Reason();
    return false;
  }
  writePath_ = name.data();
  // Keep a replaced file's permissions; a new file gets fopen's.
  ::fchmod(fd, ::stat(target_.c_str(), &st) == 0 ? (st.st_mode & 07777) : NewFileMode());
  file_ = ::fdopen(fd, "wb");
  if (!file_) {
    error = "cannot write '" + path + "': " + Reason();
    ::close(fd);
    Discard();
    return false;
  }
  return true;
}

bool OutputFile::Finish(std::string& error) {
  const bool written = std::fflush(file_) == 0 && !std::ferror(file_) && (direct_ || ::fsync(::fileno(file_)) == 0);
  const int savedErrno = errno;
  const bool closed = std::fclose(file_) == 0;
  file_ = nullptr;
  if (!written || !closed) {
    errno = written ? errno : savedErrno;
    error = "cannot write '" + path_ + "': " + Reason();
    Discard();
    return false;
  }
  return true;
}

bool OutputFile::Rename(std::string& error) {
  if (!direct_ && std::rename(writePath_.c_str(), target_.c_str()) != 0) {
    error = "cannot write '" + path_ + "': " + Reason();
    Discard();
    return false;
  }
  committed_ = true;
  return true;
}

}  // namespace quorvan::batch
