// datedit's command loop and record screen, driven key by key.
#include "command_loop.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "base/run_time_error.h"
#include "data_file.h"
#include "datedit/datedit_loop_support.h"
#include "record_screen.h"

namespace vantor::datedit {
namespace {

// The fixtures of datedit's tests, all of them.
using namespace testing;

const std::string kMenu1 = "f=forward|b=back|w=save rec 2 file|r=read rec from file ||Q=quit";
const std::string kMenu2 = "a=Ascii/Hex toggle|s=save raw (no header)|i=insert rec from a file ";
const std::string kMenu3 =
    "j=jump 2 rec|F=frmtd|^F=get Fmt-file|^R=reread Fmt|^Q auto-seek fmt file|";

std::string Repeat(const std::string& cell, int times) {
  std::string text;
  for (int i = 0; i < times; ++i)
    text += cell;
  return text;
}

// Makes a folder current for the life of the object.
class CurrentFolder {
 public:
  explicit CurrentFolder(const std::string& path) : old_(std::filesystem::current_path()) {
    std::filesystem::current_path(path);
  }
  ~CurrentFolder() { std::filesystem::current_path(old_); }

 private:
  std::filesystem::path old_;
};

TEST(RecordScreen, StatusLinesShowTheNameTheRawHeaderAndTheCounts) {
  ScratchDir dir;
  CurrentFolder here(dir.Path());
  const std::string header(
      "HDR\x01\x82"
      "56789"
      "abc\0"
      "efghij",
      20);
  WriteBytes("a.dat", DataFileBytes(1, 40, LetterRecords(1, 40), header));
  DateditHarness h(dir.Path(), {"a.dat"});
  h.console.Keys("Q");
  OpenAndRun(h);
  const std::string& screen = Shots(h).at(0);
  EXPECT_EQ(RowOf(screen, 1), "File:         a.dat Pos:    0 recnow:    0 range: 0 - 0");
  EXPECT_EQ(RowOf(screen, 2), "Header:" + header.substr(0, 10) + " " + header.substr(10) +
                                  " Recsize :  40 Rec#:    1 Headsize: 100");
  EXPECT_EQ(RowOf(screen, 3), "Displaying ASCII when possible:   FALSE");
  EXPECT_EQ(RowOf(screen, 4), "");
}

TEST(RecordScreen, LongNameIsWrittenWholeAndPosFollowsTheRecord) {
  ScratchDir dir;
  WriteBytes(dir.File("three.dat"), DataFileBytes(3, 40, LetterRecords(3, 40)));
  DateditHarness h(dir.Path(), {dir.File("three.dat")});
  h.console.Keys("ffQ");
  OpenAndRun(h);
  EXPECT_EQ(RowOf(Shots(h).at(2), 1),
            "File:" + dir.File("three.dat") + " Pos:    2 recnow:    2 range: 0 - 2");
}

TEST(RecordScreen, DumpLinesHoldTwentyCellsThenOneLineEnd) {
  ScratchDir dir;
  auto firstScreen = [&](int size, const std::vector<uint8_t>& records) {
    WriteBytes(dir.File("d.dat"), DataFileBytes(1, static_cast<uint16_t>(size), records));
    DateditHarness h(dir.Path(), {dir.File("d.dat")});
    h.console.Keys("Q");
    OpenAndRun(h);
    return Shots(h).at(0);
  };
  std::string forty = firstScreen(40, LetterRecords(1, 40));
  EXPECT_EQ(RowOf(forty, 5), Repeat(" 41", 20));
  EXPECT_EQ(RowOf(forty, 6), Repeat(" 41", 20));
  EXPECT_EQ(RowOf(forty, 7), "");
  EXPECT_EQ(RowOf(forty, 8), kMenu1);

  std::string fortyFive = firstScreen(45, LetterRecords(1, 45));
  EXPECT_EQ(RowOf(fortyFive, 6), Repeat(" 41", 20));
  EXPECT_EQ(RowOf(fortyFive, 7), Repeat(" 41", 5));
  EXPECT_EQ(RowOf(fortyFive, 8), kMenu1);

  std::vector<uint8_t> counting;
  for (uint8_t b = 0; b < 20; ++b)
    counting.push_back(b);
  std::string twenty = firstScreen(20, counting);
  EXPECT_EQ(RowOf(twenty, 5), " 00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F 10 11 12 13");
  EXPECT_EQ(RowOf(twenty, 6), "");
  EXPECT_EQ(RowOf(twenty, 7), kMenu1);
}

TEST(RecordScreen, AsciiModeShowsBytes32To254AsDotAndCharacter) {
  ScratchDir dir;
  WriteBytes(dir.File("d.dat"), DataFileBytes(1, 9, {72, 105, 0, 255, 32, 254, 31, 127, 65}));
  DateditHarness h(dir.Path(), {dir.File("d.dat")});
  h.console.Keys("aaQ");
  OpenAndRun(h);
  ASSERT_EQ(Shots(h).size(), 3u);
  EXPECT_EQ(RowOf(Shots(h)[1], 3), "Displaying ASCII when possible:    TRUE");
  EXPECT_EQ(RowOf(Shots(h)[1], 5),
            " .H .i 00 FF . "
            " .\xFE 1F .\x7F .A");
  EXPECT_EQ(RowOf(Shots(h)[2], 3), "Displaying ASCII when possible:   FALSE");
  EXPECT_EQ(RowOf(Shots(h)[2], 5), " 48 69 00 FF 20 FE 1F 7F 41");
}

TEST(CommandLoop, MenuHasThreeLinesAndFAddsTheEditLabelEvenWithoutFormat) {
  ScratchDir dir;
  WriteBytes(dir.File("d.dat"), DataFileBytes(2, 40, LetterRecords(2, 40)));
  DateditHarness h(dir.Path(), {dir.File("d.dat")});
  h.console.Keys("FFQ");
  OpenAndRun(h);
  ASSERT_EQ(Shots(h).size(), 3u);
  for (int i = 0; i < 3; ++i) {
    const std::string& screen = Shots(h)[i];
    EXPECT_EQ(RowOf(screen, 5), Repeat(" 41", 20)) << i;  // still the dump
    EXPECT_EQ(RowOf(screen, 8), kMenu1) << i;
    EXPECT_EQ(RowOf(screen, 9) + " ", kMenu2) << i;
    EXPECT_EQ(RowOf(screen, 10), kMenu3 + (i == 1 ? "E=Edit" : "")) << i;
  }
  EXPECT_NE(h.console.Transcript().find(kMenu2 + "\n"), std::string::npos);  // trailing blank
}

TEST(CommandLoop, PagingAndJumpsLandOnLegalRecordsOnly) {
  ScratchDir dir;
  WriteBytes(dir.File("d.dat"), DataFileBytes(3, 40, LetterRecords(3, 40)));
  DateditHarness h(dir.Path(), {dir.File("d.dat")});
  h.console.Keys("bfffbj").Line("-1").Keys("j").Line("3").Keys("j").Line("2").Keys("Q");
  OpenAndRun(h);
  // One screen per key or line wait: b f f f b j(line) j j(line) j j(line) j.
  const int recNow[] = {0, 0, 1, 2, 2, 1, 1, 1, 1, 1, 1, 2};
  ASSERT_EQ(Shots(h).size(), std::size(recNow));
  for (size_t i = 0; i < std::size(recNow); ++i) {
    std::string n = std::to_string(recNow[i]);
    EXPECT_EQ(PositionPart(Shots(h)[i]), " Pos:    " + n + " recnow:    " + n + " range: 0 - 2")
        << i;
    EXPECT_EQ(RowOf(Shots(h)[i], 5), Repeat(" 4" + std::to_string(1 + recNow[i]), 20)) << i;
  }
  EXPECT_EQ(RowOf(Shots(h)[6], 11), "");
  EXPECT_EQ(RowOf(Shots(h)[6], 12), "Which rec# to jump to?  0 to 2 = max");
  EXPECT_NE(h.console.Transcript().find("\nWhich rec# to jump to?  0 to 2 = max \n-1\n"),
            std::string::npos);
}

// An integer read at the end of the input gives 0, as at any integer
// prompt; the program stops at the next key it waits for.
TEST(CommandLoop, InputEndingAtTheJumpPromptReadsZeroThenStops) {
  ScratchDir dir;
  WriteBytes(dir.File("d.dat"), DataFileBytes(3, 40, LetterRecords(3, 40)));
  DateditHarness h(dir.Path(), {dir.File("d.dat")});
  h.console.Keys("fj");
  try {
    OpenAndRun(h);
    FAIL() << "the loop went on without input";
  } catch (const RunTimeError& e) {
    EXPECT_EQ(e.Number(), 100);
  }
  EXPECT_EQ(h.state.RecNow, 0);
}

TEST(CommandLoop, PageDownIsZeroThenScanCode81WhichQuits) {
  ScratchDir dir;
  WriteBytes(dir.File("d.dat"), DataFileBytes(1, 4, LetterRecords(1, 4)));
  DateditHarness h(dir.Path(), {dir.File("d.dat")});
  h.console.ExtendedKey(ScanCode::PageDown);
  OpenAndRun(h);
  EXPECT_EQ(CountOf(h.console.Transcript(), kMenu1), 2u);  // the zero only redraws
}

TEST(CommandLoop, LowerCaseQAndCtrlQDoNotQuit) {
  ScratchDir dir;
  WriteBytes(dir.File("x.dat"), DataFileBytes(1, 4, LetterRecords(1, 4)));
  DateditHarness h(dir.Path(), {dir.File("x.dat")});
  h.console.Keys("q\x11Q");
  OpenAndRun(h);
  EXPECT_EQ(Shots(h).size(), 3u);
  EXPECT_TRUE(h.console.Script().AllKeysTaken());
  EXPECT_TRUE(h.state.FormattedView);  // Ctrl+Q ran the search, which found nothing
  EXPECT_EQ(RowOf(Shots(h)[2], 5), " 41 41 41 41");
}

TEST(EditCommand, WithoutAFormatFileNothingIsAskedOrWritten) {
  ScratchDir dir;
  auto original = DataFileBytes(2, 40, LetterRecords(2, 40));
  WriteBytes(dir.File("d.dat"), original);
  DateditHarness h(dir.Path(), {dir.File("d.dat")});
  OpenDataFile(h.state, h.options);
  ShowRecord(h.state);
  h.state.RecordBuffer[0] = 'Z';
  EXPECT_TRUE(DispatchKey(h.state, h.options, 'E'));  // reading anything would end the queued input
  EXPECT_EQ(h.console.Transcript().find("fieldnr"), std::string::npos);
  h.state.DataFile.Close();
  EXPECT_EQ(ReadBytes(dir.File("d.dat")), original);
}

// Another program writes to the data file while datedit waits for a key or
// a line: every command shows and writes what the file holds at that moment,
// and an edit changes only the bytes the user typed.
TEST(EditCommand, EveryCommandWorksOnWhatTheFileHoldsNow) {
  ScratchDir dir;
  WriteText(dir.File("fmt.txt"), "wAltitude\ntName\n38\n");
  auto bytes = DataFileBytes(3, 40, LetterRecords(3, 40));
  WriteBytes(dir.File("d.dat"), bytes);
  auto changeOnDisk = [&](size_t offset, uint8_t value) {
    bytes[offset] = value;
    WriteBytes(dir.File("d.dat"), bytes);
  };
  DateditHarness h(dir.Path(), {dir.File("d.dat"), "fmt.txt"});
  h.console.Line("").Keys("k");
  OpenDataFile(h.state, h.options);
  DateditState& s = h.state;
  ShowRecord(s);
  changeOnDisk(145, 'p');
  DispatchKey(s, h.options, 'f');
  ShowRecord(s);
  EXPECT_EQ(s.RecordBuffer[5], 'p');

  // Edited while another program changed byte 10: both changes stay.
  changeOnDisk(150, 'q');
  h.console.Line("1").Line("4660");
  DispatchKey(s, h.options, 'E');
  bytes[140] = 0x34;
  bytes[141] = 0x12;
  EXPECT_EQ(ReadBytes(dir.File("d.dat")), bytes);
  // Numbers outside 1 to 128 edit nothing.
  changeOnDisk(151, 'r');
  h.console.Line("0");
  DispatchKey(s, h.options, 'E');
  EXPECT_EQ(ReadBytes(dir.File("d.dat")), bytes);

  // w writes the record as it is when its name has been typed.
  changeOnDisk(152, 's');
  h.console.Line(dir.File("rec.bin")).Keys("k");
  DispatchKey(s, h.options, 'w');
  EXPECT_EQ(ReadBytes(dir.File("rec.bin")),
            std::vector<uint8_t>(bytes.begin() + 140, bytes.begin() + 180));

  // An insert keeps a record changed after the screen was drawn.
  ShowRecord(s);
  changeOnDisk(190, 't');
  WriteBytes(dir.File("x.rec"), std::vector<uint8_t>(40, 'X'));
  h.console.Line(dir.File("x.rec")).Line("").Line("").Keys("k");  // the reopening loads fmt.txt
  DispatchKey(s, h.options, 'i');
  bytes.insert(bytes.begin() + 140, 40, 'X');
  bytes[20] = 4;
  EXPECT_EQ(ReadBytes(dir.File("d.dat")), bytes);

  // A file shortened meanwhile shows its last record instead.
  MoveToRecord(s, 3);
  ShowRecord(s);
  bytes.resize(100 + 2 * 40);
  bytes[20] = 2;
  WriteBytes(dir.File("d.dat"), bytes);
  ShowRecord(s);
  EXPECT_EQ(s.RecNow, 1);
  EXPECT_EQ(PositionPart(h.console.Screen().Text()), " Pos:    1 recnow:    1 range: 0 - 1");
}

TEST(EditCommand, EditedFieldReachesTheFileAndTheNextScreen) {
  ScratchDir dir;
  WriteText(dir.File("fmt.txt"), "wAltitude\ntName\n38\n");
  auto bytes = DataFileBytes(3, 40, LetterRecords(3, 40));
  WriteBytes(dir.File("d.dat"), bytes);
  DateditHarness h(dir.Path(), {dir.File("d.dat"), "fmt.txt"});
  h.console.Line("").Keys("k").Keys("fE").Line("1").Line("4660").Keys("Q");
  OpenAndRun(h);
  const auto& shots = Shots(h);
  ASSERT_EQ(shots.size(), 7u);  // Enter, key, rec 0, rec 1, number, value, rec 1
  EXPECT_EQ(RowOf(shots[4], 11), "");
  EXPECT_EQ(RowOf(shots[4], 12), "input the  fieldnr you want to edit:");
  EXPECT_EQ(RowOf(shots[6], 5), " 34 12" + Repeat(" 42", 18));
  h.state.DataFile.Close();
  bytes[140] = 0x34;
  bytes[141] = 0x12;
  EXPECT_EQ(ReadBytes(dir.File("d.dat")), bytes);
}

// Another program puts a new file under the name while datedit shows record
// 5: a command writes nothing, and the next screen shows record 5 as the new
// file holds it, in its own record length, with the note below the menu.
TEST(ReplacedDataFile, ACommandWritesNothingIntoTheNewFile) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows puts no new file under a name that a program holds open";
#endif
  auto insertAtZero = [](const std::string& data) {
    RecordFile other = RecordFile::Open(data, BinaryFile::Access::ReadWrite);
    EXPECT_EQ(other.Insert(0, std::vector<uint8_t>(40, 'X')), std::nullopt);
  };
  auto moveTenByteFile = [](const std::string& data) {
    WriteBytes(data + ".new", DataFileBytes(12, 10, LetterRecords(12, 10)));
    std::filesystem::rename(data + ".new", data);
  };
  const std::string insertedSizes = " Recsize :  40 Rec#:    9 Headsize: 100";
  const std::string movedSizes = " Recsize :  10 Rec#:   12 Headsize: 100";
  struct Case {
    std::function<void(const std::string& data)> replace;
    char key;                        // ' ' writes nothing and has no note
    std::vector<std::string> lines;  // typed for the command
    std::string sizes;               // the second status line from " Recsize"
    std::string record5;             // its first dump line
    int noteRow;
  };
  const Case cases[] = {
      {insertAtZero, 'E', {"1", "999"}, insertedSizes, Repeat(" 45", 20), 11},
      {insertAtZero, 'r', {"y.rec"}, insertedSizes, Repeat(" 45", 20), 11},
      {moveTenByteFile, 'E', {"1", "999"}, movedSizes, Repeat(" 46", 10), 9},
      {moveTenByteFile, ' ', {}, movedSizes, Repeat(" 46", 10), 9},
  };
  for (const Case& c : cases) {
    ScratchDir dir;
    const std::string data = dir.File("d.dat");
    WriteText(dir.File("fmt.txt"), "wSpeed\ntName\n38\n");
    WriteBytes(dir.File("y.rec"), std::vector<uint8_t>(40, 'Y'));
    WriteBytes(data, DataFileBytes(8, 40, LetterRecords(8, 40)));
    DateditHarness h(dir.Path(), {data, "fmt.txt"});
    h.console.Line("").Keys("k");
    OpenDataFile(h.state, h.options);
    MoveToRecord(h.state, 5);
    ShowRecord(h.state);
    c.replace(data);
    const auto replaced = ReadBytes(data);
    for (const std::string& line : c.lines)
      h.console.Line(line == "y.rec" ? dir.File(line) : line);
    DispatchKey(h.state, h.options, c.key);
    const std::string what = c.sizes + " " + c.key;
    EXPECT_EQ(ReadBytes(data), replaced) << what;

    h.console.Keys("Q");
    CommandLoop(h.state, h.options);
    const std::string& screen = Shots(h).back();
    EXPECT_EQ(PositionPart(screen),
              " Pos:    5 recnow:    5 range: 0 - " + std::to_string(h.state.RecCount - 1))
        << what;
    const std::string status2 = RowOf(screen, 2);
    EXPECT_EQ(status2.substr(status2.find(" Recsize")), c.sizes) << what;
    EXPECT_EQ(RowOf(screen, 5), c.record5) << what;
    EXPECT_EQ(RowOf(screen, c.noteRow - 1), kMenu3) << what;
    EXPECT_EQ(RowOf(screen, c.noteRow),
              c.key == ' ' ? "" : data + " was changed by another program; nothing written")
        << what;
    EXPECT_EQ(RowOf(screen, c.noteRow + 1), "") << what;  // once: the note is not kept
    EXPECT_TRUE(h.console.Script().AllKeysTaken()) << what;
  }
}

// A new file under the name that is no structured file ends the program as
// at start, with the note still on the screen.
TEST(ReplacedDataFile, ANewFileThatFailsTheStructureTestEndsTheProgram) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows puts no new file under a name that a program holds open";
#endif
  ScratchDir dir;
  const std::string data = dir.File("d.dat");
  WriteBytes(data, DataFileBytes(3, 40, LetterRecords(3, 40)));
  DateditHarness h(dir.Path(), {data});
  OpenDataFile(h.state, h.options);
  ShowRecord(h.state);
  WriteBytes(data + ".new", DataFileBytes(3, 40, LetterRecords(2, 40)));
  std::filesystem::rename(data + ".new", data);
  h.console.Line(dir.File("rec.bin")).Line("");
  try {
    DispatchKey(h.state, h.options, 'w');
    ADD_FAILURE() << "the program went on";
  } catch (const ProgramEnd& end) {
    EXPECT_EQ(end.exitCode, 1);
  }
  EXPECT_FALSE(std::filesystem::exists(dir.File("rec.bin")));
  const std::string text = h.console.Screen().Text();
  EXPECT_TRUE(testing::Contains(text, data +
                                          " was changed by another program; nothing written\n"
                                          "Not a structured dat file. use a proper hex editor...."))
      << text;
}

