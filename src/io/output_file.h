#pragma once
// An output of the batch runner, written so that a failure loses nothing.
//
// A file is written under a temporary name in its target's own folder and
// renamed over the target only by Rename(), once the whole run has
// succeeded; until then, and on any failure, whatever was at the target
// stays byte for byte as it was. A symbolic link is written through: the
// file it points to is replaced, the link stays. A target that exists and is
// no regular file (a device such as /dev/null, a pipe) is written straight
// into, since there is nothing there to keep.

#include <cstdio>
#include <string>

namespace quorvan::batch {

class OutputFile {
 public:
  OutputFile() = default;
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;
  /// Closes and removes the temporary file unless Rename() succeeded.
  ~OutputFile();

  /// Creates the temporary file for `path`. False, with a message naming
  /// the path, when it cannot be made.
  bool Open(const std::string& path, std::string& error);

  /// The open file to write to.
  std::FILE* File() const { return file_; }
  /// Where the data goes until Rename(): the temporary file, or the target
  /// itself when that is no regular file.
  const std::string& WritePath() const { return writePath_; }

  /// Flushes the file to disk and closes it. False, with a message, on any
  /// write error; the target is then untouched.
  bool Finish(std::string& error);
  /// Renames the finished file over the target. A run finishes every
  /// output before it renames any, so that one output's write error
  /// leaves the others' targets untouched too.
  bool Rename(std::string& error);

 private:
  void Discard();

  std::string path_;       // as given, for messages
  std::string target_;     // the file to replace (a link's target)
  std::string writePath_;  // temporary or direct
  std::FILE* file_ = nullptr;
  bool direct_ = false;
  bool committed_ = false;
};

}  // namespace quorvan::batch
