// Whole records between the data file and other files, and the search for a
// data file's format file.
#include "record_transfer.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>

#include "base/run_time_error.h"
#include "base/text_format.h"
#include "datedit/datedit_loop_support.h"
#include "files/failing_file_calls.h"
#include "format_seek.h"
#include "os/platform.h"

namespace vantor::datedit {
namespace {

// The fixtures of datedit's tests, all of them.
using namespace testing;

using Bytes = std::vector<uint8_t>;

// Records of 40 bytes: A, B, C, ... from the letters given.
Bytes Records(const std::string& letters) {
  Bytes bytes;
  for (char c : letters)
    bytes.insert(bytes.end(), 40, static_cast<uint8_t>(c));
  return bytes;
}

TEST(RecordTransfer, WriteThenReadCopiesARecordThroughAFile) {
  ScratchDir dir;
  WriteBytes(dir.File("d.dat"), DataFileBytes(3, 40, Records("ABC")));
  const std::string out = dir.File("rec.bin");
  DateditHarness h(dir.Path(), {dir.File("d.dat")});
  h.console.Keys("fw").Line(out).Keys("kfr").Line(out).Keys("kQ");
  OpenAndRun(h);
  const auto& shots = Shots(h);
  ASSERT_EQ(shots.size(), 9u);
  EXPECT_EQ(RowOf(shots[3], 11), "");
  EXPECT_EQ(RowOf(shots[3], 12), "Name of out file?");
  EXPECT_EQ(RowOf(shots[3], 13), out);
  EXPECT_EQ(RowOf(shots[3], 14), "File " + out + " written... hit a key");
  EXPECT_EQ(RowOf(shots[7], 12), "Name of IN file?");
  EXPECT_EQ(RowOf(shots[7], 14), "File " + out + " written... hit a key");
  EXPECT_EQ(RowOf(shots[8], 5).substr(0, 6), " 42 42");
  EXPECT_EQ(h.state.LastFileName, out);
  h.state.DataFile.Close();
  EXPECT_EQ(ReadBytes(out), Records("B"));
  EXPECT_EQ(ReadBytes(dir.File("d.dat")), DataFileBytes(3, 40, Records("ABB")));
}

TEST(RecordTransfer, ReadOrInsertFromAShortFileStopsBeforeTheDataFileChanges) {
  ScratchDir dir;
  const Bytes original = DataFileBytes(3, 40, Records("ABC"));
  WriteBytes(dir.File("short.bin"), Bytes(39, 'X'));
  for (const char* keys : {"fr", "fi"}) {
    WriteBytes(dir.File("d.dat"), original);
    DateditHarness h(dir.Path(), {dir.File("d.dat")});
    h.console.Keys(keys).Line(dir.File("short.bin")).Line("").Keys("Q");
    try {
      OpenAndRun(h);
      ADD_FAILURE() << keys << ": a 39-byte record was taken";
    } catch (const RunTimeError& e) {
      EXPECT_EQ(e.Number(), 100) << keys;
    }
    h.state.DataFile.Close();
    EXPECT_EQ(ReadBytes(dir.File("d.dat")), original) << keys;
  }
}

TEST(RecordTransfer, EmptyNameForWriteOrReadReturnsToTheScreen) {
  ScratchDir dir;
  const Bytes original = DataFileBytes(2, 40, Records("AB"));
  WriteBytes(dir.File("d.dat"), original);
  DateditHarness h(dir.Path(), {dir.File("d.dat")});
  h.state.LastFileName = "fmt.txt";
  h.console.Keys("w").Line("").Keys("r").Line("").Keys("Q");
  OpenAndRun(h);
  EXPECT_EQ(Shots(h).size(), 5u);  // no wait for a key after either
  EXPECT_EQ(h.state.LastFileName, "");
  EXPECT_FALSE(Contains(h.console.Transcript(), "written"));
  h.state.DataFile.Close();
  EXPECT_EQ(ReadBytes(dir.File("d.dat")), original);
}

struct InsertCase {
  int at;
  std::string result;
  std::string firstCell;                   // the first dump cell of the screen afterwards
  std::vector<std::pair<int, int>> moves;  // file position, record number
};

void PrintTo(const InsertCase& c, std::ostream* out) {
  *out << "insert at record " << c.at << " giving " << c.result;
}

class InsertRecordTest : public ::testing::TestWithParam<InsertCase> {};

TEST_P(InsertRecordTest, MovesTheFollowingRecordsUpAndReopensOnRecordZero) {
  const InsertCase& c = GetParam();
  ScratchDir dir;
  Bytes original = DataFileBytes(3, 40, Records("ABC"), "HEADER TEXT");
  original[30] = 0x77;  // header bytes past the count stay as they are
  WriteBytes(dir.File("d.dat"), original);
  WriteBytes(dir.File("x.rec"), Records("XY"));  // a longer file gives its first record
  DateditHarness h(dir.Path(), {dir.File("d.dat")});
  h.console.Keys(std::string(static_cast<size_t>(c.at), 'f') + "i");
  h.console.Line("").Line(dir.File("x.rec")).Line("").Keys("Q");
  OpenAndRun(h);

  std::string prompt = "\nName of file that contains record to be inserted?";
  std::string expected = prompt + "\n" + prompt + dir.File("x.rec") + "\n\n";
  for (auto [position, record] : c.moves) {
    for (const char* label : {"before", "after "}) {
      char line[80];
      std::snprintf(line, sizeof line, "%s: recnow reccount filepos clcfpos  220%8d%4d\n", label,
                    position, record);
      expected += line;
    }
  }
  expected += "Name:" + dir.File("d.dat") + "\nRecsize :      40\nReccount:       4\n";
  EXPECT_TRUE(Contains(h.console.Transcript(), expected)) << h.console.Transcript();
  EXPECT_EQ(CountOf(h.console.Transcript(), "before:"), c.moves.size());
  EXPECT_EQ(h.state.RecCount, 4);
  EXPECT_EQ(h.state.RecNow, 0);
  const std::string& last = Shots(h).back();
  EXPECT_EQ(PositionPart(last), " Pos:    0 recnow:    0 range: 0 - 3");
  EXPECT_EQ(RowOf(last, 5).substr(0, 3), c.firstCell);

  h.state.DataFile.Close();
  Bytes grown = DataFileBytes(4, 40, Records(c.result), "HEADER TEXT");
  grown[30] = 0x77;
  EXPECT_EQ(ReadBytes(dir.File("d.dat")), grown);
}

INSTANTIATE_TEST_SUITE_P(
    AtFirstMiddleLast, InsertRecordTest,
    ::testing::Values(InsertCase{0, "XABC", " 58", {{140, 1}, {180, 2}, {220, 3}}},
                      InsertCase{1, "AXBC", " 41", {{180, 2}, {220, 3}}},
                      InsertCase{2, "ABXC", " 41", {{220, 3}}}));

TEST(InsertRecord, ReopeningRepeatsTheWholeOpenSequence) {
  ScratchDir dir;
  WriteText(dir.File("fmt.txt"), "tAll\n40\n");
  WriteBytes(dir.File("x.rec"), Records("X"));
  WriteBytes(dir.File("d.dat"), DataFileBytes(2, 40, Records("AB")));
  // The format file of the second argument is loaded again, with its waits.
  DateditHarness withFormat(dir.Path(), {dir.File("d.dat"), "fmt.txt"});
  withFormat.console.Line("").Keys("k").Keys("i").Line(dir.File("x.rec")).Line("");
  withFormat.console.Line("").Keys("kQ");
  OpenAndRun(withFormat);
  EXPECT_EQ(CountOf(withFormat.console.Transcript(), " Press a key...."), 2u);
  EXPECT_TRUE(withFormat.console.Script().AllKeysTaken());
  withFormat.state.DataFile.Close();

  // Without arguments the name is asked for again.
  DateditHarness asked(dir.Path());
  asked.console.Line(dir.File("d.dat")).Keys("i").Line(dir.File("x.rec")).Line("");
  asked.console.Line(dir.File("d.dat")).Keys("Q");
  OpenAndRun(asked);
  EXPECT_EQ(CountOf(asked.console.Transcript(), "Name of file to open? :"), 2u);
  EXPECT_EQ(asked.state.RecCount, 4);
}

TEST(InsertRecord, AFileOf65535RecordsIsRefusedUntouched) {
  ScratchDir dir;
  const Bytes original = DataFileBytes(65535, 1, Bytes(65535, 'A'));
  WriteBytes(dir.File("full.dat"), original);
  WriteBytes(dir.File("x.rec"), {'X'});
  DateditHarness h(dir.Path(), {dir.File("full.dat")});
  h.console.Keys("ikQ");
  OpenAndRun(h);
  const auto& shots = Shots(h);
  ASSERT_EQ(shots.size(), 3u);
  // One dump cell, then the menu on rows 6 to 8.
  EXPECT_EQ(RowOf(shots[1], 9),
            "The file holds 65535 records, no more can be inserted... hit a key");
  EXPECT_EQ(h.state.RecCount, 65535);
  h.state.DataFile.Close();
  EXPECT_EQ(ReadBytes(dir.File("full.dat")), original);
}

// A disk that cannot take the longer file: the insert says so and waits,
// and leaves the file as it was, with nothing beside it.
TEST(InsertRecord, AFullDiskIsReportedAndLeavesTheFileUntouched) {
  ScratchDir dir;
  const Bytes original = DataFileBytes(3, 40, Records("ABC"));
  WriteBytes(dir.File("d.dat"), original);
  WriteBytes(dir.File("x.rec"), Records("X"));
  file_calls::Table fullDisk = file_calls::SystemCalls();
  fullDisk.reserveSpace = [](file_calls::Handle, int64_t, int64_t) { return ENOSPC; };
  testing::InstalledFileCalls calls(fullDisk);
  DateditHarness h(dir.Path(), {dir.File("d.dat")});
  h.console.Keys("i").Line(dir.File("x.rec")).Line("").Keys("kQ");
  OpenAndRun(h);
  EXPECT_NE(h.console.Transcript().find("No room on the disk for one more record (" +
                                        std::string(std::strerror(ENOSPC)) + ")... hit a key"),
            std::string::npos)
      << h.console.Transcript();
  EXPECT_TRUE(h.console.Script().AllKeysTaken());
  EXPECT_EQ(h.state.RecCount, 3);
  h.state.DataFile.Close();
  EXPECT_EQ(ReadBytes(dir.File("d.dat")), original);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 2);
}

// Cut below its header by another program after the open, the file holds no
// record to insert before: a read error, the file left as it was cut.
TEST(InsertRecord, AFileCutBelowItsHeaderIsAReadError) {
  ScratchDir dir;
  WriteBytes(dir.File("d.dat"), DataFileBytes(3, 40, Records("ABC")));
  WriteBytes(dir.File("x.rec"), Records("X"));
  DateditHarness h(dir.Path(), {dir.File("d.dat")});
  OpenDataFile(h.state, h.options);
  std::filesystem::resize_file(dir.File("d.dat"), 50);
  h.console.Line(dir.File("x.rec")).Line("");
  try {
    InsertRecord(h.state, h.options);
    ADD_FAILURE() << "inserted into a file without records";
  } catch (const RunTimeError& e) {
    EXPECT_EQ(e.Number(), 100);
    EXPECT_TRUE(Contains(e.what(), "d.dat")) << e.what();
  }
  h.state.DataFile.Close();
  EXPECT_EQ(std::filesystem::file_size(dir.File("d.dat")), 50u);
}

// An insert killed at any moment, even by SIGKILL, leaves the old file or
// the new one, byte for byte.
TEST(InsertRecord, AKilledInsertLeavesTheOldFileOrTheNewOne) {
#ifdef _WIN32
  GTEST_SKIP() << "the insert runs in a child made by fork";
#else
  constexpr int kCount = 16000;
  constexpr int kSize = 1000;
  ScratchDir dir;
  Bytes records(static_cast<size_t>(kCount) * kSize);
  for (size_t i = 0; i < records.size(); ++i)
    records[i] = static_cast<uint8_t>(i / kSize * 7 + i);
  const Bytes original = DataFileBytes(kCount, kSize, records);
  records.insert(records.begin(), kSize, 'X');
  const Bytes grown = DataFileBytes(kCount + 1, kSize, records);
  WriteBytes(dir.File("x.rec"), Bytes(kSize, 'X'));
  for (int delayMs : {2, 8, 20, 50}) {
    WriteBytes(dir.File("d.dat"), original);
    pid_t child = fork();
    if (child == 0) {
      DateditHarness h(dir.Path(), {dir.File("d.dat")});
      h.console.Keys("i").Line(dir.File("x.rec")).Line("");
      try {
        OpenDataFile(h.state, h.options);
        DispatchKey(h.state, h.options, 'i');
      } catch (...) {
      }
      _exit(0);
    }
    usleep(static_cast<useconds_t>(delayMs) * 1000);
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    Bytes after = ReadBytes(dir.File("d.dat"));
    EXPECT_TRUE(after == original || after == grown) << "killed after " << delayMs << " ms";
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()),
                            std::filesystem::directory_iterator()),
              2)
        << "killed after " << delayMs << " ms";
  }
