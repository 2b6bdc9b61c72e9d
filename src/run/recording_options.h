#pragma once
// The batch runner's recording options: a movie of the panel, its frames as
// PNG files, and a field history for analysis.

#include <cstdint>
#include <string>

namespace CLI {
class App;
}

namespace quorvan::batch {

struct RecordingOptions {
  std::string moviePath;      ///< --movie: .mp4, .webm or .gif (empty: no movie)
  int32_t frameEvery = 10;    ///< --frame-every: steps per frame
  int32_t fps = 30;           ///< --fps: frames per second of the movie, 1..120
  bool caption = true;        ///< off with --caption none
  std::string framesDir;      ///< --frames: the frames as numbered PNGs (empty: none)
  std::string fieldsPath;     ///< --fields: the field history (empty: none)
  int32_t fieldsEvery = 100;  ///< --fields-every: steps per snapshot

  bool Active() const { return !moviePath.empty() || !framesDir.empty() || !fieldsPath.empty(); }
};

/// Adds --movie, --frame-every, --fps, --caption, --frames, --fields and
/// --fields-every to the command line, each checked as it is parsed: a bad
/// value is a parse error naming the option and the value.
void AddRecordingOptions(CLI::App& app, RecordingOptions& options);

}  // namespace quorvan::batch
