#include "terminal_view.h"

#include <algorithm>
#include <climits>
#include <cwchar>

#include "cp437.h"

namespace vantor {

namespace {

// The cells a glyph takes. The Windows console has no width function; its
// backend draws from the code page 437 table and never asks.
int GlyphWidth(wchar_t glyph) {
#ifdef _WIN32
  (void)glyph;
  return 1;
#else
  return wcwidth(glyph);
#endif
}

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

LocaleGlyphs::LocaleGlyphs() {
  for (int byte = 0; byte < 256; ++byte) {
    auto glyph = static_cast<wchar_t>(Cp437ToUnicode(static_cast<uint8_t>(byte)));
    char buffer[MB_LEN_MAX];
    std::mbstate_t state{};
    size_t length = std::wcrtomb(buffer, glyph, &state);
    if (length == static_cast<size_t>(-1) || GlyphWidth(glyph) != 1) {
      glyph = L'?';
      buffer[0] = '?';
      length = 1;
    }
    glyphs_[byte] = glyph;
    encoded_[byte].assign(buffer, length);
  }
}

std::string LocaleGlyphs::Encode(std::string_view bytes) const {
  std::string text;
  text.reserve(bytes.size());
  for (char c : bytes)
    text += encoded_[static_cast<uint8_t>(c)];
  return text;
}

}  // namespace vantor
