#include "format_file.h"

#include <gtest/gtest.h>

#include "base/run_time_error.h"
#include "datedit/datedit_fixtures.h"

namespace vantor::datedit {
namespace {

using testing::DateditHarness;
using testing::ScratchDir;

// Loads `text` as a format file against records of `recSize` bytes and returns
// the exit code (0 when the program goes on).
struct FormatLoad {
  explicit FormatLoad(const std::string& text, int recSize = 23) : harness(dir.Path()) {
    testing::WriteText(dir.File("f.txt"), text);
    harness.state.RecSize = recSize;
  }
  int Load() {
    try {
      TextFileReader file(dir.File("f.txt"));
      ReadStructureDefinition(harness.state, file);
    } catch (const ProgramEnd& end) {
      return end.exitCode;
    }
    return 0;
  }
  const FieldDef& Field(int n) const { return harness.state.FieldTable[n - 1]; }
  std::string Row(int row) const { return harness.console.Screen().RowText(row); }

  ScratchDir dir;
  DateditHarness harness;
};

TEST(FormatFile, TheSevenLineExample) {
  FormatLoad f("wAltitude\ntPilot\n12\nOTarget\nx\n3\n4Speed\n");
  EXPECT_EQ(f.Load(), 0);
  EXPECT_EQ(f.harness.console.Screen().Text(),
            "Indicator:   w Len:   2 Name: Altitude\n"
            "Indicator:   t Len:  12 Name: Pilot\n"
            "Indicator:   O Len:   2 Name: Target\n"
            "Indicator:   x Len:   3 Name:\n"
            "Indicator:   4 Len:   4 Name: Speed\n");
  EXPECT_EQ(f.Field(2).Len, 12);
  EXPECT_EQ(f.Field(4).Indicator, 'x');
  EXPECT_EQ(f.Field(5).Name, "Speed");
  EXPECT_EQ(f.Field(6).Len, 0);
}

TEST(FormatFile, DifferingSumWarnsWithoutWaiting) {
  FormatLoad f("wAltitude\n", 40);
  EXPECT_EQ(f.Load(), 0);
  EXPECT_EQ(f.Row(2), "WARNING: your structure definition is :    2");
  EXPECT_EQ(f.Row(3), "       the record size of the file is :   40");
  EXPECT_EQ(f.Row(4), "press [enter]...");
}

TEST(FormatFile, EmptyFileMakesNoEntries) {
  FormatLoad f("", 10);
  EXPECT_EQ(f.Load(), 0);
  EXPECT_EQ(f.Row(1), "WARNING: your structure definition is :    0");
  EXPECT_EQ(f.Field(1).Len, 0);
}

TEST(FormatFile, NamesAreTheRestOfTheLineCutTo30) {
  FormatLoad f("b" + std::string("123456789012345678901234567890EXTRA") + "\nw Altitude\n", 3);
  f.Load();
  EXPECT_EQ(f.Field(1).Name, "123456789012345678901234567890");
  EXPECT_EQ(f.Field(2).Name, " Altitude");
}

TEST(FormatFile, LengthLinesTakeTheFirstTokenOnly) {
  FormatLoad f("tName\n  12 and words\nx\n\n\n  $10\nbLast\n", 29);
  f.Load();
  EXPECT_EQ(f.Field(1).Len, 12);
  EXPECT_EQ(f.Field(2).Len, 16);
  EXPECT_EQ(f.Field(3).Indicator, 'b');
}

TEST(FormatFile, LengthLineMissingAtTheEndGivesZero) {
  FormatLoad f("wA\nt", 2);
  f.Load();
  EXPECT_EQ(f.Field(2).Indicator, 't');
  EXPECT_EQ(f.Field(2).Len, 0);
}

TEST(FormatFile, InvalidOrOutOfRangeLengthsNameTheFileAndLine) {
  for (const char* length : {"12x", "-1", "65536"}) {
    FormatLoad f(std::string("wA\ntB\n") + length + "\n");
    try {
      f.Load();
      FAIL() << length;
    } catch (const RunTimeError& e) {
      EXPECT_EQ(e.Code(), ErrorCode::InvalidNumericFormat);
      std::string what = e.what();
      EXPECT_NE(what.find("f.txt"), std::string::npos) << what;
      EXPECT_NE(what.find("line 3"), std::string::npos) << what;
    }
  }
  FormatLoad largest("t\n65535\n", 65535);
  EXPECT_EQ(largest.Load(), 0);
}

TEST(FormatFile, UnknownLettersAndEmptyLinesHaveNoLength) {
  FormatLoad f("wA\n Blank start\n\nbAfter\n", 3);
  f.Load();
  EXPECT_EQ(f.Field(2).Indicator, ' ');
  EXPECT_EQ(f.Field(2).Len, 0);
  EXPECT_EQ(f.Field(3).Indicator, '\0');
  EXPECT_EQ(f.Field(3).Len, 0);
  EXPECT_EQ(f.Field(4).Len, 1);
  EXPECT_EQ(f.Row(2), "Indicator:     Len:   0 Name: Blank start");
}

TEST(FormatFile, CrOnlyLinesAndCtrlZ) {
  FormatLoad f(
      "wA\rbB\r\x1a"
      "lIgnored\r",
      3);
  EXPECT_EQ(f.Load(), 0);
  EXPECT_EQ(f.Field(2).Indicator, 'b');
  EXPECT_EQ(f.Field(3).Len, 0);
  EXPECT_EQ(f.harness.console.Screen().Text(),
            "Indicator:   w Len:   2 Name: A\nIndicator:   b Len:   1 Name: B\n");
}

TEST(FormatFile, MoreThan128EntriesAreCutWithAWarning) {
  std::string text;
  for (int i = 0; i < 130; ++i)
    text += "bField\n";
  FormatLoad f(text, 128);
  EXPECT_EQ(f.Load(), 0);
  std::string_view transcript = f.harness.console.Transcript();
  size_t echoes = 0;
  for (size_t at = transcript.find("Indicator:"); at != std::string_view::npos;
       at = transcript.find("Indicator:", at + 1)) {
    ++echoes;
  }
  EXPECT_EQ(echoes, 128u);
  EXPECT_NE(transcript.find("Name: Field\nWARNING: more than 128 fields, the rest of the format "
                            "file is ignored\n"),
            std::string_view::npos);
  EXPECT_EQ(f.Field(128).Len, 1);
}

TEST(FormatFile, ReloadingLeavesNoOldEntries) {
  FormatLoad f("bA\nbB\nbC\n", 3);
  f.Load();
  testing::WriteText(f.dir.File("f.txt"), "wX\n");
  f.Load();
  EXPECT_EQ(f.Field(1).Indicator, 'w');
  EXPECT_EQ(f.Field(2).Len, 0);
}

TEST(FormatFile, LargerThanTheBufferEndsTheProgram) {
  FormatLoad tooBig("t\n10001\n", 40);
  EXPECT_EQ(tooBig.Load(), 1);
  EXPECT_EQ(tooBig.Row(5), "structure definition exceeds maximum :10000");
  EXPECT_EQ(tooBig.Row(6), "Exiting....");
  FormatLoad exactly("t\n10000\n", 40);
  EXPECT_EQ(exactly.Load(), 0);
  // A sum equal to the record length is taken without the 10000 test.
  FormatLoad equal("t\n20000\n", 20000);
  EXPECT_EQ(equal.Load(), 0);
}

TEST(FormatFile, LoadWaitsForAKeyAfterThePrompt) {
  FormatLoad f("wAltitude\ntPilot\n12\nOTarget\nx\n3\n4Speed\n");
  f.harness.console.Keys("z");
  LoadFormatFile(f.harness.state, f.dir.File("f.txt"));
  EXPECT_EQ(f.Row(6), " Press a key....");
  EXPECT_TRUE(f.harness.console.Script().AllKeysTaken());
  EXPECT_THROW(LoadFormatFile(f.harness.state, f.dir.File("missing.txt")), RunTimeError);
}

}  // namespace
}  // namespace vantor::datedit
