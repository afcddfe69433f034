#include "data_file.h"

#include <gtest/gtest.h>

#include "base/run_time_error.h"
#include "datedit/datedit_fixtures.h"
#include "name_tables.h"
#include "os/platform.h"

namespace vantor::datedit {
namespace {

using testing::DataFileBytes;
using testing::DateditHarness;
using testing::LetterRecords;
using testing::ScratchDir;

int ExitCodeOf(DateditHarness& h) {
  try {
    OpenDataFile(h.state, h.options);
  } catch (const ProgramEnd& end) {
    return end.exitCode;
  }
  return 0;
}

TEST(StructureTest, OnlyTheProductCounts) {
  EXPECT_TRUE(IsStructuredFile(100 + 3 * 40, 3, 40));
  EXPECT_TRUE(IsStructuredFile(100 + 3 * 40, 40, 3));
  EXPECT_TRUE(IsStructuredFile(100, 0, 40));
  EXPECT_TRUE(IsStructuredFile(100, 7, 0));
  EXPECT_FALSE(IsStructuredFile(100 + 3 * 40 + 1, 3, 40));
  EXPECT_FALSE(IsStructuredFile(99, 0, 0));
  EXPECT_FALSE(IsStructuredFile(0, 0, 0));
  // 65535 x 65535 does not fit 32 bits; it must neither wrap nor match.
  EXPECT_FALSE(IsStructuredFile(220, 65535, 65535));
  EXPECT_TRUE(IsStructuredFile(100 + 65535LL * 65535, 65535, 65535));
}

TEST(OpenDataFile, StructuredFileGivesTheSummaryAndRecordZero) {
  ScratchDir dir;
  testing::WriteBytes(dir.File("three.dat"), DataFileBytes(3, 40, LetterRecords(3, 40)));
  DateditHarness h(dir.Path(), {dir.File("three.dat")});
  OpenDataFile(h.state, h.options);
  EXPECT_EQ(h.console.Screen().Text(), "Name:" + dir.File("three.dat") +
                                           "\n"
                                           "Recsize :      40\n"
                                           "Reccount:       3\n"
                                           "Is VT structured dat file :   TRUE\n");
  EXPECT_EQ(h.state.RecNow, 0);
  EXPECT_EQ(std::string(h.state.HeaderText.begin(), h.state.HeaderText.begin() + 6), "SAMPLE");
}

TEST(OpenDataFile, AsksForANameWhileTheLineIsEmpty) {
  ScratchDir dir;
  testing::WriteBytes(dir.File("one.dat"), DataFileBytes(1, 4, LetterRecords(1, 4)));
  DateditHarness h(dir.Path());
  h.console.Line("").Line(dir.File("one.dat"));
  OpenDataFile(h.state, h.options);
  EXPECT_EQ(h.console.Screen().RowText(1), "Name of file to open? :");
  EXPECT_EQ(h.console.Screen().RowText(2), "");
  EXPECT_EQ(h.console.Screen().RowText(3), "Name of file to open? :");
  EXPECT_EQ(h.state.DataFileName, dir.File("one.dat"));
}

TEST(OpenDataFile, EmptyFileIsRefusedAfterTheSummary) {
  ScratchDir dir;
  testing::WriteBytes(dir.File("empty.dat"), DataFileBytes(0, 40, {}));
  DateditHarness h(dir.Path(), {dir.File("empty.dat")});
  EXPECT_EQ(ExitCodeOf(h), 1);
  EXPECT_EQ(h.console.Screen().RowText(4), "Is VT structured dat file :   TRUE");
  EXPECT_EQ(h.console.Screen().RowText(5), "Empty, no records!!!!!!!!! quitting..........");
  EXPECT_FALSE(h.state.DataFile.IsOpen());
}

TEST(OpenDataFile, UnstructuredFileIsRefusedAfterEnter) {
  ScratchDir dir;
  testing::WriteBytes(dir.File("big.dat"), DataFileBytes(65535, 65535, LetterRecords(2, 10)));
  DateditHarness h(dir.Path(), {dir.File("big.dat")});
  h.console.Line("");
  EXPECT_EQ(ExitCodeOf(h), 1);
  EXPECT_EQ(h.console.Screen().Text(), "Not a structured dat file. use a proper hex editor....\n");
  EXPECT_TRUE(h.console.Script().AllKeysTaken());
}

TEST(OpenDataFile, RecordsLongerThanTheBufferAreRefused) {
  ScratchDir dir;
  testing::WriteBytes(dir.File("long.dat"), DataFileBytes(1, 10001, LetterRecords(1, 10001)));
  DateditHarness h(dir.Path(), {dir.File("long.dat")});
  EXPECT_EQ(ExitCodeOf(h), 1);
  EXPECT_EQ(h.console.Screen().RowText(5),
            "Records longer than 10000 bytes are not supported. quitting..........");
}

TEST(OpenDataFile, ShortHeaderAndMissingFileAreRunTimeErrors) {
  ScratchDir dir;
  testing::WriteBytes(dir.File("short.dat"), std::vector<uint8_t>(23, 0));
  DateditHarness shortFile(dir.Path(), {dir.File("short.dat")});
  EXPECT_THROW(OpenDataFile(shortFile.state, shortFile.options), RunTimeError);
  DateditHarness missing(dir.Path(), {dir.File("missing.dat")});
  try {
    OpenDataFile(missing.state, missing.options);
    FAIL();
  } catch (const RunTimeError& e) {
    EXPECT_EQ(e.Number(), 2);
  }
}

TEST(OpenDataFile, SecondArgumentLoadsTheFormatFromTheProgramFolder) {
  ScratchDir programDir, dataDir;
  testing::WriteText(programDir.File("fmt.txt"), "wAltitude\n");
  testing::WriteText(dataDir.File("fmt.txt"), "bWrong one\n");
  testing::WriteBytes(dataDir.File("d.dat"), DataFileBytes(1, 2, LetterRecords(1, 2)));
  DateditHarness h(programDir.Path(), {dataDir.File("d.dat"), "fmt.txt"});
  h.console.Line("").Keys("k");
  OpenDataFile(h.state, h.options);
  const ScreenModel& screen = h.console.Screen();
  EXPECT_EQ(screen.RowText(1), programDir.Path() + std::string(2, kPathSeparator[0]) + "fmt.txt");
  EXPECT_EQ(screen.RowText(3), "Indicator:   w Len:   2 Name: Altitude");
  EXPECT_EQ(screen.RowText(4), " Press a key....Name:" + dataDir.File("d.dat"));
  EXPECT_TRUE(h.state.FormatLoaded);
  EXPECT_FALSE(h.state.FormattedView);
  EXPECT_TRUE(h.console.Script().AllKeysTaken());
}

TEST(MoveToRecord, LegalNumbersBecomeCurrent) {
  ScratchDir dir;
  testing::WriteBytes(dir.File("d.dat"), DataFileBytes(3, 40, LetterRecords(3, 40)));
  DateditHarness h(dir.Path(), {dir.File("d.dat")});
  OpenDataFile(h.state, h.options);
  DateditState& s = h.state;
  MoveToRecord(s, 1);
  EXPECT_EQ(s.RecNow, 1);
  for (int64_t illegal : {int64_t{-1}, int64_t{3}, int64_t{1} << 40}) {
    MoveToRecord(s, illegal);
    EXPECT_EQ(s.RecNow, 1) << illegal;
  }
  MoveToRecord(s, 2);
  EXPECT_EQ(s.RecNow, 2);
  EXPECT_EQ(RecordFile::IndexAt(180, 40), 2);
  EXPECT_EQ(RecordFile::IndexAt(219, 40), 2);
}

TEST(MoveToRecord, CountAndLengthSwappedShowsManySmallRecords) {
  ScratchDir dir;
  testing::WriteBytes(dir.File("d.dat"), DataFileBytes(40, 3, LetterRecords(3, 40)));
  DateditHarness h(dir.Path(), {dir.File("d.dat")});
  OpenDataFile(h.state, h.options);
  MoveToRecord(h.state, 39);
  EXPECT_EQ(h.state.RecNow, 39);
}

}  // namespace
}  // namespace vantor::datedit
