// A console for tests: keys and lines are queued in advance, and every screen
// shown at a wait is kept as text.
#pragma once

#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "console/console.h"

namespace vantor {

class ScriptedBackend : public ConsoleBackend {
 public:
  void Present(const ScreenModel& screen, WaitKind wait) override;
  std::optional<int> NextKey() override;
  // A Ctrl+C queued next is typed while the program waits for another
  // program; other keys wait for their prompt.
  bool InterruptTyped(std::chrono::milliseconds time) override;
  void Bell() override { ++bells_; }
  void SetTitle(std::string_view title) override { titles_.emplace_back(title); }

  void QueueKeys(std::string_view keys);
  void QueueLine(std::string_view line);
  void QueueExtendedKey(int scanCode);
  bool AllKeysTaken() const { return keys_.empty(); }

  // The screen's text at every wait for a key or a line, and at the end.
  const std::vector<std::string>& Snapshots() const { return snapshots_; }
  int Bells() const { return bells_; }
  // Every title the window was given, in order.
  const std::vector<std::string>& Titles() const { return titles_; }

 private:
  std::deque<int> keys_;
  std::vector<std::string> snapshots_;
  std::vector<std::string> titles_;
  int bells_ = 0;
};

// A console driven by a script, with a transcript of everything written.
class ScriptedConsole : public Console {
 public:
  explicit ScriptedConsole(const ConsoleOptions& options);

  ScriptedConsole& Keys(std::string_view keys);
  ScriptedConsole& Line(std::string_view line);
  ScriptedConsole& ExtendedKey(int scanCode);
  ScriptedBackend& Script() { return *script_; }

  void Write(std::string_view text) override;
  void WriteLn() override;
  // Everything written and echoed, each line end as a line feed: what
  // scrolled off the screen can still be read back.
  std::string_view Transcript() const { return transcript_; }

 protected:
  void EndTypedLine(std::string_view line) override;

 private:
  ScriptedConsole(const ConsoleOptions& options, ScriptedBackend* script);

  ScriptedBackend* script_;
  std::string transcript_;
};

}  // namespace vantor
