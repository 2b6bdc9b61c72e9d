#pragma once
// Names in JSON records. A file name is bytes, and JSON text is UTF-8: a
// name that is not valid UTF-8 (a Latin-1 folder, a stray byte) must still
// be recorded, visibly and without loss, and never abort the writer.

#include <string>
#include <string_view>
#include <vector>

namespace quorvan::batch {

/// `text` as valid UTF-8 for a JSON record: every byte that is not part of
/// a valid UTF-8 sequence becomes the four characters `\xNN` (two lower-case
/// hex digits), so that `o\xff` reads as such in the record. Valid text comes
/// back unchanged, except for a backslash that would read back as the start
/// of such an escape (one followed by `x` and two hex digits, or by an
/// invalid byte): it becomes `\x5c`. So TextFromJson gives back exactly the
/// bytes that were recorded.
std::string JsonText(std::string_view text);
std::vector<std::string> JsonTexts(const std::vector<std::string>& texts);

/// The bytes that JsonText recorded.
std::string TextFromJson(std::string_view text);
std::vector<std::string> TextsFromJson(const std::vector<std::string>& texts);

/// `text` for a message on a terminal: as JsonText, and control characters
/// (a newline, an escape sequence) also become `\xNN`.
std::string PrintableText(std::string_view text);

}  // namespace quorvan::batch
