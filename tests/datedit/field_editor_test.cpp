#include "field_editor.h"

#include <gtest/gtest.h>

#include <cstring>

#include "base/run_time_error.h"
#include "datedit/datedit_fixtures.h"
#include "format_file.h"

namespace vantor::datedit {
namespace {

// A format with one field of every editable kind, on a record of zeros.
constexpr const char* kFormat =
    "bByte\n"      // 1, offset 0
    "sSigned\n"    // 2, offset 1
    "wWord\n"      // 3, offset 2
    "iInt\n"       // 4, offset 4
    "lLong\n"      // 5, offset 6
    "OObject\n"    // 6, offset 10
    "tText\n8\n"   // 7, offset 12
    "bAfter\n"     // 8, offset 20
    "4Real\n"      // 9, offset 21
    "8Double\n"    // 10, offset 25
    "LLandmark\n"  // 11, offset 33
    "x\n2\n"       // 12, offset 34
    "uHex\n";      // 13, offset 36

class EditFieldTest : public ::testing::Test {
 protected:
  EditFieldTest() : h(dir.Path()) {
    testing::WriteText(dir.File("f.txt"), kFormat);
    h.state.RecSize = 37;
    TextFileReader file(dir.File("f.txt"));
    ReadStructureDefinition(h.state, file);
    InitNameTables(h.state.Names);
    h.console.UseFiftyRows();
    h.console.ClearScreen();
  }
  void Edit(int n, const std::string& typed) {
    h.console.Line(typed);
    Edit(n);
  }
  void Edit(int n) {
    EditField(h.state.Con, h.state.Names, h.state.FieldTable, h.state.RecordBuffer, n);
  }
  std::vector<uint8_t> Bytes(size_t offset, size_t count) const {
    auto& r = h.state.RecordBuffer;
    return std::vector<uint8_t>(r.begin() + offset, r.begin() + offset + count);
  }
  std::string Row(int row) const { return h.console.Screen().RowText(row); }