#endif
}

// Files that are no ordinary file are refused with run-time error 5, as a
// source without waiting for a writer, as a target instead of being replaced.
TEST(RecordTransfer, FifosAndFoldersAreRefusedWithError5) {
  ScratchDir dir;
  const Bytes original = DataFileBytes(3, 40, Records("ABC"));
  std::filesystem::create_directory(dir.File("folder"));
  struct Case {
    std::string key, name;
  };
#ifdef _WIN32
  // No FIFOs there; a device stands in.
  const std::string pipe = "NUL";
#else
  const std::string pipe = dir.File("pipe");
  ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
  // A record waits in the FIFO, so that a program that opened it would take
  // it rather than hang.
  int fifo = open(pipe.c_str(), O_RDWR | O_NONBLOCK);
  ASSERT_GE(fifo, 0);
  ASSERT_EQ(write(fifo, Records("Z").data(), 40), 40);
#endif
  for (const Case& c : {Case{"r", pipe}, Case{"i", pipe}, Case{"w", pipe},
                        Case{"w", dir.File("folder")}, Case{"s", dir.File("folder")}}) {
    WriteBytes(dir.File("d.dat"), original);
    DateditHarness h(dir.Path(), {dir.File("d.dat")});
    h.console.Keys(c.key).Line(c.name).Line("").Keys("kQ");
    try {
      OpenAndRun(h);
      ADD_FAILURE() << c.key << " " << c.name << " was taken";
    } catch (const RunTimeError& e) {
      EXPECT_EQ(e.Number(), 5) << c.key << " " << c.name;
      EXPECT_TRUE(Contains(e.what(), c.name)) << e.what();
    }
    EXPECT_EQ(ReadBytes(dir.File("d.dat")), original) << c.key << " " << c.name;
  }
#ifndef _WIN32
  close(fifo);
  EXPECT_TRUE(std::filesystem::is_fifo(pipe));
#endif
  EXPECT_TRUE(std::filesystem::is_directory(dir.File("folder")));
}