TEST(FormatCommands, CtrlFLoadsCtrlRReloadsAndAnEmptyNameStopsBoth) {
  ScratchDir dir;
  WriteText(dir.File("fmt.txt"), "wAltitude\nbRank\n");
  WriteBytes(dir.File("d.dat"), DataFileBytes(1, 3, {0x34, 0x12, 7}));
  DateditHarness h(dir.Path(), {dir.File("d.dat")});
  DateditState& s = h.state;
  h.console.Keys("\x06").Line("fmt.txt").Keys("kQ");
  OpenAndRun(h);
  auto shots = Shots(h);
  ASSERT_EQ(shots.size(), 4u);
  // The three-byte dump takes one row, so the menu ends on row 8.
  EXPECT_EQ(RowOf(shots[1], 9), "name of format file? :");
  EXPECT_EQ(RowOf(shots[2], 9), "name of format file? :fmt.txt");
  EXPECT_EQ(RowOf(shots[2], 10), "Indicator:   w Len:   2 Name: Altitude");
  EXPECT_EQ(RowOf(shots[2], 11), "Indicator:   b Len:   1 Name: Rank");
  EXPECT_EQ(RowOf(shots[2], 12), " Press a key....");
  EXPECT_EQ(RowOf(shots[3], 5), "#: 1" + std::string(22, ' ') + "Altitude||typ=w|=        4660");
  EXPECT_EQ(RowOf(shots[3], 6), "#: 2" + std::string(26, ' ') + "Rank||typ=b|=    7");
  EXPECT_EQ(s.LastFileName, "fmt.txt");

  // Ctrl+R reads the file anew and turns the formatted view back on.
  WriteText(dir.File("fmt.txt"), "bFirst\nbSecond\nbThird\n");
  h.console.Keys("F\x12kQ");
  CommandLoop(s, h.options);
  shots = Shots(h);
  ASSERT_EQ(shots.size(), 8u);  // formatted, dump, the loader's key, formatted
  EXPECT_EQ(RowOf(shots[5], 5), " 34 12 07");
  EXPECT_EQ(RowOf(shots[7], 5), "#: 1" + std::string(25, ' ') + "First||typ=b|=   52");
  EXPECT_EQ(RowOf(shots[7], 7), "#: 3" + std::string(25, ' ') + "Third||typ=b|=    7");
  EXPECT_TRUE(s.FormattedView);

  // An empty name empties LastFileName: the Ctrl+R after it loads nothing.
  h.console.Keys("\x06").Line("").Keys("\x12Q");
  CommandLoop(s, h.options);
  EXPECT_EQ(s.LastFileName, "");
  EXPECT_TRUE(s.FormatLoaded);
  EXPECT_TRUE(s.FormattedView);
  EXPECT_EQ(Shots(h).size(), 12u);  // key, name, key, key: no wait of the loader
}

