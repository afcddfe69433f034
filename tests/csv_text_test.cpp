// CSV written as RFC 4180 says and read back, and the faults of a CSV text
// named by line and column.
#include "csv_text.h"

#include <gtest/gtest.h>

namespace vantor {
namespace {

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
      {"a,b\r\n\r\n", 2, 1},                        // an empty line is a row of one field
      {"a,b\r\n1,x\"y\r\n", 2, 4},                  // a quote inside an unquoted field
      {"a,b\r1,2\r\n", 1, 4},                       // a lone CR
      {"\xc3\xa9,b\r\n1,\"\xc3\xa9\"z\r\n", 2, 6},  // columns count characters
  };
  for (const auto& c : cases) {
    try {
      ReadCsv(c.text);
      ADD_FAILURE() << "accepted: " << c.text;
    } catch (const TextFormError& e) {
      EXPECT_EQ(e.Place().line, c.line) << c.text << ": " << e.what();
      EXPECT_EQ(e.Place().column, c.column) << c.text << ": " << e.what();
    }
  }
}

}  // namespace
}  // namespace vantor