// A typed name holding a control byte opens nothing: where the command asks
// again it does, otherwise it returns to the screen after a note.
TEST(RecordTransfer, TypedNamesWithControlBytesAreRefused) {
  ScratchDir dir;
  WriteText(dir.File("fmt.txt"), "bFirst\n");
  WriteBytes(dir.File("x.rec"), Records("X"));
  const std::string nul = dir.File("x.rec") + std::string(1, '\0') + "junk";
  const std::string esc = "\x1b";
  struct Case {
    const char* command;
    std::string typed;
    std::function<void(ScriptedConsole&, const std::string&)> script;
    std::string records;  // the data file's records afterwards
  };
  const Case cases[] = {
      {"data file prompt", nul,
       [&](ScriptedConsole& c, const std::string& typed) {
         c.Line(typed).Line(dir.File("d.dat")).Keys("Q");
       },
       "ABC"},
      {"w", esc,
       [](ScriptedConsole& c, const std::string& typed) { c.Keys("w").Line(typed).Keys("kQ"); },
       "ABC"},
      {"r", nul,
       [](ScriptedConsole& c, const std::string& typed) { c.Keys("r").Line(typed).Keys("kQ"); },
       "ABC"},
      {"i", nul,
       [&](ScriptedConsole& c, const std::string& typed) {
         c.Keys("i").Line(typed).Line(dir.File("x.rec")).Line("").Line(dir.File("d.dat")).Keys("Q");
       },
       "XABC"},
      {"s", esc,
       [&](ScriptedConsole& c, const std::string& typed) {
         c.Keys("s").Line(typed).Line(dir.File("raw.bin")).Line("").Keys("Q");
       },
       "ABC"},
      {"Ctrl+F", "fmt" + esc + ".txt",
       [](ScriptedConsole& c, const std::string& typed) { c.Keys("\x06").Line(typed).Keys("kQ"); },
       "ABC"},
  };
  for (const Case& c : cases) {
    WriteBytes(dir.File("d.dat"), DataFileBytes(3, 40, Records("ABC")));
    DateditHarness h(dir.Path());
    if (std::string(c.command) != "data file prompt") h.console.Line(dir.File("d.dat"));
    c.script(h.console, c.typed);
    OpenAndRun(h);
    EXPECT_TRUE(Contains(h.console.Transcript(),
                         "Refused: " + PrintableName(c.typed) + " holds a control character\n") ||
                Contains(h.console.Transcript(), "Refused: " + PrintableName(c.typed) +
                                                     " holds a control character... hit a key\n"))
        << c.command << ": " << h.console.Transcript();
    EXPECT_TRUE(h.console.Script().AllKeysTaken()) << c.command;
    EXPECT_FALSE(h.state.FormatLoaded) << c.command;
    EXPECT_FALSE(HasControlByte(h.state.LastFileName)) << c.command;
    EXPECT_EQ(ReadBytes(dir.File("d.dat")),
              DataFileBytes(static_cast<uint16_t>(c.records.size()), 40, Records(c.records)))
        << c.command;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
      EXPECT_FALSE(HasControlByte(entry.path().filename().string())) << c.command;
  }
}

