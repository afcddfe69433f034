// What the Windows console backend makes of the console's key events and of
// the screen model, as plain values: no system header is needed, so that both
// choices are tested on every system.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "console/screen_model.h"

namespace vantor {

// The bits of a key event's control key state that matter here, with the
// values the Windows console gives them.
namespace ConsoleKeyState {
constexpr uint32_t RightAlt = 0x0001;
constexpr uint32_t LeftAlt = 0x0002;
constexpr uint32_t RightCtrl = 0x0004;
constexpr uint32_t LeftCtrl = 0x0008;
constexpr uint32_t Shift = 0x0010;
}  // namespace ConsoleKeyState

// The virtual key code of Alt: a character typed as Alt and digits on the
// numeric keypad arrives when Alt is released.
constexpr uint16_t kAltVirtualKey = 0x12;

// A key event as the console reports it.
struct ConsoleKeyEvent {
  bool keyDown = true;
  uint16_t virtualKeyCode = 0;
  uint16_t scanCode = 0;   // the PC keyboard scan code of the key pressed
  char16_t character = 0;  // a UTF-16 unit; 0 for a key without a character
  uint32_t controlKeyState = 0;
};

// The key a console event gives, as the other backends give keys: a code page
// 437 byte, or kExtendedKey | scan code for a function or cursor key; nothing
// for a released key, a character code page 437 lacks, a key held with Shift,
// Ctrl or Alt that has no character, and keys the tools do not use.
std::optional<int> KeyOfConsoleEvent(const ConsoleKeyEvent& event);

// The cells of a console window of width x height showing the screen: the
// rows and columns that fit (VisibleLines, with `pinnedTopRows` kept in view),
// each byte as its code page 437 glyph, blanks beyond the screen.
struct ConsoleFrame {
  int width = 0;
  int height = 0;
  std::vector<char16_t> glyphs;  // row after row, from the top left
  int cursorColumn = 0;          // from 0, in the window
  int cursorRow = 0;
  int screenRowsShown = 0;  // the window's rows that show screen rows
};
ConsoleFrame FrameForWindow(const ScreenModel& screen, int width, int height, int pinnedTopRows);

}  // namespace vantor
