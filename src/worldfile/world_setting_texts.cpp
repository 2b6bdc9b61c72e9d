#include "world_setting_texts.h"

#include "json_text.h"

namespace quorvan {

namespace {

// The conversion's message with its quoted text shown safely.
template <typename T>
std::string Failure(const std::string& path, const char* name, const std::string& text, const Converted<T>& value) {
  std::string error = value.error;
  const std::string quoted = "'" + text + "'";
  if (const auto at = error.find(quoted); at != std::string::npos) {
    error.replace(at, quoted.size(), "'" + batch::PrintableText(text) + "'");
  } else {
    error = "'" + batch::PrintableText(text) + "': " + error;
  }
  return path + ": attribute '/settings/" + name + "': " + error;
}

}  // namespace

std::string CheckStepTexts(const std::string& path, const Settings& s) {
  if (const auto noise = TextToRoundedInt(s.E_noise); !noise) return Failure(path, "E_noise", s.E_noise, noise);
  if (const auto consume = TextToDouble(s.E_CProbab); !consume) {
    return Failure(path, "E_CProbab", s.E_CProbab, consume);
  }
  if (s.CB_decay) {
    if (const auto rate = TextToDouble(s.E_decay); !rate) return Failure(path, "E_decay", s.E_decay, rate);
  }
  return {};
}

}  // namespace quorvan
