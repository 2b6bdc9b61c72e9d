#pragma once
// Writes pictures into a movie file with FFmpeg's libraries: H.264 in MP4,
// VP9 in WebM, or a GIF, chosen by the file's extension.
//
// The movie is written under a temporary name in its target's folder
// (OutputFile) and renamed over the target only by Rename(), once Finish()
// has written the whole file: a failure (a full disk) leaves no
// half-written movie, and whatever was at the target stays as it was.
// An encoder is used from one thread at a time; MovieRecorder runs it on a
// thread of its own.

#include <QImage>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "movie_format.h"

namespace quorvan::movie {

struct MovieSettings {
  int width = 0;   ///< of every frame, in pixels: even for MP4 and WebM
  int height = 0;
  int fps = 30;    ///< frames per second, 1..120
  /// Colours (0xRRGGBB) that a GIF's palette holds exactly.
  std::vector<uint32_t> exactColours;
};

class MovieEncoder {
 public:
  MovieEncoder();
  ~MovieEncoder();
  MovieEncoder(const MovieEncoder&) = delete;
  MovieEncoder& operator=(const MovieEncoder&) = delete;

  /// Creates the temporary file for `path` and sets up the container and
  /// the codec of its extension. False, with a message naming the path.
  bool Open(const std::string& path, const MovieSettings& settings, std::string& error);
  /// Encodes one frame of the opened size (a picture of another size is
  /// scaled). False, with a message, when it cannot be written.
  bool Add(const QImage& picture, std::string& error);
  /// Flushes the codec, writes the container's end and syncs the file.
  bool Finish(std::string& error);
  /// Renames the finished movie over its target.
  bool Rename(std::string& error);

  /// Frames added so far.
  int64_t Frames() const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace quorvan::movie
