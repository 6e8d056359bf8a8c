#include "platform/win/modules/string_table_source.h"

#include <gtest/gtest.h>

#include <string>

namespace win {
namespace {

TEST(StringTableSource, ReadsIdsTextsAndEscapes) {
  const auto strings = ParseStringTableSource(
      "# comment line\r\n"
      "\n"
      "104 \"Tarnlok V2\"\r\n"
      "  7\t\"a\\nb\\r\\tc \\\\ \\\"q\\\" \\xE9\\x41\"   \n"
      "65535 \"\"");
  ASSERT_EQ(strings.size(), 3u);
  EXPECT_EQ(strings.at(104), "Tarnlok V2");
  EXPECT_EQ(strings.at(7),
            "a\nb\r\tc \\ \"q\" \xE9"
            "A");
  EXPECT_EQ(strings.at(65535), "");
  EXPECT_TRUE(ParseStringTableSource("").empty());
}

TEST(StringTableSource, FaultsNameTheirLine) {
  struct Case {
    const char* source;
    const char* message;
  };
  const Case cases[] = {
      {"1 \"ok\"\n2 \"open", "line 2: the text has no closing quote"},
      {"\"no id\"", "line 1: expected a string id"},
      {"65536 \"x\"", "line 1: expected a string id from 0 to 65535"},
      {"5 text", "line 1: expected a quoted text"},
      {"5 \"a\" b", "line 1: unexpected text after the closing quote"},
      {"5 \"a\\q\"", "line 1: unknown escape \\q"},
      {"5 \"a\\x4\"", "line 1: \\x needs two hex digits"},
      {"5 \"a\\xZZ\"", "line 1: \\x needs two hex digits"},
      {"5 \"a\\", "line 1: the text ends inside an escape"},
      {"5 \"caf\xC3\xA9\"", "line 1: write bytes above 0x7F as \\xHH"},
      {"5 \"a\x01\"", "line 1: control characters must be escaped"},
      {"\n\n5 \"a\"\n5 \"b\"", "line 4: string 5 appears twice"},
  };
  for (const auto& c : cases) {
    try {
      ParseStringTableSource(c.source);
      ADD_FAILURE() << "accepted: " << c.source;
    } catch (const StringTableSourceError& error) {
      EXPECT_EQ(std::string(error.what()).rfind(c.message, 0), 0u) << error.what();
    }
  }
}

}  // namespace
}  // namespace win
