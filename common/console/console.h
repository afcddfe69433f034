// The text console of the screen programs: clearing, positioning, writing
// and reading keys and lines on a screen model, with keys and lines from a
// backend (a terminal, standard streams, or a test script).
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/text_io.h"
#include "console/screen_model.h"

namespace vantor {

// Keys without a character (function and cursor keys) carry this flag on their
// PC keyboard scan code; ReadKey turns them into 0 followed by the scan code,
// which is how the tools' commands tell them from letters.
constexpr int kExtendedKey = 0x100;

// A typed character that code page 437 has no byte for. It is no command; a
// typed line shows it as "?", and text that holds one is refused where it
// would be stored, since storing another character than the one typed would
// change the user's text behind their back.
constexpr int kUnheldCharacter = 0x200;

namespace ScanCode {
constexpr int F1 = 59;  // F1..F10 are 59..68
constexpr int Home = 71;
constexpr int Up = 72;
constexpr int PageUp = 73;
constexpr int Left = 75;
constexpr int Right = 77;
constexpr int End = 79;
constexpr int Down = 80;
constexpr int PageDown = 81;
constexpr int Insert = 82;
constexpr int Delete = 83;
}  // namespace ScanCode

namespace KeyCode {
constexpr int CtrlC = 3;
constexpr int CtrlF = 6;
constexpr int Backspace = 8;
constexpr int Enter = 13;
constexpr int CtrlQ = 17;
constexpr int CtrlR = 18;
}  // namespace KeyCode

// What the program is waiting for when the backend is asked for a key.
enum class WaitKind {
  Key,           // a single key
  LineStart,     // the first key of a typed line
  LineContinue,  // a further key of the same line
  Exit,          // the program has ended: the last screen
  Busy,          // no input: the program waits for another program
};

class ConsoleBackend {
 public:
  virtual ~ConsoleBackend() = default;
  // Shows the screen before input is awaited, and once at the end.
  virtual void Present(const ScreenModel& screen, WaitKind wait) = 0;
  // The next key: a byte 0-255 (code page 437) or kExtendedKey | scan code;
  // nothing when the input has ended.
  virtual std::optional<int> NextKey() = 0;
  // Waits about `time` while the program waits for another program: true
  // when Ctrl+C was typed meanwhile. Other keys typed stay for the next
  // NextKey. Where Ctrl+C is a signal and not a key, this only sleeps.
  virtual bool InterruptTyped(std::chrono::milliseconds time);
  virtual void Bell() {}
  // Names the window the screen is shown in; nothing where there is none.
  virtual void SetTitle(std::string_view /*title*/) {}
  // The name the window is to keep once the program has ended, however it
  // ends; Finish sets it too, a signal handler only this way.
  virtual void SetFinalTitle(std::string_view /*title*/) {}
  // Called once when the program ends, after the last Present.
  virtual void Finish() {}

 protected:
  // What KeyWithin gives instead of a key: none came (yet; the time may not
  // be up), or the input has ended.
  static constexpr int kNoKeyInTime = -1;
  static constexpr int kInputEnded = -2;
  // For backends whose Ctrl+C is a key: one key that comes within `time`,
  // or one of the two above.
  virtual int KeyWithin(std::chrono::milliseconds time);
  // The InterruptTyped of such backends: reads keys for `time`, true at
  // Ctrl+C; the other keys are kept for TypedAheadKey.
  bool InterruptKeyTyped(std::chrono::milliseconds time);
  // The oldest key kept while the program waited; nothing when none is left.
  std::optional<int> TypedAheadKey();

 private:
  std::deque<int> typedAhead_;
};

struct ConsoleOptions {
  ScreenKind kind = ScreenKind::Console;
  int columns = 80;
  int rows = 25;
  // Characters a typed line takes at most; further keys are not taken.
  size_t maxTypedLine = 255;
  // Ctrl+C typed at a key or line wait ends the program with this code.
  int interruptExitCode = 130;
  // The last screen stays where it is when the program ends, instead of the
  // terminal switching back to what it showed before.
  bool keepLastScreen = false;
  // Rows at the top that stay in view when the terminal has fewer rows than
  // the screen; the other rows follow the cursor.
  int pinnedTopRows = 0;
};

class Console : public WaitOutput, public LineInput {
 public:
  Console(const ConsoleOptions& options, std::unique_ptr<ConsoleBackend> backend);
  ~Console() override;

  // Makes the screen 80 x 50 (datedit's record screen) and clears it.
  void UseFiftyRows();
  void ClearScreen() { screen_.Clear(); }
  void ClearToEndOfLine() { screen_.ClearToEndOfLine(); }
  void GotoXY(int column, int row) { screen_.GotoXY(column, row); }
  int WhereX() const { return screen_.WhereX(); }
  int WhereY() const { return screen_.WhereY(); }

  // One key without echo. A key without a character gives 0, and its scan
  // code on the next call; in the window such keys give no key at all.
  int ReadKey();

  // A typed line, echoed and edited with backspace, cut to maxChars. Raises a
  // run-time error when the input has ended. A character that code page 437
  // lacks comes as the control character SUB (26), which every name prompt
  // refuses.
  std::string ReadLine(size_t maxChars);
  // As ReadLine, for text to be stored: nothing when the line holds a
  // character that code page 437 lacks.
  std::optional<std::string> ReadHeldLine(size_t maxChars);
  // The typed line as the number readers take it, a character that code page
  // 437 lacks as "?" (no number); nothing at end of input.
  std::optional<std::string> ReadRawLine() override;

  // Pauses while the program waits for another program's lock (after
  // ShowNow); Ctrl+C typed meanwhile ends the program as at any wait.
  void AwaitOtherProgram(std::chrono::milliseconds time) override;

  void Write(std::string_view text) override;
  void WriteLn() override { screen_.LineEnd(); }

  // Names the window; when the program ends it is renamed "(Inactive <title>)".
  void SetTitle(std::string_view title);

  // Shows the screen at once, while the program waits for something other
  // than a key (another program's lock), so that the user sees why.
  void ShowNow() override { backend_->Present(screen_, WaitKind::Busy); }
  void EndOpenLine() override {
    if (WhereX() > 1) WriteLn();
  }

  // Shows the last screen; called once when the program ends, however it ends.
  void Finish();

  const ScreenModel& Screen() const { return screen_; }

 protected:
  // Ends a typed line on the screen; `line` is the text typed, as echoed.
  virtual void EndTypedLine(std::string_view line);

 private:
  // A typed line and, for each of its characters, whether it stands for one
  // that code page 437 lacks.
  struct TypedLine {
    std::string text;
    std::vector<bool> unheld;
  };
  int NextKeyOrEnd(WaitKind wait);
  std::optional<TypedLine> ReadTypedLine();
  // A typed line cut to maxChars; a run-time error when the input has ended.
  TypedLine ReadCutLine(size_t maxChars);

  ConsoleOptions options_;
  ScreenModel screen_;
  std::unique_ptr<ConsoleBackend> backend_;
  std::optional<int> pendingScanCode_;
  bool finished_ = false;
  std::string title_;
};

}  // namespace vantor
