#include "settings.h"

#include <charconv>
#include <cmath>
#include <string>

#include "numerics.h"

namespace quorvan {

namespace {

std::string_view Trim(std::string_view s) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
  while (!s.empty() && blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && blank(s.back())) s.remove_suffix(1);
  return s;
}

}  // namespace

std::string FormatMessage(std::string_view message, std::string_view text) {
  std::string out(message);
  if (const auto at = out.find("%s"); at != std::string::npos) out.replace(at, 2, text);
  return out;
}

Converted<int32_t> TextToInt(std::string_view text) {
  std::string_view s = Trim(text);
  // from_chars takes no '+' of its own; one sign only, so "+-5" is no number.
  if (s.size() > 1 && s.front() == '+' && s[1] != '-') s.remove_prefix(1);
  int32_t value = 0;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
  if (s.empty() || ec != std::errc() || end != s.data() + s.size()) {
    return {std::nullopt, FormatMessage(kInvalidInteger, text)};
  }
  return {value, {}};
}

Converted<long double> TextToReal(std::string_view text) {
  std::string s(Trim(text));
  // Either separator is a decimal separator; there may be only one.
  std::size_t separators = 0;
  for (char& c : s) {
    if (c == ',' || c == '.') {
      c = '.';
      ++separators;
    }
  }
  std::string_view digits = s;
  if (digits.size() > 1 && digits.front() == '+' && digits[1] != '-') digits.remove_prefix(1);
  long double value = 0.0L;
  const auto [end, ec] =
      std::from_chars(digits.data(), digits.data() + digits.size(), value, std::chars_format::general);
  const bool startsLikeNumber =
      !digits.empty() && (std::isdigit(static_cast<unsigned char>(digits.front())) || digits.front() == '.' ||
                          digits.front() == '-');
  if (separators > 1 || !startsLikeNumber || ec != std::errc() || end != digits.data() + digits.size() ||
      !std::isfinite(value)) {
    return {std::nullopt, FormatMessage(kInvalidFloat, text)};
  }
  return {value, {}};
}

Converted<double> TextToDouble(std::string_view text) {
  const auto real = TextToReal(text);
  if (!real) return {std::nullopt, real.error};
  const auto value = static_cast<double>(*real);
  if (!std::isfinite(value)) return {std::nullopt, FormatMessage(kInvalidFloat, text)};
  return {value, {}};
}

Converted<int32_t> TextToRoundedInt(std::string_view text) {
  auto real = TextToReal(text);
  if (!real) return {std::nullopt, real.error};
  if (const auto rounded = RoundToInt32(*real)) return {*rounded, {}};
  return {std::nullopt, std::string(kInvalidOperation)};
}

std::string IntToText(int64_t value) { return std::to_string(value); }

}  // namespace quorvan
