#include "frame_folder.h"

#include <QBuffer>
#include <QByteArray>
#include <QImageWriter>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <vector>

#include <stdlib.h>

namespace quorvan::movie {

namespace fs = std::filesystem;

FrameFolder::~FrameFolder() {
  if (!committed_ && !temp_.empty()) {
    std::error_code ec;
    fs::remove_all(temp_, ec);
  }
}

std::string FrameFolder::FileName(int32_t step) {
  char name[32];
  std::snprintf(name, sizeof name, "frame-%06d.png", step);
  return name;
}

bool FrameFolder::Open(const std::string& dir, std::string& error) {
  dir_ = dir;
  std::error_code ec;
  const fs::file_status status = fs::status(dir, ec);
  if (fs::exists(status) && !fs::is_directory(status)) {
    error = "cannot write frames into '" + dir + "': it is no folder";
    return false;
  }
  fs::path target(dir);
  if (!target.has_filename()) target = target.parent_path();  // "frames/"
  const fs::path parent = target.has_parent_path() ? target.parent_path() : fs::path(".");
  std::string pattern = (parent / ("." + target.filename().string() + ".tmp-XXXXXX")).string();
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  if (::mkdtemp(name.data()) == nullptr) {
    error = "cannot write frames into '" + dir + "': " + std::strerror(errno);
    return false;
  }
  temp_ = name.data();
  return true;
}

std::string FrameFolder::PathOf(int32_t step) const { return (fs::path(temp_) / FileName(step)).string(); }

bool FrameFolder::WritePng(int32_t step, const QImage& picture, std::string& error) const {
  const std::string path = PathOf(step);
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  QImageWriter writer(&buffer, "png");
  if (!writer.write(picture)) {
    error = "cannot write frames into '" + dir_ + "': " + writer.errorString().toStdString();
    return false;
  }
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) {
    error = "cannot write frames into '" + dir_ + "': " + std::strerror(errno);
    return false;
  }
  const std::size_t size = static_cast<std::size_t>(bytes.size());
  const bool written = std::fwrite(bytes.constData(), 1, size, file) == size && std::fflush(file) == 0;
  const int reason = errno;
  const bool closed = std::fclose(file) == 0;
  if (!written || !closed) {
    error = "cannot write frames into '" + dir_ + "': " + std::strerror(written ? errno : reason);
    return false;
  }
  return true;
}

bool FrameFolder::Commit(std::string& error) {
  std::error_code ec;
  if (!fs::exists(dir_, ec)) {
    fs::permissions(temp_, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                               fs::perms::others_read | fs::perms::others_exec, ec);
    if (std::rename(temp_.c_str(), dir_.c_str()) != 0) {
      error = "cannot write frames into '" + dir_ + "': " + std::strerror(errno);
      return false;
    }
  } else {
    for (const fs::directory_entry& entry : fs::directory_iterator(temp_, ec)) {
      const fs::path to = fs::path(dir_) / entry.path().filename();
      if (std::rename(entry.path().c_str(), to.c_str()) != 0) {
        error = "cannot write frames into '" + dir_ + "': " + std::strerror(errno);
        return false;
      }
    }
    if (ec) {
      error = "cannot write frames into '" + dir_ + "': " + ec.message();
      return false;
    }
    fs::remove(temp_, ec);
  }
  committed_ = true;
  return true;
}

}  // namespace quorvan::movie
