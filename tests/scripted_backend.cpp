#include "scripted_backend.h"

namespace vantor {

void ScriptedBackend::Present(const ScreenModel& screen, WaitKind wait) {
  if (wait != WaitKind::LineContinue) snapshots_.push_back(screen.Text());
}

std::optional<int> ScriptedBackend::NextKey() {
  if (keys_.empty()) return std::nullopt;
  int key = keys_.front();
  keys_.pop_front();
  return key;
}

bool ScriptedBackend::InterruptTyped(std::chrono::milliseconds time) {
  if (!keys_.empty() && keys_.front() == KeyCode::CtrlC) {
    keys_.pop_front();
    return true;
  }
  return ConsoleBackend::InterruptTyped(time);
}

void ScriptedBackend::QueueKeys(std::string_view keys) {
  for (char c : keys)
    keys_.push_back(static_cast<uint8_t>(c));
}

void ScriptedBackend::QueueLine(std::string_view line) {
  QueueKeys(line);
  keys_.push_back(KeyCode::Enter);
}

void ScriptedBackend::QueueExtendedKey(int scanCode) {
  keys_.push_back(kExtendedKey | scanCode);
}

ScriptedConsole::ScriptedConsole(const ConsoleOptions& options)
    : ScriptedConsole(options, new ScriptedBackend()) {}

// The console owns the script; this one keeps a pointer to feed it.
ScriptedConsole::ScriptedConsole(const ConsoleOptions& options, ScriptedBackend* script)
    : Console(options, std::unique_ptr<ConsoleBackend>(script)), script_(script) {}

void ScriptedConsole::Write(std::string_view text) {
  transcript_.append(text);
  Console::Write(text);
}

void ScriptedConsole::WriteLn() {
  transcript_.push_back('\n');
  Console::WriteLn();
}

void ScriptedConsole::EndTypedLine(std::string_view line) {
  transcript_.append(line);
  transcript_.push_back('\n');
  Console::EndTypedLine(line);
}

ScriptedConsole& ScriptedConsole::Keys(std::string_view keys) {
  script_->QueueKeys(keys);
  return *this;
}

ScriptedConsole& ScriptedConsole::Line(std::string_view line) {
  script_->QueueLine(line);
  return *this;
}

ScriptedConsole& ScriptedConsole::ExtendedKey(int scanCode) {
  script_->QueueExtendedKey(scanCode);
  return *this;
}

}  // namespace vantor
