#include "recording_options.h"

#include <CLI/CLI.hpp>

#include <limits>

#include "movie_format.h"
#include "settings.h"

namespace quorvan::batch {

namespace {

CLI::Validator Whole(int32_t lo, int32_t hi) {
  return CLI::Validator(
      [lo, hi](std::string& text) -> std::string {
        const Converted<int32_t> value = TextToInt(text);
        if (!value || *value < lo || *value > hi) {
          return "'" + text + "' is not a whole number from " + std::to_string(lo) + " to " + std::to_string(hi);
        }
        return {};
      },
      "", "Whole");
}

CLI::Validator FileName(bool movie) {
  return CLI::Validator(
      [movie](std::string& text) -> std::string {
        if (text.empty()) return "the name is empty";
        if (movie && !movie::FormatOfPath(text)) {
          return "'" + text + "' must end in " + std::string(movie::MovieExtensions());
        }
        return {};
      },
      "", "FileName");
}

}  // namespace

void AddRecordingOptions(CLI::App& app, RecordingOptions& o) {
  constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
  app.add_option("--movie", o.moviePath, "Record the panel as a movie: .mp4 (H.264), .webm (VP9) or .gif")
      ->type_name("FILE")
      ->check(FileName(true));
  app.add_option("--frame-every", o.frameEvery, "Steps per frame of --movie and --frames")
      ->capture_default_str()
      ->check(Whole(1, kMax));
  app.add_option("--fps", o.fps, "Frames per second of --movie, 1..120")->capture_default_str()->check(Whole(1, 120));
  app.add_option_function<std::string>(
         "--caption", [&o](const std::string& value) { o.caption = value != "none"; },
         "none: no caption strip (step, seed, settings) under the movie's frames")
      ->type_name("none")
      ->check(CLI::IsMember({"none", "on"}));
  app.add_option("--frames", o.framesDir, "Write each frame, without caption, as DIR/frame-<step>.png")
      ->type_name("DIR")
      ->check(FileName(false));
  app.add_option("--fields", o.fieldsPath,
                 "Record the trails, agents and returns as HDF5 (netCDF-4 layout); in a sweep, without FILE: one "
                 "file per run in DIR/fields/")
      ->type_name("FILE.h5")
      ->expected(0, 1)
      ->check(FileName(false));
  app.add_option("--fields-every", o.fieldsEvery, "Steps per snapshot of --fields")
      ->capture_default_str()
      ->check(Whole(1, kMax));
}

}  // namespace quorvan::batch
