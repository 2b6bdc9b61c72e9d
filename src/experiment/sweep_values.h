#pragma once
// The value texts of a sweep: one value, a comma list or a range first:last:step.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvan::batch {

/// How a setting's values are written and expanded.
enum class ValueKind {
  Whole,  ///< whole numbers: lists and ranges
  Real,   ///< reals: lists and ranges; a text that is one number (0,95) stays one value
  Name,   ///< names or file names: lists only
};

/// A setting of quorvan-batch that a sweep may vary, as its option is named
/// without the dashes.
struct SweepKey {
  const char* name;
  ValueKind kind;
};

/// Every sweepable setting, in the order that nests a sweep's points: the
/// first varies slowest.
const std::vector<SweepKey>& SweepKeys();

/// The kind of a sweepable setting; none for any other name.
std::optional<ValueKind> KindOf(std::string_view key);

/// The values a text stands for, or an error naming the option and the text.
struct ValueList {
  std::vector<std::string> values;
  std::string error;
};

/// Expands `text` of option `option` (for messages, e.g. "--wiggle"):
/// "0:180:20" gives 0, 20, ..., 180 (the last value included when the steps
/// reach it), "a,b,c" gives the three texts. Values are not checked here
/// beyond their form; the single-run options check each one.
ValueList ExpandValues(std::string_view option, std::string_view text, ValueKind kind);

}  // namespace quorvan::batch
