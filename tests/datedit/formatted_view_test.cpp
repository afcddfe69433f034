#include "formatted_view.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "datedit/datedit_fixtures.h"
#include "format_file.h"
#include "name_tables.h"

namespace vantor::datedit {
namespace {

class FieldValue : public ::testing::Test {
 protected:
  FieldValue() { InitNameTables(names_); }
  std::string Show(char indicator, std::vector<uint8_t> bytes, uint16_t length = 0) {
    std::copy(bytes.begin(), bytes.end(), record_.begin() + 10);
    return FieldValueText(names_, indicator, length, record_, 10);
  }
  template <typename T>
  std::string ShowValue(char indicator, T value) {
    std::memcpy(record_.data() + 10, &value, sizeof value);
    return FieldValueText(names_, indicator, sizeof value, record_, 10);
  }

  NameTables names_;
  RecordBytes record_{};
};

TEST_F(FieldValue, Bytes) {
  EXPECT_EQ(Show('s', {0xFF}), "  -1");
  EXPECT_EQ(Show('s', {0x80}), "-128");
  EXPECT_EQ(Show('b', {0xFF}), " 255");
  for (char letter : {'u', 'h', 'c', 'o'})
    EXPECT_EQ(Show(letter, {10}), "         0A");
}

TEST_F(FieldValue, NamedCodes) {
  EXPECT_EQ(Show('O', {0x03, 0x0A}), "030A|  Fokker Dr.1    ");
  EXPECT_EQ(Show('O', {0x15, 0x00}), "1500|Inv cl:obj");
  EXPECT_EQ(Show('C', {0x03}), "03 03 - Aircraft ");
  EXPECT_EQ(Show('C', {0x20}), "20 Inv class");
  EXPECT_EQ(Show('P', {0x0A}), "0A   Fokker Dr.1    ");
  EXPECT_EQ(Show('P', {0x2B}), "2B Inv cl:obj");
  EXPECT_EQ(Show('L', {0x0F}), "0F 0f ?");
  EXPECT_EQ(Show('L', {0x10}), "10 Inv lo");
}

TEST_F(FieldValue, Integers) {
  EXPECT_EQ(Show('w', {0x34, 0x12}), "       4660");
  EXPECT_EQ(Show('i', {0xFF, 0xFF}), "         -1");
  EXPECT_EQ(Show('w', {0xFF, 0xFF}), "      65535");
  EXPECT_EQ(Show('l', {0xFE, 0xFF, 0xFF, 0xFF}), "         -2");
  EXPECT_EQ(Show('l', {0x00, 0x00, 0x00, 0x80}), "-2147483648");
}

TEST_F(FieldValue, Reals) {
  EXPECT_EQ(ShowValue('4', 1.5f), "     1.5000");
  EXPECT_EQ(ShowValue('4', -0.25f), "    -0.2500");
  EXPECT_EQ(ShowValue('8', 406.0), "   406.0000");
  EXPECT_EQ(ShowValue('8', 123456789.125), "123456789.1250");
  EXPECT_EQ(ShowValue('4', std::numeric_limits<float>::infinity()), "        INF");
  EXPECT_EQ(ShowValue('8', -std::numeric_limits<double>::infinity()), "       -INF");
  EXPECT_EQ(ShowValue('4', std::numeric_limits<float>::quiet_NaN()), "        NAN");
}

TEST_F(FieldValue, TextShowsItsBytesUnfilteredUpTo200) {
  EXPECT_EQ(Show('t', {'a', 0, 'b'}, 3), std::string("a\0b", 3));
  std::vector<uint8_t> letters(250, 'z');
  EXPECT_EQ(Show('t', letters, 250), std::string(200, 'z'));
}

TEST_F(FieldValue, TypesThatShowNothing) {
  EXPECT_EQ(Show('x', {1, 2, 3}, 3), "");
  EXPECT_EQ(Show('?', {1}), "");
  EXPECT_EQ(Show(' ', {1}), "");
}

TEST_F(FieldValue, NothingIsReadPastTheRecordBuffer) {
  EXPECT_EQ(FieldValueText(names_, 'l', 4, record_, kRecordBufferSize - 2), "");
  EXPECT_EQ(FieldValueText(names_, 'b', 1, record_, kRecordBufferSize - 1), "   0");
  EXPECT_TRUE(FitsRecordBuffer(9996, 4));
  EXPECT_FALSE(FitsRecordBuffer(9997, 4));
  EXPECT_FALSE(FitsRecordBuffer(20000, 0));
}

// A state with a format loaded from `format`, on a 50-row screen.
struct ViewHarness {
  explicit ViewHarness(const std::string& format, int recSize = 100) : h(dir.Path()) {
    testing::WriteText(dir.File("f.txt"), format);
    h.state.RecSize = recSize;
    TextFileReader file(dir.File("f.txt"));
    ReadStructureDefinition(h.state, file);
    InitNameTables(h.state.Names);
    h.console.UseFiftyRows();
  }
  std::vector<std::string> Lines() {
    ShowFormattedRecord(h.state, h.state.RecordBuffer);
    std::vector<std::string> lines;
    for (int row = 1; row < h.console.WhereY(); ++row)
      lines.push_back(h.console.Screen().RowText(row));
    return lines;
  }
  testing::ScratchDir dir;
  testing::DateditHarness h;
};

TEST(FormattedView, LinesNumberedWithXFieldsLeftOut) {
  ViewHarness v("wAltitude\ntPilot\n12\nOTarget\nx\n3\n4Speed\n", 23);
  auto& record = v.h.state.RecordBuffer;
  record[0] = 0x34;
  record[1] = 0x12;
  std::memcpy(record.data() + 2, "Manfred", 7);
  record[14] = 3;
  record[15] = 10;
  float speed = 12.5f;
  std::memcpy(record.data() + 19, &speed, 4);
  auto lines = v.Lines();
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0], "#: 1                      Altitude||typ=w|=        4660");
  EXPECT_EQ(lines[1], std::string("#: 2                         Pilot||typ=t|= Manfred") +
                          std::string(5, '\0'));
  EXPECT_EQ(lines[2], "#: 3                        Target||typ=O|= 030A|  Fokker Dr.1");
  EXPECT_EQ(lines[3], "#: 5                         Speed||typ=4|=     12.5000");
}