TEST(SaveRawData, WritesAllRecordsWithoutTheHeaderAndStaysOnTheRecord) {
  ScratchDir dir;
  const Bytes original = DataFileBytes(3, 40, Records("ABC"));
  WriteBytes(dir.File("d.dat"), original);
  DateditHarness h(dir.Path(), {dir.File("d.dat")});
  OpenDataFile(h.state, h.options);
  DateditState& s = h.state;
  MoveToRecord(s, 1);
  const std::string raw = dir.File("raw.bin");
  h.console.Line("").Line(raw).Line("");
  EXPECT_TRUE(DispatchKey(s, h.options, 's'));
  EXPECT_TRUE(h.console.Script().AllKeysTaken());
  EXPECT_EQ(s.RecNow, 1);
  EXPECT_TRUE(Contains(h.console.Transcript(), "Name for raw data:\n\nName for raw data:\n" + raw +
                                                   "\nDone writing " + raw + " press enter...\n"));
  EXPECT_EQ(ReadBytes(raw), Records("ABC"));
}

TEST(SaveRawData, TheNameIsCutToEightyCharacters) {
  ScratchDir dir;
  WriteBytes(dir.File("d.dat"), DataFileBytes(1, 40, Records("A")));
  DateditHarness h(dir.Path(), {dir.File("d.dat")});
  OpenDataFile(h.state, h.options);
  const std::string typed = dir.File(std::string(100 - dir.Path().size() - 1, 'r'));
  h.console.Line(typed).Line("");
  DispatchKey(h.state, h.options, 's');
  EXPECT_EQ(ReadBytes(typed.substr(0, 80)), Records("A"));
  EXPECT_FALSE(std::filesystem::exists(typed));
}

