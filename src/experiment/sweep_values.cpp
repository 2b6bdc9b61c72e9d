#include "sweep_values.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

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

std::optional<int64_t> WholeOf(std::string_view s) {
  s = Trim(s);
  if (!s.empty() && s.front() == '+') s.remove_prefix(1);
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

std::string Quoted(std::string_view option, std::string_view text) {
  return std::string(option) + ": '" + std::string(text) + "'";
}

ValueList Range(std::string_view option, std::string_view text, ValueKind kind) {
  const std::size_t a = text.find(':');
  const std::size_t b = text.find(':', a + 1);
  if (b == std::string_view::npos || text.find(':', b + 1) != std::string_view::npos) {
    return {{}, Quoted(option, text) + " is not a range first:last:step"};
  }
  const std::string_view parts[3] = {text.substr(0, a), text.substr(a + 1, b - a - 1), text.substr(b + 1)};
  ValueList out;
  if (kind == ValueKind::Whole) {
    const auto first = WholeOf(parts[0]), last = WholeOf(parts[1]), step = WholeOf(parts[2]);
    if (!first || !last || !step) return {{}, Quoted(option, text) + " is not a range of whole numbers first:last:step"};
    if (*step <= 0) return {{}, Quoted(option, text) + ": the step must be greater than 0"};
    if (*first > *last) return {{}, Quoted(option, text) + ": the first value is greater than the last"};
    if ((*last - *first) / *step >= kMaxRangeValues) return {{}, Quoted(option, text) + ": too many values"};
    for (int64_t v = *first; v <= *last; v += *step) {
      out.values.push_back(std::to_string(v));
      if (*last - v < *step) break;
    }
    return out;
  }
  const auto first = TextToDouble(parts[0]), last = TextToDouble(parts[1]), step = TextToDouble(parts[2]);
  if (!first || !last || !step) return {{}, Quoted(option, text) + " is not a range of numbers first:last:step"};
  if (!(*step > 0)) return {{}, Quoted(option, text) + ": the step must be greater than 0"};
  if (*first > *last) return {{}, Quoted(option, text) + ": the first value is greater than the last"};
  // A hair of slack, so that 0.1:0.3:0.1 reaches 0.3 despite binary fractions.
  const double count = std::floor((*last - *first) / *step + 1e-9);
  if (count >= static_cast<double>(kMaxRangeValues)) return {{}, Quoted(option, text) + ": too many values"};
  const int decimals = std::max({Decimals(parts[0]), Decimals(parts[1]), Decimals(parts[2])});
  for (int64_t i = 0; i <= static_cast<int64_t>(count); ++i) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, *first + static_cast<double>(i) * *step);
    out.values.emplace_back(buf);
  }
  return out;
}

}  // namespace

const std::vector<SweepKey>& SweepKeys() {
  static const std::vector<SweepKey> keys = {
      {"world", ValueKind::Name},       {"mode", ValueKind::Name},       {"cell-size", ValueKind::Whole},
      {"agents", ValueKind::Whole},     {"steps", ValueKind::Whole},     {"threshold", ValueKind::Whole},
      {"wiggle", ValueKind::Whole},     {"noise", ValueKind::Real},      {"consume", ValueKind::Real},
      {"decay", ValueKind::Real},       {"sniff", ValueKind::Name},      {"trail", ValueKind::Name},
      {"landscape-seed", ValueKind::Whole},
  };
  return keys;
}

std::optional<ValueKind> KindOf(std::string_view key) {
  for (const SweepKey& k : SweepKeys()) {
    if (key == k.name) return k.kind;
  }
  return std::nullopt;
}

ValueList ExpandValues(std::string_view option, std::string_view text, ValueKind kind) {
  const std::string_view t = Trim(text);
  if (kind != ValueKind::Name && t.find(':') != std::string_view::npos) return Range(option, t, kind);
  // One real written with a decimal comma is one value, as on a single run.
  if (kind == ValueKind::Real && TextToDouble(t)) return {{std::string(t)}, {}};
  ValueList out{SplitList(t), {}};
  for (const std::string& v : out.values) {
    if (v.empty()) return {{}, Quoted(option, text) + " has an empty value"};
  }
  return out;
}

}  // namespace quorvan::batch
