#include "output_file.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>
#include <vector>

#include "temporary_files.h"

namespace quorvan::batch {

namespace fs = std::filesystem;

namespace {

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

// A stdio stream that failed may have lost its errno on the way; a full
// file system is by far the likeliest cause, and statvfs can tell.
int StreamErrno(std::FILE* file, int err) {
  if (err != 0 && err != EINTR) return err;
  struct statvfs vfs {};
  if (::fstatvfs(::fileno(file), &vfs) == 0 && vfs.f_bavail == 0) return ENOSPC;
  return err != 0 ? err : EIO;
}

}  // namespace

std::string WriteFailure(const std::string& path, int err) {
  std::string reason = std::strerror(err);
  if (!reason.empty() && reason[0] >= 'A' && reason[0] <= 'Z' && (reason.size() < 2 || reason[1] > 'Z')) {
    reason[0] = static_cast<char>(reason[0] - 'A' + 'a');
  }
  return "cannot write '" + path + "': " + reason;
}

std::string ThroughLinks(const std::string& path) {
  fs::path at(path);
  for (int hop = 0; hop < 40; ++hop) {
    std::error_code ec;
    if (!fs::is_symlink(fs::symlink_status(at, ec)) || ec) return at.string();
    const fs::path next = fs::read_symlink(at, ec);
    if (ec) return at.string();
    at = next.is_absolute() ? next : at.parent_path() / next;
  }
  return at.string();  // a loop of links: open() reports it
}

std::string OutputFile::Failure(int err) const { return WriteFailure(path_, err); }

OutputFile::~OutputFile() {
  if (!committed_) Discard();
}

void OutputFile::Discard() {
  if (file_) std::fclose(file_);
  file_ = nullptr;
  if (!direct_ && !writePath_.empty()) ::unlink(writePath_.c_str());
  ForgetTemporaryFile(slot_);
  slot_ = -1;
  writePath_.clear();
}

bool OutputFile::Open(const std::string& path, std::string& error, Needs needs) {
  path_ = path;
  target_ = ThroughLinks(path);

  struct stat st {};
  const bool exists = ::stat(target_.c_str(), &st) == 0;
  if (exists && !S_ISREG(st.st_mode)) {
    if (S_ISDIR(st.st_mode)) {
      error = "cannot write '" + path + "': it is a folder";
      return false;
    }
    if (needs == Needs::kRegularFile) {
      error = "cannot write '" + path + "': it is no regular file (a device, pipe or socket), and this format needs one";
      return false;
    }
    direct_ = true;
    writePath_ = target_;
    file_ = std::fopen(writePath_.c_str(), "wb");
    if (!file_) {
      error = Failure(errno);
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
  InstallTemporaryFileCleanup();  // before the file exists, so that no signal can miss it
  const int fd = ::mkstemp(name.data());
  if (fd < 0) {
    error = Failure(errno);
    return false;
  }
  writePath_ = name.data();
  slot_ = RegisterTemporaryFile(writePath_.c_str());
  // Keep a replaced file's permissions; a new file gets fopen's.
  ::fchmod(fd, exists ? (st.st_mode & 07777) : NewFileMode());
  file_ = ::fdopen(fd, "wb");
  if (!file_) {
    error = Failure(errno);
    ::close(fd);
    Discard();
    return false;
  }
  return true;
}

bool OutputFile::Write(std::string_view data) {
  if (data.empty()) return writeErrno_ == 0;
  errno = 0;
  if (std::fwrite(data.data(), 1, data.size(), file_) == data.size()) return true;
  if (writeErrno_ == 0) writeErrno_ = StreamErrno(file_, errno);
  return false;
}

bool OutputFile::Finish(std::string& error) {
  errno = 0;
  const bool flushed = std::fflush(file_) == 0 && !std::ferror(file_);
  int err = flushed ? 0 : StreamErrno(file_, errno);
  if (flushed && !direct_ && ::fsync(::fileno(file_)) != 0) err = errno;
  if (writeErrno_ != 0) err = writeErrno_;
  errno = 0;
  if (std::fclose(file_) != 0 && err == 0) err = errno != 0 ? errno : EIO;
  file_ = nullptr;
  if (err != 0) {
    error = Failure(err);
    Discard();
    return false;
  }
  return true;
}

bool OutputFile::Rename(std::string& error) {
  if (!direct_ && std::rename(writePath_.c_str(), target_.c_str()) != 0) {
    error = Failure(errno);
    Discard();
    return false;
  }
  ForgetTemporaryFile(slot_);
  slot_ = -1;
  committed_ = true;
  return true;
}

}  // namespace quorvan::batch
