#pragma once
// Scratch folders and whole-file reads and writes for the tests that drive
// the programs' files.

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace quorvan::scratch {

namespace fs = std::filesystem;

/// A fresh, empty folder for one test: quorvan-KIND-NAME-PID in the temporary folder.
inline fs::path Folder(const std::string& kind, const std::string& name) {
  const fs::path dir = fs::temp_directory_path() / ("quorvan-" + kind + "-" + name + "-" + std::to_string(::getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  return dir;
}

/// The file's bytes (empty when it cannot be read).
inline std::string Read(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void Put(const fs::path& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

}  // namespace quorvan::scratch
