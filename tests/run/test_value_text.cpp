// The value parsers that the command line, experiment files and sweep plans
// share: what each takes, and that every refusal names where, the value and
// the accepted range.

#include <gtest/gtest.h>

#include "value_text.h"

namespace quorvan::batch {
namespace {

TEST(ValueText, EachKindTakesItsFormAndRefusesNamingWhereValueAndRange) {
  constexpr std::string_view kNames[] = {"hill", "roulette"};
  struct Case {
    const char* kind;
    const char* text;
    const char* value;  ///< the value read, as text; null: refused
    const char* named;  ///< what the refusal says
  };
  const Case cases[] = {
      {"whole", "12", "12", ""},
      {"whole", " +7 ", "7", ""},
      {"whole", "-3", "-3", ""},
      {"whole", "100", "100", ""},
      {"whole", "101", nullptr, "--n: '101' is not a whole number from -5 to 100"},
      {"whole", "12,5", nullptr, "'12,5' is not a whole number from -5 to 100"},
      {"whole", "0x5", nullptr, "'0x5'"},
      {"whole", "1e2", nullptr, "'1e2'"},
      {"whole", "", nullptr, "--n: '' is not"},
      {"whole", "99999999999999999999", nullptr, "from -5 to 100"},
      {"real", "0,35", "0.35", ""},
      {"real", "0.35", "0.35", ""},
      {"real", "1e-3", "0.001", ""},
      {"real", "nan", nullptr, "--n: 'nan' is not a number"},
      {"real", "1,2,3", nullptr, "'1,2,3'"},
      {"real", "1e999", nullptr, "'1e999'"},
      {"rounded", "2147483647", "2147483647", ""},
      {"rounded", "1e15", nullptr, "--n: '1e15' is not a number from -2147483648 to 2147483647"},
      {"seed", "18446744073709551615", "18446744073709551615", ""},
      {"seed", "0", "0", ""},
      {"seed", "18446744073709551616", nullptr, "'18446744073709551616' is not a whole number from 0 to 2^64-1"},
      {"seed", "-1", nullptr, "--n: '-1'"},
      {"seed", "+1", nullptr, "'+1'"},
      {"name", "roulette", "1", ""},
      {"name", "Hill", nullptr, "--n: 'Hill' is not hill or roulette"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.kind) + " '" + c.text + "'");
    const std::string kind = c.kind;
    std::string value, error;
    if (kind == "whole") {
      const auto v = ParseWhole("--n", c.text, -5, 100);
      value = v ? std::to_string(*v) : "";
      error = v.error;
    } else if (kind == "real" || kind == "rounded") {
      const auto v = ParseReal("--n", c.text, kind == "real" ? RealUse::Double : RealUse::Rounded);
      if (v) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%.10g", v->value);
        value = buf;
        EXPECT_EQ(v->text, c.text) << "the text the model converts stays as written";
      }
      error = v.error;
    } else if (kind == "seed") {
      const auto v = ParseSeed("--n", c.text);
      value = v ? std::to_string(*v) : "";
      error = v.error;
    } else {
      const auto v = ParseName("--n", c.text, kNames);
      value = v ? std::to_string(*v) : "";
      error = v.error;
    }
    if (c.value) {
      EXPECT_EQ(error, "");
      EXPECT_EQ(value, c.value);
    } else {
      EXPECT_NE(error.find(c.named), std::string::npos) << error;
    }
  }
}

TEST(ValueText, ListsAndRangesExpandAndOnlyTheyAreSeveralValues) {
  struct Case {
    const char* text;
    ValueKind kind;
    std::vector<std::string> values;  ///< empty: refused
  };
  const Case cases[] = {
      {"0:180:20", ValueKind::Whole, {"0", "20", "40", "60", "80", "100", "120", "140", "160", "180"}},
      {"0:5:2", ValueKind::Whole, {"0", "2", "4"}},
      {"7:7:1", ValueKind::Whole, {"7"}},
      {"-2:2:2", ValueKind::Whole, {"-2", "0", "2"}},
      {"10, 20,30", ValueKind::Whole, {"10", "20", "30"}},
      {"0.1,0.35,1", ValueKind::Real, {"0.1", "0.35", "1"}},
      {"0,95", ValueKind::Real, {"0,95"}},  // one number with a decimal comma
      {"0.1:0.3:0.1", ValueKind::Real, {"0.1", "0.2", "0.3"}},
      {"hill,roulette", ValueKind::Name, {"hill", "roulette"}},
      {"a:b.qvw", ValueKind::Name, {"a:b.qvw"}},
      {"0:180:0", ValueKind::Whole, {}},
      {"5:1:1", ValueKind::Whole, {}},
      {"1,,2", ValueKind::Whole, {}},
      {"0:1e7:1", ValueKind::Real, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const ValueList list = ExpandValues("--x", c.text, c.kind);
    EXPECT_EQ(list.values, c.values);
    if (c.values.empty()) {
      EXPECT_EQ(list.error.find(std::string("--x: '") + c.text + "'"), 0u) << list.error;
    }
  }
  // One value, good or bad, is not a sweep; a list or a range is.
  EXPECT_FALSE(IsSeveralValues("", ValueKind::Whole));
  EXPECT_FALSE(IsSeveralValues("12,", ValueKind::Whole));
  EXPECT_FALSE(IsSeveralValues("0,95", ValueKind::Real));
  EXPECT_FALSE(IsSeveralValues("many", ValueKind::Whole));
  EXPECT_TRUE(IsSeveralValues("1,5", ValueKind::Whole));
  EXPECT_TRUE(IsSeveralValues("7:7:1", ValueKind::Whole));
  EXPECT_TRUE(IsSeveralValues("0.1,0.35", ValueKind::Real));
}

}  // namespace
}  // namespace quorvan::batch
