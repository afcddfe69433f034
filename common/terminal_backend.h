// The screen programs on a terminal, through ncursesw: the screen model is
// drawn when input is awaited, keys come raw and unechoed, and the terminal is
// restored on every way out.
#pragma once

#include <memory>
#include <string>

#include "console.h"

namespace vantor {

class TerminalBackend : public ConsoleBackend {
 public:
  // Nothing when the terminal cannot be set up; the caller then uses stream mode.
  static std::unique_ptr<TerminalBackend> Open();
  ~TerminalBackend() override;

  void Present(const ScreenModel& screen, WaitKind wait) override;
  std::optional<int> NextKey() override;
  void Bell() override;
  // Leaves full-screen mode and prints the last screen as text, so that what
  // the program said last can still be read after it has ended.
  void Finish() override;

 private:
  TerminalBackend() = default;
  void Draw();

  std::unique_ptr<ScreenModel> shown_;  // a copy of the screen last presented
  bool active_ = false;
};

// The console of a screen program: on a terminal when standard input and
// output both are one, otherwise in stream mode.
std::unique_ptr<Console> MakeScreenConsole(const ConsoleOptions& options);

}  // namespace vantor
