#include "console/console.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <functional>

#include "base/run_time_error.h"
#include "console/plain_console.h"
#include "console/stream_backend.h"
#include "console/terminal/terminal_backend.h"
#include "scripted_backend.h"

namespace vantor {
namespace {

// A window as a screen program opens it: Ctrl+C ends the program with 255.
ConsoleOptions WindowOptions() {
  ConsoleOptions options;
  options.kind = ScreenKind::Window;
  options.interruptExitCode = 255;
  return options;
}

TEST(Console, FunctionKeysGiveZeroThenTheScanCode) {
  ScriptedConsole con{ConsoleOptions{}};
  con.Keys("\x12").ExtendedKey(ScanCode::PageDown).Keys("q");
  EXPECT_EQ(con.ReadKey(), 18);
  EXPECT_EQ(con.ReadKey(), 0);
  EXPECT_EQ(con.ReadKey(), 81);
  EXPECT_EQ(con.ReadKey(), 'q');
}

TEST(Console, WindowCursorKeysGiveNoKey) {
  // Their scan codes would read as letters: Right arrow as M, End as O.
  ScriptedConsole window(WindowOptions());
  window.ExtendedKey(ScanCode::Right).ExtendedKey(ScanCode::End).Keys("b");
  EXPECT_EQ(window.ReadKey(), 'b');
  EXPECT_TRUE(window.Script().AllKeysTaken());
}

TEST(Console, TheWindowRingsTheBellTheConsoleShowsItsGlyph) {
  ScriptedConsole window(WindowOptions());
  ScriptedConsole console{ConsoleOptions{}};
  window.Write("a\a");
  console.Write("a\a");
  EXPECT_EQ(window.Script().Bells(), 1);
  EXPECT_EQ(console.Script().Bells(), 0);
  EXPECT_EQ(console.Screen().RowText(1), "a\a");
}

TEST(Console, TitleBecomesInactiveAtTheEnd) {
  ScriptedConsole window(WindowOptions());
  window.SetTitle("/usr/games/lmedit");
  window.Finish();
  window.Finish();
  EXPECT_EQ(window.Script().Titles(),
            (std::vector<std::string>{"/usr/games/lmedit", "(Inactive /usr/games/lmedit)"}));
  // A console never titled is not renamed either.
  ScriptedConsole plain{ConsoleOptions{}};
  plain.Finish();
  EXPECT_TRUE(plain.Script().Titles().empty());
}

#ifndef _WIN32  // the ncurses backend
TEST(TerminalBackend, TitleSequenceLeavesOutControlCharacters) {
  EXPECT_EQ(TitleSequence("/bin/lmedit"), "\033]0;/bin/lmedit\a");
  EXPECT_EQ(TitleSequence("a\a\033]0;b\x7f\xc3\xa9"), "\033]0;a]0;b\xc3\xa9\a");
}
#endif

TEST(Console, TypedLinesAreEchoedAndEndTheLine) {
  ScriptedConsole con{ConsoleOptions{}};
  con.Write("Name? :");
  con.Line("abcdef");
  EXPECT_EQ(con.ReadLine(3), "abc");
  EXPECT_EQ(con.Screen().RowText(1), "Name? :abcdef");
  EXPECT_EQ(con.WhereY(), 2);
  EXPECT_EQ(con.WhereX(), 1);
}

TEST(Console, BackspaceEditsTheLine) {
  ScriptedConsole con{ConsoleOptions{}};
  con.Keys("abx\bc\r");
  EXPECT_EQ(con.ReadLine(255), "abc");
  EXPECT_EQ(con.Screen().RowText(1), "abc");
}

TEST(Console, WindowKeepsCtrlZInALine) {
  ScriptedConsole con(WindowOptions());
  con.Line(
      "a\x1a"
      "b");
  EXPECT_EQ(con.ReadLine(255),
            "a\x1a"
            "b");
}

TEST(Console, IntegerReadSkipsEmptyLinesAtTheKeyboard) {
  ScriptedConsole con{ConsoleOptions{}};
  con.Line("").Line("7 and words");
  EXPECT_EQ(ReadInteger(con), 7);
  EXPECT_EQ(con.Screen().RowText(2), "7 and words");
  EXPECT_TRUE(con.Script().AllKeysTaken());
}

TEST(Console, EndOfInputAtAKeyIsARunTimeError) {
  ScriptedConsole con{ConsoleOptions{}};
  // Number 100 and the message as the README documents them.
  for (auto [read, message] : std::initializer_list<std::pair<std::function<void()>, const char*>>{
           {[&] { con.ReadKey(); }, "input ended while waiting for a key"},
           {[&] { con.ReadLine(10); }, "input ended while waiting for a line"},
           {[&] { ReadRequiredInteger(con); }, "input ended while a number was wanted"}}) {
    try {
      read();
      ADD_FAILURE() << message;
    } catch (const RunTimeError& error) {
      EXPECT_EQ(error.Number(), 100);
      EXPECT_STREQ(error.what(), message);
    }
  }
  EXPECT_EQ(ReadInteger(con), 0);
}

TEST(Console, CtrlCEndsTheProgramWithItsCode) {
  ScriptedConsole window(WindowOptions());
  window.Keys("\x03");
  try {
    window.ReadKey();
    FAIL();
  } catch (const ProgramEnd& end) {
    EXPECT_EQ(end.exitCode, 255);
  }
}

TEST(Console, UseFiftyRowsMakesFiftyRowsAndClears) {
  ScriptedConsole con{ConsoleOptions{}};
  con.Write("old");
  con.UseFiftyRows();
  EXPECT_EQ(con.Screen().Rows(), 50);
  EXPECT_EQ(con.Screen().Columns(), 80);
  EXPECT_EQ(con.Screen().Text(), "");
}

TEST(Console, TranscriptKeepsWhatScrolledAway) {
  ScriptedConsole con{ConsoleOptions{}};
  for (int i = 0; i < 30; ++i)
    con.WriteLine("line " + std::to_string(i));
  EXPECT_EQ(con.Screen().RowText(1), "line 6");
  EXPECT_EQ(con.Transcript().substr(0, 14), "line 0\nline 1\n");
}

TEST(Console, ScriptedSnapshotsAtEveryWait) {
  ScriptedConsole con{ConsoleOptions{}};
  con.Keys("x").Line("12");
  con.Write("first");
  con.ReadKey();
  con.Write("second ");
  con.ReadLine(5);
  con.Finish();
  const auto& shots = con.Script().Snapshots();
  ASSERT_EQ(shots.size(), 3u);
  EXPECT_EQ(shots[0], "first\n");
  EXPECT_EQ(shots[1], "firstsecond\n");
  EXPECT_EQ(shots[2], "firstsecond 12\n");
}

TEST(PlainConsole, LinesUntilTheInputEnds) {
  std::FILE* in = std::tmpfile();
  std::fputs("first\r\nsecond", in);
  std::rewind(in);
  std::FILE* out = std::tmpfile();
  PlainConsole con(in, out);
  EXPECT_EQ(con.ReadLine(3), "fir");
  EXPECT_EQ(con.ReadLine(255), "second");
  EXPECT_THROW(con.ReadLine(255), RunTimeError);
  std::fclose(in);
  std::fclose(out);
}

TEST(StreamBackend, SnapshotShowsCodePage437AsUtf8) {
  ScreenModel screen(ScreenKind::Console, 80, 25);
  screen.Write(std::string("A\x01\x82 \0", 5));
  EXPECT_EQ(SnapshotText(screen, WaitKind::Key),
            "--- screen (waiting for a key) ---\nA\u263A\u00E9\n--- end of screen ---\n");
}

// The keys stream mode reads from the given input bytes.
std::vector<int> StreamKeys(const std::string& input) {
  int ends[2];
#ifdef _WIN32
  EXPECT_EQ(_pipe(ends, 65536, _O_BINARY), 0);
#else
  EXPECT_EQ(pipe(ends), 0);
#endif
  EXPECT_EQ(write(ends[1], input.data(), input.size()), static_cast<ssize_t>(input.size()));
  close(ends[1]);
  StreamBackend backend(ends[0], stdout);
  std::vector<int> keys;
  while (std::optional<int> key = backend.NextKey())
    keys.push_back(*key);
  close(ends[0]);
  return keys;
}

TEST(StreamBackend, Utf8BecomesCodePage437AndOtherBytesPassAsTheyAre) {
  const std::pair<std::string, std::vector<int>> cases[] = {
      {"\xC3\xA9\xE2\x98\xBA", {0x82, 0x01}},                              // é and ☺
      {"\xE2\x98Z", {0xE2, 0x98, 'Z'}},                                    // cut short by a letter
      {"\xE2\x98", {0xE2, 0x98}},                                          // cut short by the end
      {"\xE0\x80\x80\xED\xA0\x80", {0xE0, 0x80, 0x80, 0xED, 0xA0, 0x80}},  // overlong, surrogate
      {"\x80\xFF"
       "a",
       {0x80, 0xFF, 'a'}},
      {"\xF0\x9F\x98\x80!", {kUnheldCharacter, '!'}},  // a character code page 437 lacks
      {"a\r\nb\n", {'a', KeyCode::Enter, 'b', KeyCode::Enter}},
  };
  for (const auto& [input, keys] : cases)
    EXPECT_EQ(StreamKeys(input), keys) << ::testing::PrintToString(input);
}

}  // namespace
}  // namespace vantor
