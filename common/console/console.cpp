#include "console/console.h"

#include <algorithm>
#include <thread>

#include "base/run_time_error.h"

namespace vantor {
namespace {

// What a typed character that code page 437 lacks becomes in a line: "?" on
// the screen and for the number readers, SUB in a name or a text.
constexpr char kUnheldShown = '?';
constexpr char kUnheldInText = 26;

// The window's title once the program has ended.
std::string InactiveTitle(std::string_view title) {
  return "(Inactive " + std::string(title) + ")";
}

}  // namespace

bool ConsoleBackend::InterruptTyped(std::chrono::milliseconds time) {
  std::this_thread::sleep_for(time);
  return false;
}

int ConsoleBackend::KeyWithin(std::chrono::milliseconds time) {
  std::this_thread::sleep_for(time);
  return kNoKeyInTime;
}

bool ConsoleBackend::InterruptKeyTyped(std::chrono::milliseconds time) {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point end = Clock::now() + time;
  for (;;) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now());
    if (left.count() <= 0) return false;
    int key = KeyWithin(left);
    if (key == kInputEnded) {
      // The next wait for a key reports the input's end.
      std::this_thread::sleep_for(left);
      return false;
    }
    if (key == KeyCode::CtrlC) return true;
    if (key != kNoKeyInTime) typedAhead_.push_back(key);
  }
}

std::optional<int> ConsoleBackend::TypedAheadKey() {
  if (typedAhead_.empty()) return std::nullopt;
  int key = typedAhead_.front();
  typedAhead_.pop_front();
  return key;
}

Console::Console(const ConsoleOptions& options, std::unique_ptr<ConsoleBackend> backend)
    : options_(options),
      screen_(options.kind, options.columns, options.rows),
      backend_(std::move(backend)) {}

Console::~Console() = default;

void Console::UseFiftyRows() {
  screen_.Reset(80, 50);
}

void Console::Write(std::string_view text) {
  for (char c : text) {
    if (c == '\a' && screen_.Kind() == ScreenKind::Window) backend_->Bell();
    screen_.Put(static_cast<uint8_t>(c));
  }
}

int Console::NextKeyOrEnd(WaitKind wait) {
  backend_->Present(screen_, wait);
  std::optional<int> key = backend_->NextKey();
  if (!key) {
    throw InputEndedError("waiting for a key");
  }
  if (*key == KeyCode::CtrlC) throw ProgramEnd{options_.interruptExitCode};
  return *key;
}

int Console::ReadKey() {
  if (pendingScanCode_) {
    int scan = *pendingScanCode_;
    pendingScanCode_.reset();
    return scan;
  }
  for (;;) {
    int key = NextKeyOrEnd(WaitKind::Key);
    if (key == kUnheldCharacter) continue;  // no command
    if (!(key & kExtendedKey)) return key;
    // The window's cursor and paging keys only move its view; handing on their
    // scan codes would turn them into letters, and letters are commands.
    if (screen_.Kind() == ScreenKind::Window) continue;
    pendingScanCode_ = key & 0xFF;
    return 0;
  }
}

std::optional<Console::TypedLine> Console::ReadTypedLine() {
  TypedLine typed;
  std::string& line = typed.text;
  WaitKind wait = WaitKind::LineStart;
  for (;;) {
    backend_->Present(screen_, wait);
    wait = WaitKind::LineContinue;
    std::optional<int> key = backend_->NextKey();
    if (!key) {
      if (line.empty()) return std::nullopt;
      break;  // the last line of the input had no line end
    }
    if (*key == KeyCode::CtrlC) throw ProgramEnd{options_.interruptExitCode};
    if (*key == KeyCode::Enter) break;
    if (*key & kExtendedKey) continue;  // cursor keys do not edit a line
    if (*key == KeyCode::Backspace) {
      if (!line.empty()) {
        // In the window a control character was never shown, so nothing is erased.
        bool wasShown =
            screen_.Kind() == ScreenKind::Console || static_cast<uint8_t>(line.back()) >= ' ';
        line.pop_back();
        typed.unheld.pop_back();
        if (wasShown) screen_.EraseLeft();
      }
      continue;
    }
    if (line.size() >= options_.maxTypedLine) continue;
    const bool unheld = *key == kUnheldCharacter;
    const char shown = unheld ? kUnheldShown : static_cast<char>(*key);
    line.push_back(shown);
    typed.unheld.push_back(unheld);
    screen_.Put(static_cast<uint8_t>(shown));
  }
  EndTypedLine(line);
  return typed;
}

void Console::EndTypedLine(std::string_view /*line*/) {
  screen_.LineEnd();
}

std::optional<std::string> Console::ReadRawLine() {
  std::optional<TypedLine> line = ReadTypedLine();
  if (!line) return std::nullopt;
  return std::move(line->text);
}

Console::TypedLine Console::ReadCutLine(size_t maxChars) {
  std::optional<TypedLine> line = ReadTypedLine();
  if (!line) {
    throw InputEndedError("waiting for a line");
  }
  if (line->text.size() > maxChars) {
    line->text.resize(maxChars);
    line->unheld.resize(maxChars);
  }
  return std::move(*line);
}

std::string Console::ReadLine(size_t maxChars) {
  TypedLine line = ReadCutLine(maxChars);
  for (size_t i = 0; i < line.text.size(); ++i) {
    if (line.unheld[i]) line.text[i] = kUnheldInText;
  }
  return std::move(line.text);
}

std::optional<std::string> Console::ReadHeldLine(size_t maxChars) {
  TypedLine line = ReadCutLine(maxChars);
  if (std::find(line.unheld.begin(), line.unheld.end(), true) != line.unheld.end()) {
    return std::nullopt;
  }
  return std::move(line.text);
}

void Console::AwaitOtherProgram(std::chrono::milliseconds time) {
  if (backend_->InterruptTyped(time)) throw ProgramEnd{options_.interruptExitCode};
}

void Console::SetTitle(std::string_view title) {
  title_ = title;
  backend_->SetTitle(title_);
  backend_->SetFinalTitle(InactiveTitle(title_));
}

void Console::Finish() {
  if (finished_) return;
  finished_ = true;
  backend_->Present(screen_, WaitKind::Exit);
  if (!title_.empty()) backend_->SetTitle(InactiveTitle(title_));
  backend_->Finish();
}

}  // namespace vantor
