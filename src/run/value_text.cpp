#include "value_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

#include "settings.h"

namespace quorvan::batch {

namespace {

// More values than this from one range is surely a typo.
constexpr int64_t kMaxRangeValues = 1'000'000;

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

std::string Quoted(std::string_view where, std::string_view text) {
  return std::string(where) + ": '" + std::string(text) + "'";
}

std::optional<int64_t> WholeOf(std::string_view s) {
  s = Trim(s);
  if (s.size() > 1 && s.front() == '+' && s[1] != '-') s.remove_prefix(1);
  int64_t v = 0;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (s.empty() || ec != std::errc() || end != s.data() + s.size()) return std::nullopt;
  return v;
}

// Digits after the decimal separator, so that a range of reals prints its
// values as the user wrote its ends (0.1:0.3:0.1 gives 0.2, not 0.30000000000000004).
int Decimals(std::string_view s) {
  const std::size_t at = s.find_first_of(".,");
  if (at == std::string_view::npos) return 0;
  const std::size_t end = s.find_first_of("eE", at);
  return static_cast<int>((end == std::string_view::npos ? s.size() : end) - at - 1);
}

std::vector<std::string> SplitList(std::string_view text) {
  std::vector<std::string> items;
  for (std::size_t from = 0;;) {
    const std::size_t comma = text.find(',', from);
    items.emplace_back(Trim(text.substr(from, comma == std::string_view::npos ? std::string_view::npos : comma - from)));
    if (comma == std::string_view::npos) break;
    from = comma + 1;
  }
  return items;
}

ValueList Range(std::string_view where, std::string_view text, ValueKind kind) {
  const std::size_t a = text.find(':');
  const std::size_t b = text.find(':', a + 1);
  if (b == std::string_view::npos || text.find(':', b + 1) != std::string_view::npos) {
    return {{}, Quoted(where, text) + " is not a range first:last:step"};
  }
  const std::string_view parts[3] = {text.substr(0, a), text.substr(a + 1, b - a - 1), text.substr(b + 1)};
  ValueList out;
  if (kind == ValueKind::Whole) {
    const auto first = WholeOf(parts[0]), last = WholeOf(parts[1]), step = WholeOf(parts[2]);
    if (!first || !last || !step) return {{}, Quoted(where, text) + " is not a range of whole numbers first:last:step"};
    if (*step <= 0) return {{}, Quoted(where, text) + ": the step must be greater than 0"};
    if (*first > *last) return {{}, Quoted(where, text) + ": the first value is greater than the last"};
    if ((*last - *first) / *step >= kMaxRangeValues) return {{}, Quoted(where, text) + ": too many values"};
    for (int64_t v = *first; v <= *last; v += *step) {
      out.values.push_back(std::to_string(v));
      if (*last - v < *step) break;
    }
    return out;
  }
  const auto first = TextToDouble(parts[0]), last = TextToDouble(parts[1]), step = TextToDouble(parts[2]);
  if (!first || !last || !step) return {{}, Quoted(where, text) + " is not a range of numbers first:last:step"};
  if (!(*step > 0)) return {{}, Quoted(where, text) + ": the step must be greater than 0"};
  if (*first > *last) return {{}, Quoted(where, text) + ": the first value is greater than the last"};
  // A hair of slack, so that 0.1:0.3:0.1 reaches 0.3 despite binary fractions.
  const double count = std::floor((*last - *first) / *step + 1e-9);
  if (count >= static_cast<double>(kMaxRangeValues)) return {{}, Quoted(where, text) + ": too many values"};
  const int decimals = std::max({Decimals(parts[0]), Decimals(parts[1]), Decimals(parts[2])});
  for (int64_t i = 0; i <= static_cast<int64_t>(count); ++i) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, *first + static_cast<double>(i) * *step);
    out.values.emplace_back(buf);
  }
  return out;
}

}  // namespace

Parsed<int64_t> ParseWhole(std::string_view where, std::string_view text, int64_t lo, int64_t hi) {
  const std::optional<int64_t> v = WholeOf(text);
  if (!v || *v < lo || *v > hi) {
    return {std::nullopt,
            Quoted(where, text) + " is not a whole number from " + std::to_string(lo) + " to " + std::to_string(hi)};
  }
  return {v, {}};
}

Parsed<RealText> ParseReal(std::string_view where, std::string_view text, RealUse use) {
  const Converted<double> v = TextToDouble(text);
  if (!v) return {std::nullopt, Quoted(where, text) + " is not a number (a decimal comma or point, e.g. 0,35 or 0.35)"};
  if (use == RealUse::Rounded && !TextToRoundedInt(text)) {
    return {std::nullopt, Quoted(where, text) + " is not a number from -2147483648 to 2147483647"};
  }
  return {RealText{*v, std::string(Trim(text))}, {}};
}

Parsed<uint64_t> ParseSeed(std::string_view where, std::string_view text) {
  uint64_t seed = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), seed);
  if (text.empty() || text.front() < '0' || text.front() > '9' || ec != std::errc() ||
      end != text.data() + text.size()) {
    return {std::nullopt, Quoted(where, text) + " is not a whole number from 0 to 2^64-1"};
  }
  return {seed, {}};
}

Parsed<std::size_t> ParseName(std::string_view where, std::string_view text, std::span<const std::string_view> names) {
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (text == names[i]) return {i, {}};
  }
  std::string list;
  for (std::size_t i = 0; i < names.size(); ++i) {
    list += i == 0 ? "" : (i + 1 == names.size() ? " or " : ", ");
    list += names[i];
  }
  return {std::nullopt, Quoted(where, text) + " is not " + list};
}

ValueList ExpandValues(std::string_view where, std::string_view text, ValueKind kind) {
  const std::string_view t = Trim(text);
  if (kind != ValueKind::Name && t.find(':') != std::string_view::npos) return Range(where, t, kind);
  // One real written with a decimal comma is one value, as on a single run.
  if (kind == ValueKind::Real && TextToDouble(t)) return {{std::string(t)}, {}};
  ValueList out{SplitList(t), {}};
  for (const std::string& v : out.values) {
    if (v.empty()) return {{}, Quoted(where, text) + " has an empty value"};
  }
  return out;
}

bool IsSeveralValues(std::string_view text, ValueKind kind) {
  const std::string_view t = Trim(text);
  if (kind != ValueKind::Name && t.find(':') != std::string_view::npos) return true;
  if (kind == ValueKind::Real && TextToDouble(t)) return false;
  // "a,b" is a list even when an item is bad; "", "," and "12," are one bad value.
  const std::vector<std::string> items = SplitList(t);
  return items.size() > 1 && std::none_of(items.begin(), items.end(), [](const std::string& s) { return s.empty(); });
}

}  // namespace quorvan::batch