TEST(RecordTransfer, WriteAndSaveRawRefuseTheOpenDataFileItself) {
  ScratchDir dir;
  const Bytes original = DataFileBytes(3, 40, Records("ABC"));
  WriteBytes(dir.File("d.dat"), original);
  const std::string sameFile = dir.Path() + "/./d.dat";
  DateditHarness h(dir.Path(), {dir.File("d.dat")});
  h.console.Keys("fw").Line(dir.File("d.dat")).Keys("ks").Line(sameFile).Keys("kQ");
  OpenAndRun(h);
  const std::string tail = " is the open data file itself... hit a key\n";
  EXPECT_TRUE(Contains(h.console.Transcript(), "Refused: " + dir.File("d.dat") + tail));
  EXPECT_TRUE(Contains(h.console.Transcript(), "Refused: " + sameFile + tail));
  EXPECT_TRUE(h.console.Script().AllKeysTaken());
  EXPECT_EQ(h.state.RecNow, 1);
  h.state.DataFile.Close();
  EXPECT_EQ(ReadBytes(dir.File("d.dat")), original);
}

TEST(FormatSeek, NameKeyIsTheNameUpToItsFirstDigitOrDot) {
  EXPECT_EQ(FormatNameKey("planes12.dat"), "planes*");
  EXPECT_EQ(FormatNameKey("planes1.dat"), "planes*");
  EXPECT_EQ(FormatNameKey("planes.dat"), "planes*");
  EXPECT_EQ(FormatNameKey("/games/vt.2/map.dat"), "map*");
  EXPECT_EQ(FormatNameKey("1st.dat"), "*");
  EXPECT_EQ(FormatNameKey("readme"), "");
  EXPECT_EQ(FormatNameKey("data.v1/readme"), "");
  EXPECT_EQ(FormatNameKey("Planes"), "");
}

