#include "console/windows/windows_view.h"

#include <algorithm>

#include "base/cp437.h"
#include "console/console.h"
#include "console/viewport.h"

namespace vantor {
namespace {

constexpr uint32_t kModifiers = ConsoleKeyState::RightAlt | ConsoleKeyState::LeftAlt |
                                ConsoleKeyState::RightCtrl | ConsoleKeyState::LeftCtrl |
                                ConsoleKeyState::Shift;

// The keys without a character that the tools read.
bool IsToolKey(int scanCode) {
  if (scanCode >= ScanCode::F1 && scanCode < ScanCode::F1 + 10) return true;
  switch (scanCode) {
    case ScanCode::Home:
    case ScanCode::Up:
    case ScanCode::PageUp:
    case ScanCode::Left:
    case ScanCode::Right:
    case ScanCode::End:
    case ScanCode::Down:
    case ScanCode::PageDown:
    case ScanCode::Insert:
    case ScanCode::Delete:
      return true;
    default:
      return false;
  }
}

std::optional<int> KeyOfCharacter(char16_t character) {
  // Ctrl+Enter and Ctrl+Backspace give these, as on a terminal.
  if (character == '\n') return KeyCode::Enter;
  if (character == 0x7F) return KeyCode::Backspace;
  if (character < 0x80) return character;
  if (auto byte = UnicodeToCp437(character)) return *byte;
  // A character beyond the first 65536 comes as two halves: one key for both.
  if (character >= 0xDC00 && character <= 0xDFFF) return std::nullopt;
  return kUnheldCharacter;
}

}  // namespace

std::optional<int> KeyOfConsoleEvent(const ConsoleKeyEvent& event) {
  bool composedOnKeypad =
      !event.keyDown && event.virtualKeyCode == kAltVirtualKey && event.character != 0;
  if (!event.keyDown && !composedOnKeypad) return std::nullopt;
  if (event.character != 0) return KeyOfCharacter(event.character);
  // With a modifier these keys are other keys, which the tools do not read.
  if ((event.controlKeyState & kModifiers) != 0 || !IsToolKey(event.scanCode)) return std::nullopt;
  return kExtendedKey | event.scanCode;
}

ConsoleFrame FrameForWindow(const ScreenModel& screen, int width, int height, int pinnedTopRows) {
  ConsoleFrame frame;
  frame.width = std::max(width, 1);
  frame.height = std::max(height, 1);
  frame.glyphs.assign(static_cast<size_t>(frame.width) * frame.height, u' ');
  std::vector<int> rows = VisibleLines(screen.Rows(), frame.height, screen.WhereY(), pinnedTopRows);
  std::vector<int> columns = VisibleLines(screen.Columns(), frame.width, screen.WhereX());
  for (size_t y = 0; y < rows.size(); ++y) {
    std::string_view row = screen.Row(rows[y]);
    char16_t* cells = frame.glyphs.data() + y * frame.width;
    for (size_t x = 0; x < columns.size(); ++x) {
      cells[x] = static_cast<char16_t>(Cp437ToUnicode(static_cast<uint8_t>(row[columns[x] - 1])));
    }
  }
  frame.cursorColumn = PlaceAmong(columns, screen.WhereX());
  frame.cursorRow = PlaceAmong(rows, screen.WhereY());
  frame.screenRowsShown = static_cast<int>(rows.size());
  return frame;
}

}  // namespace vantor
