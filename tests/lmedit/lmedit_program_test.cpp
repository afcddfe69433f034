// lmedit run as a real program in stream mode: what a user or a script sees.
#include <gtest/gtest.h>

#include "lmedit/lmedit_fixtures.h"

namespace vantor::testing {
namespace {

std::vector<std::string> Rows(const std::string& screen) {
  std::vector<std::string> rows;
  size_t start = 0;
  while (start < screen.size()) {
    size_t end = screen.find('\n', start);
    rows.push_back(screen.substr(start, end - start));
    start = end + 1;
  }
  return rows;
}

ProgramRun RunLmedit(const ScratchDir& dir, const std::vector<std::string>& arguments,
                     const std::string& input) {
  return RunProgram(LMEDIT_BINARY, arguments, input, dir.Path());
}

// t.mrf and o.mrf, each the numbered file of `count` records.
void WriteNumberedPair(const ScratchDir& dir, int count) {
  WriteBytes(dir.File("t.mrf"), NumberedFile(count));
  WriteBytes(dir.File("o.mrf"), NumberedFile(count));
}

TEST(LmeditProgram, WholeSessionFromABlankOutputFile) {
  ScratchDir dir;
  WriteBytes(dir.File("t.mrf"), NumberedFile(5));
  std::string input =
      " "          // the blank file's key
      "F"          // record 2
      "A"          // the template's record into the output
      "M7\n999\n"  // LM ID
      "50a1B02"    // Lo file ID, ended by its sixth digit
      "S "         // saved, a key
      "N"          // a sixth record in both files
      "E";
  ProgramRun run = RunLmedit(dir, {"t.mrf", "o.mrf"}, input);
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.err, "");
  auto screens = Snapshots(run.out);
  // Waits: blank file key, F, A, M, 7, the value, 5, six hex digits, S, the
  // saved key, N, E; then the end.
  ASSERT_EQ(screens.size(), 19u);
  auto first = Rows(screens[0]);
  EXPECT_EQ(first[0], "LMEDIT, a simple landmark editor for Vantor");
  EXPECT_EQ(first.back(), "No file o.mrf existed, blank file created... press a key");
  auto afterActivate = Rows(screens[3]);
  EXPECT_EQ(afterActivate[3], " Rec#    2__________ Out put file o.mrf content: __________");
  EXPECT_EQ(afterActivate[9], "6  Lmrk Name " + std::string(33, ' ') + "Place 2");
  auto last = Rows(screens.back());
  EXPECT_EQ(run.out.substr(run.out.rfind("--- screen ("), 24), "--- screen (at exit) ---");
  EXPECT_EQ(last[0], "Date:   04/11/17 Time:    10:42am # records :    6 Record size:    63");
  EXPECT_EQ(last[3], " Rec#    6__________ Out put file o.mrf content: __________");
  EXPECT_EQ(last[21], "O= Open new session Y=sYnc source file L=list data to text file  E=end...");

  auto output = ReadBytes(dir.File("o.mrf"));
  auto templ = ReadBytes(dir.File("t.mrf"));
  ASSERT_EQ(output.size(), 100u + 6 * 63);
  ASSERT_EQ(templ.size(), 100u + 6 * 63);
  EXPECT_EQ(output[20], 6);
  EXPECT_EQ(templ[20], 6);
  Landmark edited = NumberedLandmark(2);
  edited.id = 999;
  edited.type = 0x0A;
  edited.middle = 0x1B;
  edited.side = 0x02;
  EXPECT_EQ(Slice(output, 163, 63), RecordBytes(edited));
  EXPECT_EQ(Slice(output, 100, 63), std::vector<uint8_t>(63, 0));
  EXPECT_EQ(Slice(templ, 163, 63), RecordBytes(NumberedLandmark(2)));
}

// A typed name with a character that code page 437 lacks (the euro sign) is
// asked for again, not stored without it.
TEST(LmeditProgram, ANameTheRecordCannotHoldIsAskedAgain) {
  ScratchDir dir;
  WriteNumberedPair(dir, 2);
  ProgramRun run = RunLmedit(dir, {"t.mrf", "o.mrf"}, "M6P\u20AC\nPl\nS E");
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_NE(run.out.find("invalid input, try again... New value:\n"), std::string::npos) << run.out;
  auto name = Slice(ReadBytes(dir.File("o.mrf")), 100 + 23, 40);
  EXPECT_EQ(std::string(name.begin(), name.end()), "Pl" + std::string(38, '\0'));
}

TEST(LmeditProgram, ListingThroughThePipe) {
  ScratchDir dir;
  WriteNumberedPair(dir, 3);
  ProgramRun run = RunLmedit(dir, {"t.mrf", "o.mrf"}, "L1list.txt\ntgt.txt\n E");
  ASSERT_EQ(run.exitCode, 0) << run.err;
  auto list = ReadBytes(dir.File("list.txt"));
  std::string text(list.begin(), list.end());
  EXPECT_EQ(text.substr(0, 6), "Rec# :");
  EXPECT_NE(text.find(":\r\n     1  01  00  01      1  10.00000"), std::string::npos);
  auto targets = ReadBytes(dir.File("tgt.txt"));
  EXPECT_EQ(std::string(targets.begin(), targets.end()), "Place 1\r\nPlace 2\r\nPlace 3\r\n");
}

TEST(LmeditProgram, EndingsAndTheirExitCodes) {
  ScratchDir dir;
  WriteNumberedPair(dir, 3);
  // Ctrl+C ends at once, whatever is awaited.
  EXPECT_EQ(RunLmedit(dir, {"t.mrf", "o.mrf"}, "FJ\x03").exitCode, 255);
  // A malformed number at the jump prompt is a run-time error.
  ProgramRun malformed = RunLmedit(dir, {"t.mrf", "o.mrf"}, "J12x\n");
  EXPECT_EQ(malformed.exitCode, 106);
  EXPECT_EQ(malformed.err,
            "Runtime error 106: invalid numeric format: \"12x\" is not an integer\n");
  // Input that ends while a record number is wanted is no 0 to be refused forever.
  EXPECT_EQ(RunLmedit(dir, {"t.mrf", "o.mrf"}, "J").exitCode, 100);
  // A template without the records its header counts cannot be shown.
  WriteBytes(dir.File("short.mrf"), LandmarkFileBytes(3, {}));
  ProgramRun shortFile = RunLmedit(dir, {"short.mrf", "o.mrf"}, "E");
  EXPECT_EQ(shortFile.exitCode, 100);
  EXPECT_EQ(shortFile.err,
            "Runtime error 100: cannot read \"short.mrf\": unexpected end of file\n");
  EXPECT_EQ(ReadBytes(dir.File("o.mrf")), NumberedFile(3));
}

}  // namespace
}  // namespace vantor::testing
