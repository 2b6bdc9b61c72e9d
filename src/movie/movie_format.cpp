#include "movie_format.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

namespace quorvan::movie {

std::optional<MovieFormat> FormatOfPath(const std::string& path) {
  std::string ext = std::filesystem::path(path).extension().string();
  std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (ext == ".mp4") return MovieFormat::Mp4;
  if (ext == ".webm") return MovieFormat::WebM;
  if (ext == ".gif") return MovieFormat::Gif;
  return std::nullopt;
}

const char* MovieExtensions() { return ".mp4, .webm or .gif"; }

}  // namespace quorvan::movie