// A program folder with format files, and a data file of two-byte records.
struct SeekSetup {
  explicit SeekSetup(const std::string& dataName) {
    WriteText(programDir.File("planes.txt"), "wAltitude\n");
    WriteText(programDir.File("planes_fmt.txt"), "bRank\nbLevel\n");
    WriteBytes(dataDir.File(dataName), DataFileBytes(1, 2, {0x34, 0x12}));
  }
  ScratchDir programDir, dataDir;
};

TEST(FormatSeek, CtrlQLoadsTheFirstMatchInNameOrder) {
  SeekSetup setup("planes12.dat");
  const std::string dataFile = setup.dataDir.File("planes12.dat");
  DateditHarness h(setup.programDir.Path(), {dataFile});
  h.console.Keys("\x11kQ");
  OpenAndRun(h);
  EXPECT_EQ(h.state.LastFileName, "planes.txt");
  EXPECT_TRUE(h.state.FormatLoaded);
  EXPECT_TRUE(h.state.FormattedView);
  EXPECT_TRUE(Contains(h.console.Transcript(), " Press a key...." + dataFile + " planes.txt\n"));
  EXPECT_EQ(RowOf(Shots(h).back(), 5),
            "#: 1" + std::string(22, ' ') + "Altitude||typ=w|=        4660");
}

TEST(FormatSeek, NamesDifferingAfterTheFirstDigitFindTheSameFileInTheProgramFolder) {
  for (const char* name : {"planes1.dat", "planes22.dat"}) {
    SeekSetup setup(name);
    // A format file beside the data file is not looked at.
    WriteText(setup.dataDir.File("planes.txt"), "bWrong\n");
    WriteText(setup.dataDir.File("planes0.txt"), "bWrong\n");
    DateditHarness h(setup.programDir.Path(), {setup.dataDir.File(name)});
    OpenDataFile(h.state, h.options);
    h.console.Keys("k");
    AutoSeekFormatFile(h.state, h.options.DataFileName);
    EXPECT_EQ(h.state.LastFileName, "planes.txt") << name;
    EXPECT_EQ(h.state.FieldTable[0].Name, "Altitude") << name;
  }
}

