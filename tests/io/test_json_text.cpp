// Names in JSON records: bytes that are not UTF-8 are recorded visibly and
// come back exactly; valid names are recorded as they are.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "json_text.h"

namespace quorvan::batch {
namespace {

TEST(JsonText, RecordsAnyBytesAndGivesThemBack) {
  struct Case {
    std::string bytes;
    std::string recorded;
  };
  const Case kCases[] = {
      {"out/run 1.csv", "out/run 1.csv"},
      {"caf\xc3\xa9/\xe2\x82\xac/\xf0\x9f\x90\x9c", "caf\xc3\xa9/\xe2\x82\xac/\xf0\x9f\x90\x9c"},  // é € 🐜
      {"o\xff", "o\\xff"},
      {"\xe9t\xe9.qvw", "\\xe9t\\xe9.qvw"},               // Latin-1
      {"\xc3", "\\xc3"},                                   // cut sequence
      {"\xc0\xaf", "\\xc0\\xaf"},                          // overlong '/'
      {"\xed\xa0\x80", "\\xed\\xa0\\x80"},                 // a surrogate
      {"\xf4\x90\x80\x80", "\\xf4\\x90\\x80\\x80"},        // past U+10FFFF
      {"a\\b\\x", "a\\b\\x"},                              // backslashes that escape nothing
      {"lit\\x41", "lit\\x5cx41"},                         // text that reads like an escape
      {"\\\xff", "\\x5c\\xff"},                            // a backslash before a raw byte
      {std::string("nul\0x", 5), std::string("nul\0x", 5)},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.recorded);
    const std::string recorded = JsonText(c.bytes);
    EXPECT_EQ(recorded, c.recorded);
    EXPECT_EQ(TextFromJson(recorded), c.bytes);
    // A JSON record of it neither throws nor changes it.
    const nlohmann::json j = {{"name", recorded}};
    EXPECT_EQ(nlohmann::json::parse(j.dump())["name"].get<std::string>(), recorded);
  }
}

TEST(JsonText, MessagesShowControlsEscaped) {
  EXPECT_EQ(PrintableText("na\n\x1b[2J\xff"), "na\\x0a\\x1b[2J\\xff");
  EXPECT_EQ(PrintableText("0,35"), "0,35");
}

}  // namespace
}  // namespace quorvan::batch
