#include "json_text.h"

#include <cstdint>

namespace quorvan::batch {

namespace {

// The length of the valid UTF-8 sequence at `at`, or 0 when the byte there
// starts none (overlong forms, surrogates and code points past U+10FFFF are
// not valid).
std::size_t SequenceLength(std::string_view s, std::size_t at) {
  const auto byte = [&](std::size_t i) { return static_cast<uint8_t>(s[i]); };
  const uint8_t b = byte(at);
  if (b < 0x80) return 1;
  std::size_t n;
  uint8_t low = 0x80, high = 0xbf;  // the range of the second byte
  if (b >= 0xc2 && b <= 0xdf) {
    n = 2;
  } else if (b >= 0xe0 && b <= 0xef) {
    n = 3;
    if (b == 0xe0) low = 0xa0;
    if (b == 0xed) high = 0x9f;
  } else if (b >= 0xf0 && b <= 0xf4) {
    n = 4;
    if (b == 0xf0) low = 0x90;
    if (b == 0xf4) high = 0x8f;
  } else {
    return 0;
  }
  if (at + n > s.size() || byte(at + 1) < low || byte(at + 1) > high) return 0;
  for (std::size_t i = 2; i < n; ++i) {
    if (byte(at + i) < 0x80 || byte(at + i) > 0xbf) return 0;
  }
  return n;
}

bool IsHex(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

int HexValue(char c) { return c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10; }

// Does `s` hold `\xNN` at `at`?
bool EscapeAt(std::string_view s, std::size_t at) {
  return at + 4 <= s.size() && s[at] == '\\' && s[at + 1] == 'x' && IsHex(s[at + 2]) && IsHex(s[at + 3]);
}

void AppendEscaped(std::string& out, uint8_t b) {
  static constexpr char kHex[] = "0123456789abcdef";
  out += "\\x";
  out += kHex[b >> 4];
  out += kHex[b & 0xf];
}

std::string Escape(std::string_view text, bool controls) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t n = SequenceLength(text, i);
    const auto b = static_cast<uint8_t>(text[i]);
    if (n == 0 || (controls && (b < 0x20 || b == 0x7f))) {
      AppendEscaped(out, b);
      ++i;
      continue;
    }
    // A backslash that would read back as the start of an escape is itself
    // escaped: before `xNN`, and before a byte that becomes `\xNN`.
    if (b == '\\' && (EscapeAt(text, i) || (i + 1 < text.size() && SequenceLength(text, i + 1) == 0))) {
      AppendEscaped(out, b);
    } else {
      out.append(text.substr(i, n));
    }
    i += n;
  }
  return out;
}

}  // namespace

std::string JsonText(std::string_view text) { return Escape(text, false); }

std::string PrintableText(std::string_view text) { return Escape(text, true); }

std::string TextFromJson(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    if (EscapeAt(text, i)) {
      out += static_cast<char>(HexValue(text[i + 2]) * 16 + HexValue(text[i + 3]));
      i += 4;
    } else {
      out += text[i++];
    }
  }
  return out;
}

std::vector<std::string> JsonTexts(const std::vector<std::string>& texts) {
  std::vector<std::string> out;
  out.reserve(texts.size());
  for (const std::string& t : texts) out.push_back(JsonText(t));
  return out;
}

std::vector<std::string> TextsFromJson(const std::vector<std::string>& texts) {
  std::vector<std::string> out;
  out.reserve(texts.size());
  for (const std::string& t : texts) out.push_back(TextFromJson(t));
  return out;
}

}  // namespace quorvan::batch