// The data file's folder part ends where the platform's names say: on
// Windows at "\\", "/" or a drive's ":" (c:\\game\\map.dat finds map*.txt,
// x:planes1.dat finds planes*.txt).
TEST(FormatSeek, TheDataFilesFolderPartEndsAtThePlatformsSeparators) {
  ScratchDir programDir, dataDir;
  WriteText(programDir.File("map.txt"), "wAltitude\n");
  WriteText(programDir.File("planes.txt"), "wRank\n");
  std::filesystem::create_directory(dataDir.File("game"));
  WriteBytes(dataDir.File("game/map.dat"), DataFileBytes(1, 2, {0, 0}));
  WriteBytes(dataDir.File("planes1.dat"), DataFileBytes(1, 2, {0, 0}));
  const std::string sep(kPathSeparator);
  std::vector<std::pair<std::string, std::string>> cases = {
      {dataDir.Path() + sep + "game" + sep + "map.dat", "map.txt"}};
#ifdef _WIN32
  // A name on a drive, in that drive's current folder.
  const std::filesystem::path previous = std::filesystem::current_path();
  std::filesystem::current_path(dataDir.Path());
  cases.push_back({dataDir.Path().substr(0, 2) + "planes1.dat", "planes.txt"});
#endif
  for (const auto& [dataFile, formatFile] : cases) {
    DateditHarness h(programDir.Path(), {dataFile});
    OpenDataFile(h.state, h.options);
    h.console.Keys("k");
    AutoSeekFormatFile(h.state, h.options.DataFileName);
    EXPECT_EQ(h.state.LastFileName, formatFile) << dataFile;
    h.state.DataFile.Close();
  }
#ifdef _WIN32
  std::filesystem::current_path(previous);
#endif
}

TEST(FormatSeek, LeadingDigitMatchesEveryOrdinaryTxtFile) {
  ScratchDir dir;
  WriteText(dir.File(".hidden.txt"), "bHidden\n");
  testing::MarkHidden(dir.File(".hidden.txt"));
  std::filesystem::create_directory(dir.File("a.txt"));
  WriteText(dir.File("alpha.txt"), "wAlpha\n");
  WriteText(dir.File("beta.txt"), "wBeta\n");
  WriteBytes(dir.File("1st.dat"), DataFileBytes(1, 2, {0, 0}));
  DateditHarness h(dir.Path(), {dir.File("1st.dat")});
  OpenDataFile(h.state, h.options);
  h.console.Keys("k");
  AutoSeekFormatFile(h.state, h.options.DataFileName);
  EXPECT_EQ(h.state.LastFileName, "alpha.txt");
}

TEST(FormatSeek, NoMatchTurnsTheViewOnAndKeepsTheRest) {
  ScratchDir dir;
  WriteText(dir.File("readme.txt"), "wAltitude\n");
  WriteText(dir.File("x.txt"), "wAltitude\n");
  WriteText(dir.File("fmt.txt"), "wEarlier\n");
  WriteBytes(dir.File("readme"), DataFileBytes(1, 2, {0x34, 0x12}));

  // Nothing loaded: the dump stays, under a menu that offers E=Edit.
  DateditHarness bare(dir.Path(), {dir.File("readme")});
  bare.state.LastFileName = "keep.txt";
  bare.console.Keys("\x11Q");
  OpenAndRun(bare);
  EXPECT_EQ(bare.state.LastFileName, "keep.txt");
  EXPECT_FALSE(bare.state.FormatLoaded);
  EXPECT_TRUE(bare.state.FormattedView);
  EXPECT_TRUE(Contains(bare.console.Transcript(), "|\n" + dir.File("readme") + " \n"));
  const std::string& last = Shots(bare).back();
  EXPECT_EQ(RowOf(last, 5), " 34 12");
  EXPECT_EQ(RowOf(last, 8).substr(RowOf(last, 8).size() - 7), "|E=Edit");

  // A format loaded earlier is now shown.
  DateditHarness earlier(dir.Path(), {dir.File("readme"), "fmt.txt"});
  earlier.console.Line("").Keys("k\x11Q");
  OpenAndRun(earlier);
  EXPECT_EQ(RowOf(Shots(earlier).back(), 5),
            "#: 1" + std::string(23, ' ') + "Earlier||typ=w|=        4660");
}

}  // namespace
}  // namespace vantor::datedit
