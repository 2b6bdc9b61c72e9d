#pragma once
// The kinds of value quorvan-batch reads, one parser each, for the command
// line, experiment files and sweep plans alike. Every refusal names where the
// value came from ("--agents", or "e.toml: 'agents'"), the value as written
// and what would have been accepted.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quorvan::batch {

/// A value read from a text, or the message saying why there is none.
template <typename T>
struct Parsed {
  std::optional<T> value;
  std::string error;
  explicit operator bool() const { return value.has_value(); }
  const T& operator*() const { return *value; }
  const T* operator->() const { return &*value; }
};

/// A real as it was written (the model converts the text itself, as the
/// window's edit boxes do, with a decimal comma or point) and its value.
struct RealText {
  double value = 0.0;
  std::string text;
  friend bool operator==(const RealText&, const RealText&) = default;
};

/// How a real is taken: as a double, or rounded half-to-even to 32 bits.
enum class RealUse { Double, Rounded };

/// A whole number from lo to hi: decimal digits with an optional sign and
/// blanks around them (no "0x5", no "12.5", no "1e3").
Parsed<int64_t> ParseWhole(std::string_view where, std::string_view text, int64_t lo, int64_t hi);

/// A real with a decimal comma or point and an optional exponent, finite,
/// and for RealUse::Rounded within 32 bits once rounded.
Parsed<RealText> ParseReal(std::string_view where, std::string_view text, RealUse use = RealUse::Double);

/// A seed: decimal digits only, 0 to 2^64-1 (a sign would wrap around).
Parsed<uint64_t> ParseSeed(std::string_view where, std::string_view text);

/// One of `names`: its index.
Parsed<std::size_t> ParseName(std::string_view where, std::string_view text, std::span<const std::string_view> names);

/// How a setting's values are written and expanded.
enum class ValueKind {
  Whole,  ///< whole numbers: lists and ranges
  Real,   ///< reals: lists and ranges; a text that is one number (0,95) stays one value
  Name,   ///< names or file names: lists only
};

/// The values a text stands for, or an error naming where and the text.
struct ValueList {
  std::vector<std::string> values;
  std::string error;
};

/// Expands a list "a,b,c" or a range "first:last:step" (0:180:20 gives 0,
/// 20, ..., 180; the last value is included when the steps reach it). The
/// values keep their texts; each is read by its own parser afterwards.
ValueList ExpandValues(std::string_view where, std::string_view text, ValueKind kind);

/// Whether a text is written as several values (a list or a range), as
/// opposed to one value, good or bad.
bool IsSeveralValues(std::string_view text, ValueKind kind);

}  // namespace quorvan::batch
