// The readers of the text forms: CSV written as RFC 4180 says and read back,
// the strict JSON reader's values, numbers kept as written and escapes
// decoded, and every fault of either named by line and column.
#include <gtest/gtest.h>

#include <cstring>

#include "fuzz/fuzz_pieces.h"
#include "textform/csv_text.h"
#include "textform/json_reader.h"

namespace vantor {
namespace {

// Reading `text` fails with a TextFormError at that line and column.
template <typename Reader>
void ExpectFaultAt(Reader read, const std::string& text, int line, int column) {
  try {
    read(text);
    ADD_FAILURE() << "accepted: " << text;
  } catch (const TextFormError& e) {
    EXPECT_EQ(e.Place().line, line) << text << ": " << e.what();
    EXPECT_EQ(e.Place().column, column) << text << ": " << e.what();
  }
}

// A text handed on a piece at a time, as a pipe may, and then `then` for
// ever; `handed` counts the bytes handed on.
struct Endless {
  std::string text;
  char then;
  size_t handed = 0;

  TextStream Stream() {
    return TextStream([this](char* buffer, size_t n) {
      size_t count = std::min(n, TextStream::kPiece);
      for (size_t i = 0; i < count; ++i, ++handed)
        buffer[i] = handed < text.size() ? text[handed] : then;
      return count;
    });
  }
};

std::vector<CsvRecord> ReadCsvByBytes(const std::string& text) {
  TextStream in = fuzzing::InPieces(text, 1);
  std::vector<CsvRecord> rows;
  ReadCsvRows(
      in, [&rows](CsvRecord& row) { rows.push_back(std::move(row)); }, std::string::npos,
      std::string::npos);
  return rows;
}

void ReadJsonByBytes(const std::string& text, bool keep) {
  fuzzing::ReadJsonInPieces(text, 1, keep);
}

TEST(CsvText, FieldsAreQuotedWhereNeeded) {
  struct Case {
    std::string text, field;
  } cases[] = {
      {"", ""},
      {"plain", "plain"},
      {"a,b", "\"a,b\""},
      {"say \"hi\"", "\"say \"\"hi\"\"\""},
      {"two\r\nlines", "\"two\r\nlines\""},
      {"lf\n", "\"lf\n\""},
      {" lead", "\" lead\""},
      {"trail ", "\"trail \""},
      {"in side", "in side"},
      {"caf\xc3\xa9", "caf\xc3\xa9"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(CsvField(c.text), c.field) << c.text;
  EXPECT_EQ(CsvRow({"a", "b c", "d,e"}), "a,b c,\"d,e\"\r\n");
}

TEST(CsvText, WrittenRowsReadBack) {
  std::vector<std::vector<std::string>> rows = {
      {"record", "Name", "x"}, {"0", "a,\"b\"\r\nc", ""}, {"1", " blank ", "\xc3\xa9"}};
  EXPECT_EQ(ReadCsv(CsvRow({""}) + CsvRow({""})).size(), 2u);  // no empty lines at the end
  std::string text;
  for (const auto& row : rows)
    text += CsvRow(row);
  std::vector<CsvRecord> read = ReadCsv(text);
  ASSERT_EQ(read.size(), rows.size());
  for (size_t r = 0; r < rows.size(); ++r) {
    for (size_t c = 0; c < rows[r].size(); ++c)
      EXPECT_EQ(read[r].cells[c].text, rows[r][c]);
  }
  EXPECT_EQ(read[2].place.line, 4);  // the quoted CR LF took a line
  EXPECT_EQ(read[2].cells[2].place.column, 13);
}

TEST(CsvText, LineFeedsAndAByteOrderMarkAreAccepted) {
  std::vector<CsvRecord> read = ReadCsv(
      "\xEF\xBB\xBF"
      "a,b\n1,2");
  ASSERT_EQ(read.size(), 2u);
  EXPECT_EQ(read[0].cells[0].text, "a");
  EXPECT_EQ(read[1].cells[1].text, "2");
  EXPECT_TRUE(ReadCsv("").empty());
  // Empty lines at the end are no rows.
  for (const char* text : {"a,b\r\n1,2\r\n\r\n", "a,b\n1,2\n\n\n", "a,b\r\n1,2\n\r\n"})
    EXPECT_EQ(ReadCsv(text).size(), 2u) << text;
}

TEST(CsvText, FaultsAreNamedWithLineAndColumn) {
  struct Case {
    std::string text;
    int line, column;
  } cases[] = {
      {"a,b\r\n1,\"open\r\n", 2, 3},                // unterminated quote: where it opened
      {"a,b\r\n\"x\"y,2\r\n", 2, 4},                // text after the closing quote
      {"a,b\r\n1,2,3\r\n", 2, 1},                   // a row wider than the header
      {"a,b\r\n1\r\n", 2, 1},                       // narrower
      {"a,b\r\n\r\n1,2\r\n", 2, 1},                 // an empty line is a row of one field
      {"a,b\r\n1,x\"y\r\n", 2, 4},                  // a quote inside an unquoted field
      {"a,b\r1,2\r\n", 1, 4},                       // a lone CR
      {"\xc3\xa9,b\r\n1,\"\xc3\xa9\"z\r\n", 2, 6},  // columns count characters
  };
  for (const auto& c : cases) {
    ExpectFaultAt([](const std::string& t) { ReadCsv(t); }, c.text, c.line, c.column);
    ExpectFaultAt(ReadCsvByBytes, c.text, c.line, c.column);
  }
}

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
  // A long string whose characters straddle the parts it is checked in.
  for (size_t at = 4090; at < 4100; ++at) {
    std::string text = "\"" + std::string(at, 'a') + "\xe2\x82\xac" + std::string(9000, 'b') + "\"";
    EXPECT_NO_THROW(ReadJsonByBytes(text, false)) << at;
    EXPECT_EQ(ReadJson(text).text.size(), at + 9003);
  }
}

// A cell longer than the bound is refused at its start, having read not much
// more than the bound, however long it goes on; of a row far wider than the
// reader takes, only one cell more is kept, and its width is told.
TEST(TextReaders, LongCellsAndWideRowsAreNotHeld) {
  constexpr size_t kBound = 100000;
  auto expectRefusedAt = [&](Endless& pieces, const std::function<void(TextStream&)>& read,
                             int column) {
    TextStream in = pieces.Stream();
    try {
      read(in);
      ADD_FAILURE() << "accepted: " << pieces.text;
    } catch (const TextFormError& e) {
      EXPECT_EQ(e.what(), TooLongMessage(kBound));
      EXPECT_EQ(e.Place().column, column) << pieces.text;
    }
    EXPECT_LT(pieces.handed, kBound + 2 * TextStream::kPiece) << pieces.text;
  };
  using Read = std::function<void(TextStream&)>;
  Read csv = [&](TextStream& in) {
    ReadCsvRows(
        in, [](CsvRecord&) {}, kBound, 8);
  };
  Read json = [&](TextStream& in) { JsonReader(in, kBound).Value(0); };
  for (auto [text, read, column] : {std::tuple{"a,b\r\n1,", csv, 3},
                                    {"a,b\r\n1,\"", csv, 3},
                                    {"[\"", json, 2},
                                    {"[-1", json, 2}}) {
    Endless pieces{text, std::string_view(text).back() == '1' ? '0' : 'x'};
    expectRefusedAt(pieces, read, column);
  }
  std::string wide = "x";
  for (int i = 0; i < 100000; ++i)
    wide += ",x";
  wide += "\r\n1\r\n";
  TextStream in(wide);
  std::vector<CsvRecord> rows;
  try {
    ReadCsvRows(
        in, [&rows](CsvRecord& row) { rows.push_back(std::move(row)); }, kBound, 2);
  } catch (const TextFormError& e) {
    EXPECT_STREQ(e.what(), "this row has 1 fields, the first row 100001");
  }
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].cells.size(), 3u);
}

// {"n1":0,"n2":0,... without its closing brace.
std::string ManyMembers(int count) {
  std::string text = "{\"n0\":0";
  for (int i = 1; i < count; ++i)
    text += ",\"n" + std::to_string(i) + "\":0";
  return text;
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
      {"\"\\ud800\"", 1, 2},                               // a high surrogate alone
      {"\"\\udc00\"", 1, 2},                               // a low one
      {"\"\\ud800\\u0041\"", 1, 2},                        // a high one followed by no low one
      {"\"\xc3\"", 1, 2},                                  // not UTF-8
      {"[\"" + std::string(5000, 'a') + "\xc3\"]", 1, 3},  // after a run checked in parts
      {"{} {}", 1, 4},
      {ManyMembers(200000) + ",\"n7\":0}", 1, 2288892},  // a name twice among many
      {"[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[1]]]]]", 1, 65},
  };
  for (const auto& c : cases) {
    ExpectFaultAt([](const std::string& t) { ReadJson(t); }, c.text, c.line, c.column);
    for (bool keep : {true, false}) {
      ExpectFaultAt([keep](const std::string& t) { ReadJsonByBytes(t, keep); }, c.text, c.line,
                    c.column);
    }
  }
}

}  // namespace
}  // namespace vantor