TEST(FormatCommands, CtrlRRightAfterStartIgnoresTheFormatOfTheSecondArgument) {
  ScratchDir dir;
  WriteText(dir.File("fmt.txt"), "wAltitude\nbRank\n");
  WriteBytes(dir.File("d.dat"), DataFileBytes(1, 3, {0x34, 0x12, 7}));
  DateditHarness h(dir.Path(), {dir.File("d.dat"), "fmt.txt"});
  h.console.Line("").Keys("k").Keys("\x12Q");
  OpenAndRun(h);
  EXPECT_FALSE(h.state.FormattedView);
  EXPECT_EQ(RowOf(Shots(h).back(), 5), " 34 12 07");
  EXPECT_EQ(RowOf(Shots(h).back(), 8), kMenu3);
}

TEST(FormatCommands, CtrlRAfterWriteLoadsThatNameFromTheProgramFolder) {
  ScratchDir work;
  std::filesystem::create_directory(work.File("prog"));
  CurrentFolder here(work.Path());
  WriteText(work.File("prog/out.bin"), "wAltitude\nbRank\n");
  WriteBytes("d.dat", DataFileBytes(1, 3, {0x34, 0x12, 7}));
  DateditHarness h(work.File("prog"), {"d.dat"});
  h.console.Keys("w").Line("out.bin").Keys("k\x12kQ");
  OpenAndRun(h);
  EXPECT_EQ(ReadBytes(work.File("out.bin")), (std::vector<uint8_t>{0x34, 0x12, 7}));
  const auto& shots = Shots(h);
  ASSERT_EQ(shots.size(), 6u);
  EXPECT_NE(shots[4].find("Indicator:   w Len:   2 Name: Altitude\n"), std::string::npos);
  EXPECT_EQ(h.state.LastFileName, "out.bin");
  EXPECT_TRUE(h.state.FormatLoaded);
  EXPECT_EQ(RowOf(shots[5], 5), "#: 1" + std::string(22, ' ') + "Altitude||typ=w|=        4660");
}

}  // namespace
}  // namespace vantor::datedit
