#pragma once
// A folder of numbered frame files, filled under a temporary name beside it
// and put in place by Commit() only once the run has succeeded: a failure
// leaves no partial set of frames, and a folder that was there already keeps
// every file that no new frame replaces.

#include <QImage>
#include <cstdint>
#include <string>

namespace quorvan::movie {

class FrameFolder {
 public:
  FrameFolder() = default;
  FrameFolder(const FrameFolder&) = delete;
  FrameFolder& operator=(const FrameFolder&) = delete;
  /// Removes the temporary folder and what it holds unless Commit() succeeded.
  ~FrameFolder();

  /// Makes the temporary folder for `dir`. False, with a message naming it.
  bool Open(const std::string& dir, std::string& error);
  /// Where the frame of `step` is written until Commit(): frame-<step>.png,
  /// the step with at least six digits.
  std::string PathOf(int32_t step) const;
  /// Writes `picture` as the PNG of `step` (as --png writes it), checking
  /// every write: a full disk is a failure, not a cut-off file.
  bool WritePng(int32_t step, const QImage& picture, std::string& error) const;
  /// Puts the frames in place: the temporary folder becomes `dir`, or, when
  /// `dir` exists, its frames are moved into it.
  bool Commit(std::string& error);

  /// The name of a frame file: frame-000120.png.
  static std::string FileName(int32_t step);

 private:
  std::string dir_;
  std::string temp_;
  bool committed_ = false;
};

}  // namespace quorvan::movie
