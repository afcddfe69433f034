#include "landmark_view.h"

#include <gtest/gtest.h>

#include <sstream>

#include "base/run_time_error.h"
#include "landmark_record.h"
#include "lmedit/lmedit_fixtures.h"

namespace vantor::lmedit {
namespace {

using testing::AsRecord;
using testing::KnownLandmark;
using testing::Landmark;
using testing::Lines;

// The seven lines of the known landmark, as ShowLandmark writes them.
const std::vector<std::string> kKnownLines = {
    "1  N co-ord   -12.50000",
    "2  E co-ord  123456.75000",
    "3  Elevation    3.25000",
    "4  Rotation    90.00000",
    "5  Lo file ID07AB01     town Allied",
    "6  Lmrk Name " + std::string(34, ' ') + "Tarrow",
    "7  LM ID        4660",
};

TEST(TypeSideText, ScreenTextsOfTypesAndSides) {
  EXPECT_EQ(TypeSideText(7, 1), " town Allied");
  EXPECT_EQ(TypeSideText(12, 5), "unknown type Invalid side");
  EXPECT_EQ(TypeSideText(6, 0), " dont work Central");
  EXPECT_EQ(TypeSideText(8, 2), " village Invalid side");
  EXPECT_EQ(TypeSideText(9, 1), "unknown type Allied");
}

TEST(ShowLandmark, BlankRecord) {
  testing::LmeditHarness h;
  ShowLandmark(h.console, LandmarkRecord{});
  EXPECT_EQ(h.console.Screen().Row(1).substr(0, 24), "1  N co-ord     0.00000 ");
  EXPECT_EQ(h.Row(4), "4  Rotation     0.00000");
  EXPECT_EQ(h.Row(5), "5  Lo file ID000000    aero Central");
  // The empty name is 40 blanks and one more.
  EXPECT_EQ(h.console.Screen().Row(6).substr(0, 55), "6  Lmrk Name " + std::string(42, ' '));
  EXPECT_EQ(h.Row(7), "7  LM ID           0");
  EXPECT_EQ(h.console.WhereY(), 8);
  EXPECT_EQ(h.console.WhereX(), 1);
}

TEST(ShowLandmark, KnownRecordFromTheCursorOn) {
  testing::LmeditHarness h;
  h.console.GotoXY(1, 3);
  ShowLandmark(h.console, AsRecord(KnownLandmark()));
  for (int i = 0; i < 7; ++i)
    EXPECT_EQ(h.Row(i + 3), kKnownLines[i]);
}

// The editor on record 2 of a three-record output file, with the known
// landmark as the template's record 2.
class EditLandmarkTest : public ::testing::Test {
 protected:
  EditLandmarkTest() {
    testing::WriteBytes(dir.File("o.mrf"), testing::NumberedFile(3));
    auto templateRecords = testing::NumberedRecords(3);
    auto known = testing::RecordBytes(KnownLandmark());
    std::copy(known.begin(), known.end(), templateRecords.begin() + 63);
    testing::WriteBytes(dir.File("t.mrf"), testing::LandmarkFileBytes(3, templateRecords));
    s.OutputName = "o.mrf";
    s.OutputFile = RecordFile::Open(dir.File("o.mrf"), BinaryFile::Access::ReadWrite);
    s.TemplateFile = RecordFile::Open(dir.File("t.mrf"), BinaryFile::Access::ReadWrite);
    s.CurrentRecord = 2;
  }
  std::vector<uint8_t> FileRecord(int n) {
    return testing::Slice(testing::ReadBytes(dir.File("o.mrf")), 100 + (n - 1) * 63, 63);
  }
  std::vector<uint8_t> Bytes(const Landmark& l) { return testing::RecordBytes(l); }
  std::vector<std::string> Snapshot(size_t i) {
    return Lines(h.console.Script().Snapshots().at(i));
  }

