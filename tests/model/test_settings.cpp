// Conversion of the settings' texts, with the exact failure messages.

#include <gtest/gtest.h>

#include <string>

#include "settings.h"

namespace quorvan {
namespace {

std::string IntegerMessage(const std::string& text) { return "'" + text + "' is not a valid integer value"; }
std::string FloatMessage(const std::string& text) {
  return "'" + text + "' is not a valid floating point value";
}

TEST(TextToInt, ConvertsWholeNumbers) {
  const struct {
    const char* text;
    int32_t value;
  } cases[] = {
      {"800", 800},
      {"2", 2},
      {"0", 0},
      {"-5", -5},
      {"+7", 7},
      {"10000", 10000},
      {"2147483647", 2147483647},
      {"-2147483648", -2147483647 - 1},
  };
  for (const auto& c : cases) {
    const auto v = TextToInt(c.text);
    ASSERT_TRUE(v) << c.text;
    EXPECT_EQ(*v, c.value) << c.text;
    EXPECT_EQ(v.error, "") << c.text;
  }
}

TEST(TextToInt, RejectsWhatIsNotA32BitInteger) {
  const char* texts[] = {"",  "abc", "12a",        "1.5",         "1,5",         "1e3",
                         "-", "+",   "2147483648", "-2147483649", "99999999999", "8 00", "+-5"};
  for (const char* text : texts) {
    const auto v = TextToInt(text);
    EXPECT_FALSE(v) << "'" << text << "'";
    EXPECT_EQ(v.error, IntegerMessage(text));
  }
}

TEST(TextToReal, AcceptsADecimalCommaOrPoint) {
  const struct {
    const char* text;
    long double value;
  } cases[] = {
      {"0,95", 0.95L},    {"0.95", 0.95L},    {"0,35", 0.35L}, {"0,05", 0.05L},   {"30", 30.0L},
      {"1.5e3", 1500.0L}, {"1,5e3", 1500.0L}, {"-0,5", -0.5L}, {"2,5E-1", 0.25L}, {"1e999", 1e999L},
  };
  for (const auto& c : cases) {
    const auto v = TextToReal(c.text);
    ASSERT_TRUE(v) << c.text << ": " << v.error;
    EXPECT_EQ(*v, c.value) << c.text;
  }
}

TEST(TextToReal, RejectsGarbageAndNonFiniteValues) {
  const char* texts[] = {"",         "abc", "0,9x", "1,2,3",   "1.2.3",    "0,5.5", "inf", "-inf",
                         "Infinity", "nan", "NaN",  "1e99999", "-1e99999", "e5",    ",",  "+-5"};
  for (const char* text : texts) {
    const auto v = TextToReal(text);
    EXPECT_FALSE(v) << "'" << text << "'";
    EXPECT_EQ(v.error, FloatMessage(text));
  }
}

TEST(TextToDouble, RejectsValuesADoubleCannotHold) {
  const auto big = TextToDouble("1e999");
  EXPECT_FALSE(big);
  EXPECT_EQ(big.error, FloatMessage("1e999"));
  const auto small = TextToDouble("-1e999");
  EXPECT_FALSE(small);
  EXPECT_EQ(small.error, FloatMessage("-1e999"));

  const auto rate = TextToDouble("0,95");
  ASSERT_TRUE(rate);
  EXPECT_EQ(*rate, 0.95);
}

TEST(TextToRoundedInt, RoundsHalvesToEven) {
  const struct {
    const char* text;
    int32_t value;
  } cases[] = {
      {"30", 30},
      {"30.5", 30},
      {"31.5", 32},
      {"30,4", 30},
      {"-2,5", -2},
      {"50", 50},
      {"0,5", 0},
      {"2147483647", 2147483647},
      {"-2147483648,5", -2147483647 - 1},
  };
  for (const auto& c : cases) {
    const auto v = TextToRoundedInt(c.text);
    ASSERT_TRUE(v) << c.text << ": " << v.error;
    EXPECT_EQ(*v, c.value) << c.text;
  }
}

TEST(TextToRoundedInt, ValuesBeyond32BitsAreAnInvalidOperation) {
  for (const char* text : {"2147483647.5", "2147483648", "-2147483649", "1e30", "1e999"}) {
    const auto v = TextToRoundedInt(text);
    EXPECT_FALSE(v) << text;
    EXPECT_EQ(v.error, "Invalid floating point operation") << text;
  }
}

TEST(TextToRoundedInt, TextsThatAreNotNumbersKeepTheFloatMessage) {
  for (const char* text : {"", "x", "nan", "inf"}) {
    const auto v = TextToRoundedInt(text);
    EXPECT_FALSE(v) << text;
    EXPECT_EQ(v.error, FloatMessage(text)) << text;
  }
}

}  // namespace
}  // namespace quorvan
