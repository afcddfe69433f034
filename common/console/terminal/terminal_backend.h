// The screen programs on a terminal, through ncursesw: the screen model is
// drawn when input is awaited, keys come raw and unechoed, and the terminal is
// restored on every way out.
#pragma once

#include <memory>
#include <string>

#include "console/console.h"
#include "console/terminal/terminal_view.h"

namespace vantor {

class TerminalBackend : public ConsoleBackend {
 public:
  // Nothing when the terminal cannot be set up, or is unknown or cannot move
  // its cursor (TERM=dumb); the caller then uses stream mode. The glyphs are
  // chosen for the locale the environment names. With keepLastScreen the
  // program draws on the terminal's own screen instead of its alternate one,
  // so that the last screen stays when the program ends.
  static std::unique_ptr<TerminalBackend> Open(const ConsoleOptions& options);
  ~TerminalBackend() override;

  // Draws at every wait alike.
  void Present(const ScreenModel& screen, WaitKind) override;
  std::optional<int> NextKey() override;
  // Ctrl+C comes as a key in raw mode: it is looked for among the keys typed
  // while the program waits.
  bool InterruptTyped(std::chrono::milliseconds time) override;
  void Bell() override;
  void SetTitle(std::string_view title) override;
  // Written also when a signal ends the program.
  void SetFinalTitle(std::string_view title) override;
  // Leaves full-screen mode and prints the last screen as text, so that what
  // the program said last can still be read after it has ended; a kept last
  // screen is left as it stands.
  void Finish() override;

 private:
  TerminalBackend() = default;
  void Draw();
  std::optional<int> TakeKey(int timeoutMs);
  int KeyWithin(std::chrono::milliseconds time) override;

  std::unique_ptr<ScreenModel> shown_;  // a copy of the screen last presented
  bool active_ = false;
  bool keepLastScreen_ = false;
  int pinnedTopRows_ = 0;
  LocaleGlyphs glyphs_;  // made after the locale is set
  TypedBytes typed_;
};

// The xterm control sequence that sets the terminal's title. Control
// characters of the title are left out: they could end the sequence early and
// have the rest of the title taken as commands to the terminal.
std::string TitleSequence(std::string_view title);

// Whether a terminal can be drawn on as a screen: it is known and can move its
// cursor to any cell. Anything less (TERM=dumb) gets stream mode. A null name
// stands for the terminal TERM names.
bool CanAddressCursor(const char* terminalName);

}  // namespace vantor
