// JSON strings as the tools write them, and names of unknown encoding made
// UTF-8.
#include "base/json_text.h"

#include <gtest/gtest.h>

namespace vantor {
namespace {

TEST(JsonText, StringsAreQuotedAndEscaped) {
  struct Case {
    std::string text, json;
  } cases[] = {
      {"", "\"\""},
      {"plain.txt", "\"plain.txt\""},
      {"a\"b\\c", "\"a\\\"b\\\\c\""},
      {"\b\f\n\r\t", "\"\\b\\f\\n\\r\\t\""},
      {std::string("\x00\x01\x1f", 3), "\"\\u0000\\u0001\\u001f\""},
      {"/ \x7f \xc3\xa9", "\"/ \x7f \xc3\xa9\""},  // JSON needs no escape for these
  };
  for (const auto& c : cases)
    EXPECT_EQ(JsonString(c.text), c.json) << c.text;
}

TEST(JsonText, Utf8IsKeptAndEverythingElseReadAsCodePage437) {
  struct Case {
    std::string bytes, utf8;
  } cases[] = {
      {"ascii", "ascii"},
      {"caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80", "caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80"},
      {"caf\x82", "caf\xc3\xa9"},                                    // a lone byte above 127
      {"\xc3", "\xe2\x94\x9c"},                                      // a sequence cut short
      {"\xc0\xaf", "\xe2\x94\x94\xc2\xbb"},                          // an overlong "/"
      {"\xed\xa0\x80", "\xcf\x86\xc3\xa1\xc3\x87"},                  // a surrogate
      {"\xf4\x90\x80\x80", "\xe2\x8c\xa0\xc3\x89\xc3\x87\xc3\x87"},  // above U+10FFFF
      {"\x82\x01", "\xc3\xa9\xe2\x98\xba"},  // a control byte becomes its glyph too
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Utf8OrCp437(c.bytes), c.utf8) << c.bytes;
    EXPECT_TRUE(IsValidUtf8(Utf8OrCp437(c.bytes)));
  }
}

}  // namespace
}  // namespace vantor