TEST(FormattedView, AnUnknownFirstLetterShowsNoLines) {
  ViewHarness v("?Nothing\nwAltitude\n");
  EXPECT_TRUE(v.Lines().empty());
}

TEST(FormattedView, TheFirstZeroLengthEntryEndsTheList) {
  ViewHarness v("bOne\n Blank\nbThree\n");
  auto lines = v.Lines();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0], "#: 1                           One||typ=b|=    0");
}

TEST(FormattedView, FieldsFromByte9999OnAreNotListed) {
  ViewHarness v("x\n9998\nbAt9998\nbAt9999\n", 10000);
  auto lines = v.Lines();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_NE(lines[0].find("At9998"), std::string::npos);
}

TEST(FormattedView, AFieldReachingPastTheBufferIsNotShown) {
  ViewHarness v("x\n9990\nt Long\n20\nbAfter\n", 10011);
  EXPECT_TRUE(v.Lines().empty());
}

TEST(FormattedView, PausesOnceWhenALineEndsOnRow48) {
  std::string format;
  for (int i = 0; i < 60; ++i)
    format += "bF\n";
  ViewHarness v(format, 60);
  v.h.console.GotoXY(1, 5);  // below the status lines
  v.h.console.Line("");
  ShowFormattedRecord(v.h.state, v.h.state.RecordBuffer);
  std::string_view transcript = v.h.console.Transcript();
  auto pause = transcript.find("press enter...");
  ASSERT_NE(pause, std::string_view::npos);
  EXPECT_EQ(transcript.find("press enter...", pause + 1), std::string_view::npos);
  // Rows 5 to 47 hold fields 1 to 43; the line end of field 43 reaches row 48.
  EXPECT_EQ(transcript.substr(0, pause).rfind("#:43"), transcript.substr(0, pause).rfind("#:"));
  EXPECT_TRUE(v.h.console.Script().AllKeysTaken());
  EXPECT_EQ(v.h.console.Screen().RowText(49), "#:60                             F||typ=b|=    0");
}

}  // namespace
}  // namespace vantor::datedit
