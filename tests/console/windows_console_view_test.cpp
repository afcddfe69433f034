#include "console/windows/windows_view.h"

#include <gtest/gtest.h>

#include <string>

#include "base/cp437.h"
#include "console/console.h"

namespace vantor {
namespace {

constexpr uint32_t kEnhancedKey = 0x0100;  // grey cursor keys: no modifier
constexpr uint32_t kAltGr = ConsoleKeyState::RightAlt | ConsoleKeyState::LeftCtrl;

TEST(WindowsConsoleKeys, EventsBecomeTheKeysOfTheOtherBackends) {
  struct Case {
    const char* what;
    ConsoleKeyEvent event;
    std::optional<int> key;
  };
  auto down = [](uint16_t scan, char16_t c, uint32_t state = 0) {
    return ConsoleKeyEvent{true, 0, scan, c, state};
  };
  const std::optional<int> none;
  for (const Case& c : std::initializer_list<Case>{
           {"F1", down(0x3B, 0), kExtendedKey | ScanCode::F1},
           {"F10", down(0x44, 0), kExtendedKey | 68},
           {"Home", down(0x47, 0, kEnhancedKey), kExtendedKey | ScanCode::Home},
           {"Up", down(0x48, 0, kEnhancedKey), kExtendedKey | ScanCode::Up},
           {"PageUp", down(0x49, 0), kExtendedKey | ScanCode::PageUp},
           {"Left", down(0x4B, 0), kExtendedKey | ScanCode::Left},
           {"Right", down(0x4D, 0), kExtendedKey | ScanCode::Right},
           {"End", down(0x4F, 0), kExtendedKey | ScanCode::End},
           {"Down", down(0x50, 0), kExtendedKey | ScanCode::Down},
           {"PageDown", down(0x51, 0), kExtendedKey | ScanCode::PageDown},
           {"Insert", down(0x52, 0), kExtendedKey | ScanCode::Insert},
           {"Delete", down(0x53, 0, kEnhancedKey), kExtendedKey | ScanCode::Delete},
           {"Ctrl+C", down(0x2E, 3, ConsoleKeyState::LeftCtrl), KeyCode::CtrlC},
           {"Enter", down(0x1C, 13), KeyCode::Enter},
           {"Ctrl+Enter", down(0x1C, 10, ConsoleKeyState::RightCtrl), KeyCode::Enter},
           {"Backspace", down(0x0E, 8), KeyCode::Backspace},
           {"Ctrl+Backspace", down(0x0E, 0x7F, ConsoleKeyState::LeftCtrl), KeyCode::Backspace},
           {"Esc", down(0x01, 27), 27},
           {"Shift+A", down(0x1E, u'A', ConsoleKeyState::Shift), 'A'},
           {"AltGr+Q on a German layout", down(0x10, u'@', kAltGr), '@'},
           {"e acute", down(0x03, u'\u00E9'), 0x82},
           {"euro sign, not in code page 437", down(0x12, u'\u20AC', kAltGr), kUnheldCharacter},
           {"first half of a surrogate pair", down(0, 0xD83D), kUnheldCharacter},
           {"second half of a surrogate pair", down(0, 0xDE00), none},
           {"key-up", ConsoleKeyEvent{false, 'A', 0x1E, u'a', 0}, none},
           {"Alt released after Alt+130 on the keypad", ConsoleKeyEvent{false, 0x12, 0x38, 0xE9, 0},
            0x82},
           {"Shift alone", ConsoleKeyEvent{true, 0x10, 0x2A, 0, ConsoleKeyState::Shift}, none},
           {"Ctrl+Right", down(0x4D, 0, ConsoleKeyState::LeftCtrl | kEnhancedKey), none},
           {"Shift+F1", down(0x3B, 0, ConsoleKeyState::Shift), none},
           {"Alt+F4", down(0x3E, 0, ConsoleKeyState::LeftAlt), none},
           {"keypad 5 without Num Lock", down(0x4C, 0), none},
           {"F11", down(0x57, 0), none},
       }) {
    EXPECT_EQ(KeyOfConsoleEvent(c.event), c.key) << c.what;
  }
}

// The window's row y as UTF-8, trailing blanks trimmed.
std::string FrameRow(const ConsoleFrame& frame, int y) {
  std::string text;
  for (int x = 0; x < frame.width; ++x)
    AppendUtf8(text, frame.glyphs[static_cast<size_t>(y) * frame.width + x]);
  text.erase(text.find_last_not_of(' ') + 1);
  return text;
}

// datedit's 80 x 50 console, every row numbered, the cursor on row 45.
ScreenModel NumberedScreen() {
  ScreenModel screen(ScreenKind::Console, 80, 50);
  for (int row = 1; row <= 50; ++row) {
    screen.GotoXY(1, row);
    screen.Write("row " + std::to_string(row));
  }
  screen.GotoXY(1, 1);
  screen.Write(std::string("\xC9\xCD\0.", 4));  // box corner, line, a zero byte
  screen.GotoXY(71, 45);
  return screen;
}

TEST(WindowsConsoleFrame, SmallWindowKeepsThePinnedRowsAndFollowsTheCursor) {
  ConsoleFrame frame = FrameForWindow(NumberedScreen(), 80, 25, 3);
  ASSERT_EQ(frame.glyphs.size(), 80u * 25u);
  std::string rows;
  for (int y : {0, 1, 2, 3, 24})
    rows += FrameRow(frame, y) + "\n";
  EXPECT_EQ(rows, "╔═ .1\nrow 2\nrow 3\nrow 29\nrow 50\n");
  EXPECT_EQ(frame.cursorRow, 3 + (45 - 29));
  EXPECT_EQ(frame.cursorColumn, 70);
  EXPECT_EQ(frame.screenRowsShown, 25);

  // A narrow window shows the columns around the cursor.
  frame = FrameForWindow(NumberedScreen(), 40, 25, 3);
  EXPECT_EQ(frame.cursorColumn, 70 - 40);
  EXPECT_EQ(FrameRow(frame, 0), "");
}

TEST(WindowsConsoleFrame, LargeWindowShowsTheScreenAtTheTopLeftAndBlanksTheRest) {
  ConsoleFrame frame = FrameForWindow(NumberedScreen(), 100, 60, 3);
  EXPECT_EQ(FrameRow(frame, 49), "row 50");
  EXPECT_EQ(FrameRow(frame, 50), "");
  EXPECT_EQ(frame.cursorRow, 44);
  EXPECT_EQ(frame.cursorColumn, 70);
  EXPECT_EQ(frame.screenRowsShown, 50);
}

}  // namespace
}  // namespace vantor
