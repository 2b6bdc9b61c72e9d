#pragma once
// A file written so that a failure loses nothing: the one way the programs
// write their outputs.
//
// A file is written under a temporary name in its target's own folder,
// flushed and synced, and renamed over the target only by Rename(), once
// the whole output has succeeded; until then, and on any failure, whatever
// was at the target stays byte for byte as it was, and the temporary file
// goes. A replaced file keeps its permissions. A symbolic link, dangling or
// not, is written through: the file it names is replaced (or made), the
// link stays. A target that exists and is no regular file (a device such as
// /dev/null, a pipe) is written straight into, since there is nothing there
// to keep, unless the caller needs a regular file (a format that seeks, such
// as HDF5), which such a target is then refused for. A signal that ends the
// program (SIGINT, SIGTERM, SIGHUP, or a crash) removes the temporary files
// still open; see temporary_files.h.

#include <cstdio>
#include <string>
#include <string_view>

namespace quorvan::batch {

class OutputFile {
 public:
  /// What the format needs of its target.
  enum class Needs {
    kStream,       ///< written front to back: a device or pipe is written into
    kRegularFile,  ///< seeks or is written by name: a device or pipe is refused
  };

  OutputFile() = default;
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;
  /// Closes and removes the temporary file unless Rename() succeeded.
  ~OutputFile();

  /// Creates the temporary file for `path`. False, with a message naming
  /// the path, when it cannot be made or the target cannot take the format.
  bool Open(const std::string& path, std::string& error, Needs needs = Needs::kStream);

  /// The open file to write to.
  std::FILE* File() const { return file_; }
  /// Where the data goes until Rename(): the temporary file, or the target
  /// itself when that is no regular file. A format written by name (HDF5)
  /// writes here, with Needs::kRegularFile.
  const std::string& WritePath() const { return writePath_; }
  /// The file that Rename() replaces: the path given, or the file its link
  /// names.
  const std::string& TargetPath() const { return target_; }

  /// Writes `data`; false on failure, whose reason Finish() reports.
  bool Write(std::string_view data);

  /// Flushes the file to disk and closes it. False, with a message naming
  /// the file and the reason ("no space left on device"), on any write
  /// error; the target is then untouched.
  bool Finish(std::string& error);
  /// Renames the finished file over the target. A run finishes every
  /// output before it renames any, so that one output's write error
  /// leaves the others' targets untouched too.
  bool Rename(std::string& error);

 private:
  void Discard();
  std::string Failure(int err) const;

  std::string path_;       // as given, for messages
  std::string target_;     // the file to replace (a link's target)
  std::string writePath_;  // temporary or direct
  std::FILE* file_ = nullptr;
  int slot_ = -1;          // in the registry of temporary files
  int writeErrno_ = 0;     // the first failed Write()'s reason
  bool direct_ = false;
  bool committed_ = false;
};

/// "cannot write 'PATH': REASON" with the system's reason for `err` in
/// lower case ("no space left on device").
std::string WriteFailure(const std::string& path, int err);

/// Resolves the links at `path`, dangling ones too, to the file they name
/// (which need not exist). A path that is no link comes back as it is.
std::string ThroughLinks(const std::string& path);

}  // namespace quorvan::batch
