#pragma once
// The movie formats, told by the file name's extension.

#include <optional>
#include <string>

namespace quorvan::movie {

enum class MovieFormat {
  Mp4,   ///< .mp4: H.264 (libx264), yuv420p
  WebM,  ///< .webm: VP9 (libvpx-vp9), yuv420p
  Gif,   ///< .gif: a palette of 256 colours
};

/// The format of a movie file name, by its extension (any case); none for
/// another extension.
std::optional<MovieFormat> FormatOfPath(const std::string& path);

/// The extensions, for messages: ".mp4, .webm or .gif".
const char* MovieExtensions();

}  // namespace quorvan::movie