  testing::ScratchDir dir;
  testing::DateditHarness h;
};

TEST_F(EditFieldTest, ShowsTheValueTheHeaderAndThePrompt) {
  h.state.RecordBuffer[2] = 0x34;
  h.state.RecordBuffer[3] = 0x12;
  Edit(3, "1");
  EXPECT_EQ(Row(1), "       4660");
  EXPECT_EQ(Row(2), "");
  EXPECT_EQ(Row(3), "offset#:  3                          Word||typ=w|=");
  // The prompt goes one row below where the header's line end left the cursor.
  EXPECT_EQ(Row(4), "");
  EXPECT_EQ(Row(5), "  Input new value: 1");
}

TEST_F(EditFieldTest, BytesKeepTheLowestEightBits) {
  Edit(1, "300");
  EXPECT_EQ(h.state.RecordBuffer[0], 44);
  Edit(1, "-1");
  EXPECT_EQ(h.state.RecordBuffer[0], 255);
  Edit(2, "$80");
  EXPECT_EQ(h.state.RecordBuffer[1], 0x80);
  Edit(13, "$fe");
  EXPECT_EQ(h.state.RecordBuffer[36], 0xFE);
}

TEST_F(EditFieldTest, WordsKeepTheLowestSixteenBitsLowByteFirst) {
  Edit(3, "70000");
  EXPECT_EQ(Bytes(2, 2), (std::vector<uint8_t>{0x70, 0x11}));
  Edit(4, "-2");
  EXPECT_EQ(Bytes(4, 2), (std::vector<uint8_t>{0xFE, 0xFF}));
  Edit(5, "-2");
  EXPECT_EQ(Bytes(6, 4), (std::vector<uint8_t>{0xFE, 0xFF, 0xFF, 0xFF}));
  Edit(5, "$12345678");
  EXPECT_EQ(Bytes(6, 4), (std::vector<uint8_t>{0x78, 0x56, 0x34, 0x12}));
}

TEST_F(EditFieldTest, ObjectChangesOnlyTheClassByte) {
  h.state.RecordBuffer[10] = 3;
  h.state.RecordBuffer[11] = 10;
  Edit(6, "9");
  EXPECT_EQ(Bytes(10, 2), (std::vector<uint8_t>{9, 10}));
}

TEST_F(EditFieldTest, TextIsCutToLeaveItsZeroByteAndStaysInItsField) {
  h.state.RecordBuffer[20] = 0x77;
  Edit(7, "abc");
  EXPECT_EQ(Bytes(12, 9), (std::vector<uint8_t>{'a', 'b', 'c', 0, 0, 0, 0, 0, 0x77}));
  Edit(7, "0123456789");
  EXPECT_EQ(Bytes(12, 9), (std::vector<uint8_t>{'0', '1', '2', '3', '4', '5', '6', 0, 0x77}));
  Edit(7, "");
  EXPECT_EQ(Bytes(12, 8), std::vector<uint8_t>(8, 0));
}

TEST_F(EditFieldTest, RealsAreStoredInTheirWidth) {
  Edit(9, "1.5");
  float single;
  std::memcpy(&single, h.state.RecordBuffer.data() + 21, 4);
  EXPECT_EQ(single, 1.5f);
  Edit(10, "-2.25e3");
  double twice;
  std::memcpy(&twice, h.state.RecordBuffer.data() + 25, 8);
  EXPECT_EQ(twice, -2250.0);
}

TEST_F(EditFieldTest, InvalidInputAsksAgainOnThePromptLine) {
  h.console.Line("abc").Line("12x").Line("7");
  Edit(1);
  EXPECT_EQ(h.state.RecordBuffer[0], 7);
  EXPECT_EQ(Row(5), "invalid input, try again...  Input new value: 7");
  const auto& shots = h.console.Script().Snapshots();
  ASSERT_EQ(shots.size(), 3u);
  EXPECT_NE(shots[1].find("invalid input, try again...  Input new value:\n"), std::string::npos);
}

TEST_F(EditFieldTest, ARealOutsideTheSinglePrecisionRangeIsRefused) {
  h.console.Line("1e39").Line("-4e38").Line("3.4e38");
  Edit(9);
  float single;
  std::memcpy(&single, h.state.RecordBuffer.data() + 21, 4);
  EXPECT_EQ(single, 3.4e38f);
  EXPECT_EQ(h.console.Script().Snapshots().size(), 3u);
}

TEST_F(EditFieldTest, LandmarkAndSkippedFieldsAreNotEdited) {
  h.state.RecordBuffer[33] = 0x07;
  auto before = h.state.RecordBuffer;
  Edit(11);
  EXPECT_EQ(Row(1), "07 07 town");
  EXPECT_EQ(Row(3), "offset#: 11                      Landmark||typ=L|=");
  Edit(12);
  EXPECT_EQ(h.state.RecordBuffer, before);
  EXPECT_TRUE(h.console.Script().Snapshots().empty());  // nothing was asked
}

TEST_F(EditFieldTest, AnEntryPastTheFormatShowsAnEmptyHeader) {
  Edit(50);
  EXPECT_EQ(Row(3), "offset#: 50" + std::string(30, ' ') + "||typ=" + '\0' + "|=");
  EXPECT_TRUE(h.console.Script().Snapshots().empty());
}

TEST_F(EditFieldTest, InputThatEndsChangesNothing) {
  auto before = h.state.RecordBuffer;
  EXPECT_THROW(Edit(1), RunTimeError);
  EXPECT_EQ(h.state.RecordBuffer, before);
}

TEST(FieldOffset, CountingStopsAtTheFirstEmptyEntry) {
  testing::ScratchDir dir;
  testing::DateditHarness h(dir.Path());
  testing::WriteText(dir.File("f.txt"), "wA\nlB\n Blank\nbC\n");
  h.state.RecSize = 7;
  TextFileReader file(dir.File("f.txt"));
  ReadStructureDefinition(h.state, file);
  EXPECT_EQ(FieldOffset(h.state.FieldTable, 1), 0u);
  EXPECT_EQ(FieldOffset(h.state.FieldTable, 2), 2u);
  EXPECT_EQ(FieldOffset(h.state.FieldTable, 3), 6u);
  EXPECT_EQ(FieldOffset(h.state.FieldTable, 4), 6u);
  EXPECT_EQ(FieldOffset(h.state.FieldTable, 128), 6u);
}

}  // namespace
}  // namespace vantor::datedit