  testing::ScratchDir dir;
  testing::LmeditHarness h;
  LmeditState& s = h.state;
};

TEST_F(EditLandmarkTest, ScreenShowsOutputAboveTemplate) {
  h.console.Keys("C");
  EditLandmark(s);
  auto rows = Snapshot(0);
  ASSERT_EQ(rows.size(), 23u);
  EXPECT_EQ(rows[3], " Editing o.mrf landmark Name: Place 2");  // the zero bytes show nothing
  EXPECT_EQ(rows[4], "1  N co-ord    20.00000");
  EXPECT_EQ(rows[8], "5  Lo file ID020000  supply Central");
  EXPECT_EQ(rows[11], "R  reset and restart editing with original values");
  EXPECT_EQ(rows[12], "S =save C=cancel P=paste previous copy into output");
  EXPECT_EQ(rows[13], "");
  EXPECT_EQ(rows[14], "");
  EXPECT_EQ(rows[15], "Original values :");
  for (int i = 0; i < 7; ++i)
    EXPECT_EQ(rows[16 + i], kKnownLines[i]);
}

TEST_F(EditLandmarkTest, EveryFieldThenSave) {
  h.console.Keys("1").Line("-12.5");
  h.console.Keys("2").Line("1.2345675E5");
  h.console.Keys("3").Line("  3.25 and the rest");
  h.console.Keys("4").Line("").Line("90");  // an empty line is passed over
  h.console.Keys("6").Line("Tarrow");
  h.console.Keys("7").Line("$1234");
  h.console.Keys("s").Keys("x");
  EditLandmark(s);
  Landmark expected = KnownLandmark();
  // Only the edited fields changed: type, side, middle byte and spare are record 2's.
  Landmark two = testing::NumberedLandmark(2);
  expected.type = two.type;
  expected.middle = two.middle;
  expected.side = two.side;
  expected.spare0 = expected.spare1 = 0;
  EXPECT_EQ(FileRecord(2), Bytes(expected));
  EXPECT_EQ(FileRecord(1), Bytes(testing::NumberedLandmark(1)));
  EXPECT_EQ(FileRecord(3), Bytes(testing::NumberedLandmark(3)));
  EXPECT_EQ(h.Row(24), "Changes saved.... press a key...");
  EXPECT_TRUE(h.console.Script().AllKeysTaken());
}

TEST_F(EditLandmarkTest, PromptStandsInColumn31OfTheFieldsRow) {
  h.console.Keys("4").Line("1").Keys("C");
  EditLandmark(s);
  auto rows = Snapshot(1);  // waiting for the value
  EXPECT_EQ(rows[7], "4  Rotation     0.00000" + std::string(7, ' ') + "New value:");
}

TEST_F(EditLandmarkTest, PromptKeepsTheOldValueRightOfItButForTheLoFileId) {
  Landmark wide = testing::NumberedLandmark(2);
  wide.north = 1e35f;
  wide.name = std::string(39, 'w');
  testing::WriteBytes(dir.File("o.mrf"), testing::LandmarkFileBytes(3, testing::RecordBytes(wide)));
  s.CurrentRecord = 1;
  for (int field : {1, 6, 5}) {
    const size_t editor = h.console.Script().Snapshots().size();
    h.console.Keys(std::to_string(field));
    field == 5 ? h.console.Keys("000000") : h.console.Line("1");
    h.console.Keys("C");
    EditLandmark(s);
    // The field's row on the editor's screen, then while the value is awaited.
    std::string before = Snapshot(editor).at(field + 3);
    std::string prompt = before.substr(0, 30) + "New value:";
    if (field != 5) prompt += " " + before.substr(41);
    EXPECT_EQ(Snapshot(editor + 1).at(field + 3), prompt) << field;
  }
}

TEST_F(EditLandmarkTest, NumbersOutOfRangeAreAskedAgain) {
  h.console.Keys("1").Line("1e39").Line("1e400").Line("5");
  h.console.Keys("7").Line("70000").Line("-1").Line("65535");
  h.console.Keys("C");
  EditLandmark(s);
  EXPECT_EQ(RealAt(s.OutputRecord, kNCoordOffset), 5.0f);
  EXPECT_EQ(LmId(s.OutputRecord), 65535);
  auto rows = Snapshot(2);  // after the first refusal
  EXPECT_EQ(rows[4].substr(30), "Out of range... New value:");
}

TEST_F(EditLandmarkTest, MalformedNumberStopsTheProgram) {
  h.console.Keys("7").Line("12x");
  EXPECT_THROW(EditLandmark(s), RunTimeError);
}

TEST_F(EditLandmarkTest, NamesAreCutToFortyCharacters) {
  h.console.Keys("6").Line(std::string(50, 'N')).Keys("C");
  EditLandmark(s);
  EXPECT_EQ(NameField(s.OutputRecord), std::string(40, 'N'));
  EXPECT_EQ(LandmarkName(s.OutputRecord), "");  // no zero byte is left
}

TEST_F(EditLandmarkTest, HexEntryEndsOnTheSixthDigit) {
  h.console.Keys("50a1B02").Keys("C");
  EditLandmark(s);
  EXPECT_EQ(s.OutputRecord[4], 10);
  EXPECT_EQ(s.OutputRecord[5], 27);
  EXPECT_EQ(s.OutputRecord[6], 2);
  EXPECT_TRUE(h.console.Script().AllKeysTaken());
  // Cancelled: the file keeps its record.
  EXPECT_EQ(FileRecord(2), Bytes(testing::NumberedLandmark(2)));
  auto rows = Snapshot(7);  // the editor again, after the entry
  EXPECT_EQ(rows[8].substr(0, 19), "5  Lo file ID0A1B02");
}

TEST_F(EditLandmarkTest, HexEntryBackspaceAndRefusedKeys) {
  h.console.Keys("51g2\b34567").Keys("C");
  EditLandmark(s);
  EXPECT_EQ(s.OutputRecord[4], 0x13);
  EXPECT_EQ(s.OutputRecord[5], 0x45);
  EXPECT_EQ(s.OutputRecord[6], 0x67);
  std::string fieldLine = "5  Lo file ID020000  supply Central";
  auto rows = Snapshot(2);  // after "1"
  EXPECT_EQ(rows[8], fieldLine.substr(0, 30) + "New value:  1");
  rows = Snapshot(3);  // after "g": the note stays while the next key is awaited
  EXPECT_EQ(rows[8], fieldLine.substr(0, 30) + "New value:  1 Not a HEX char...");
  rows = Snapshot(5);  // "12", then Backspace
  EXPECT_EQ(rows[8], fieldLine.substr(0, 30) + "New value:  1");
}

TEST_F(EditLandmarkTest, ResetBringsBackTheTemplateRecordWithItsSpareBytes) {
  h.console.Keys("1").Line("77").Keys("r").Keys("S").Keys(" ");
  EditLandmark(s);
  EXPECT_EQ(FileRecord(2), Bytes(KnownLandmark()));
}

TEST_F(EditLandmarkTest, PasteTakesThePasteBuffer) {
  Landmark pasted = testing::NumberedLandmark(9);
  pasted.spare0 = 0x99;
  s.PasteBuffer = AsRecord(pasted);
  h.console.Keys("pS ");
  EditLandmark(s);
  EXPECT_EQ(FileRecord(2), Bytes(pasted));
}

TEST_F(EditLandmarkTest, SaveWithoutChangesAndCancelAfterChanges) {
  auto before = testing::ReadBytes(dir.File("o.mrf"));
  h.console.Keys("S ");
  EditLandmark(s);
  EXPECT_EQ(testing::ReadBytes(dir.File("o.mrf")), before);
  h.console.Keys("1").Line("5").Keys("qC");  // q only redraws
  EditLandmark(s);
  EXPECT_EQ(testing::ReadBytes(dir.File("o.mrf")), before);
}

TEST_F(EditLandmarkTest, LongFileNamePushesTheFieldsDownButNotThePrompt) {
  s.OutputName = std::string(70, 'n');
  h.console.Keys("1").Line("2").Keys("C");
  EditLandmark(s);
  auto rows = Snapshot(1);
  EXPECT_EQ(rows[5], "1  N co-ord    20.00000");
  EXPECT_EQ(rows[4].substr(30), "New value:");
}

}  // namespace
}  // namespace vantor::lmedit
