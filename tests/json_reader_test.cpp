// The strict JSON reader: every kind of value, numbers kept as written,
// escapes decoded, and each fault named with its line and column.
#include "json_reader.h"

#include <gtest/gtest.h>

namespace vantor {
namespace {

using Kind = JsonValue::Kind;

TEST(JsonReader, ReadsEveryKindOfValue) {
  JsonValue v = ReadJson(
      " {\"a\": [1, -0.5e+10, 12345678901234567890, true, false, null],\n"
      "  \"s\": \"q\\\"\\\\\\/\\b\\f\\n\\r\\t\\u00e9\\ud83d\\ude00\", \"o\": {}, \"e\": []} ");
  ASSERT_EQ(v.kind, Kind::Object);
  const JsonValue* a = v.Member("a");
  ASSERT_NE(a, nullptr);
  ASSERT_EQ(a->items.size(), 6u);
  EXPECT_EQ(a->items[0].text, "1");
  EXPECT_EQ(a->items[1].text, "-0.5e+10");
  EXPECT_EQ(a->items[2].text, "12345678901234567890");  // kept exactly, not rounded
  EXPECT_EQ(a->items[3].kind, Kind::True);
  EXPECT_EQ(a->items[4].kind, Kind::False);
  EXPECT_EQ(a->items[5].kind, Kind::Null);
  EXPECT_EQ(v.Member("s")->text, "q\"\\/\b\f\n\r\t\xc3\xa9\xf0\x9f\x98\x80");
  EXPECT_EQ(v.Member("o")->kind, Kind::Object);
  EXPECT_EQ(v.Member("e")->items.size(), 0u);
  EXPECT_EQ(v.Member("s")->place.line, 2);
  EXPECT_EQ(v.Member("s")->place.column, 8);
  EXPECT_EQ(v.Member("missing"), nullptr);
}

TEST(JsonReader, FaultsAreNamedWithLineAndColumn) {
  struct Case {
    std::string text;
    int line, column;
  } cases[] = {
      {"", 1, 1},
      {"{\"a\":1,}", 1, 8},
      {"[1 2]", 1, 4},
      {"{\"a\" 1}", 1, 6},
      {"{\"a\":1,\"a\":2}", 1, 8},  // a member twice
      {"[01]", 1, 3},
      {"[1.]", 1, 4},
      {"[1e]", 1, 4},
      {"[-]", 1, 3},
      {"[+1]", 1, 2},
      {"[.5]", 1, 2},
      {"[tru]", 1, 2},
      {"\n  \"open", 2, 3},
      {"\"tab\there\"", 1, 5},
      {"\"\\x\"", 1, 2},
      {"\"\\u12g4\"", 1, 6},
      {"\"\\ud800\"", 1, 2},         // a high surrogate alone
      {"\"\\udc00\"", 1, 2},         // a low one
      {"\"\\ud800\\u0041\"", 1, 2},  // a high one followed by no low one
      {"\"\xc3\"", 1, 2},            // not UTF-8
      {"{} {}", 1, 4},
      {"[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[1]]]]]", 1, 65},
  };
  for (const auto& c : cases) {
    try {
      ReadJson(c.text);
      ADD_FAILURE() << "accepted: " << c.text;
    } catch (const TextFormError& e) {
      EXPECT_EQ(e.Place().line, c.line) << c.text << ": " << e.what();
      EXPECT_EQ(e.Place().column, c.column) << c.text << ": " << e.what();
    }
  }
}

}  // namespace
}  // namespace vantor
