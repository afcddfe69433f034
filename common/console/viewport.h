// Which part of the screen model a window smaller than the screen shows: the
// same for a terminal and a Windows console.
#pragma once

#include <vector>

namespace vantor {

// The screen's lines (rows, or columns) that a terminal of `terminalSize`
// lines shows, numbered from 1, in order: all of them when the terminal is
// large enough. Otherwise the first `pinned` lines stay, so that status lines
// remain readable, and below them the rest shows the part around the cursor.
// Pinned lines take at most half of a small terminal, so that the cursor's line
// always has room.
std::vector<int> VisibleLines(int screenSize, int terminalSize, int cursor, int pinned = 0);

// The place, from 0, of the cursor's line among the lines shown.
int PlaceAmong(const std::vector<int>& shown, int cursor);

}  // namespace vantor
