#include "console/viewport.h"

#include <algorithm>

namespace vantor {

namespace {

void AppendLines(std::vector<int>& lines, int first, int last) {
  for (int line = first; line <= last; ++line)
    lines.push_back(line);
}

}  // namespace

std::vector<int> VisibleLines(int screenSize, int terminalSize, int cursor, int pinned) {
  std::vector<int> lines;
  if (terminalSize >= screenSize) {
    AppendLines(lines, 1, screenSize);
    return lines;
  }
  pinned = std::clamp(pinned, 0, (std::max(terminalSize, 1) - 1) / 2);
  AppendLines(lines, 1, pinned);
  int room = std::max(terminalSize, 1) - pinned;
  int first = std::clamp(cursor - room / 2, pinned + 1, screenSize - room + 1);
  AppendLines(lines, first, first + room - 1);
  return lines;
}

int PlaceAmong(const std::vector<int>& shown, int cursor) {
  auto at = std::find(shown.begin(), shown.end(), cursor);
  return at == shown.end() ? 0 : static_cast<int>(at - shown.begin());
}

}  // namespace vantor
