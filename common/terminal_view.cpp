#include "terminal_view.h"

#include <algorithm>
#include <climits>
#include <cwchar>

#include "console.h"
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

void TypedBytes::Add(uint8_t byte) {
  pending_.push_back(static_cast<char>(byte));
  Decode();
}

void TypedBytes::AddKey(int key) {
  GiveUpCharacter();
  keys_.push_back(key);
}

void TypedBytes::GiveUpCharacter() {
  for (char byte : pending_)
    keys_.push_back(static_cast<uint8_t>(byte));
  pending_.clear();
}

std::optional<int> TypedBytes::NextKey() {
  if (keys_.empty()) return std::nullopt;
  int key = keys_.front();
  keys_.pop_front();
  return key;
}

void TypedBytes::Decode() {
  while (!pending_.empty()) {
    std::mbstate_t state{};
    wchar_t character = 0;
    size_t length = std::mbrtowc(&character, pending_.data(), pending_.size(), &state);
    if (length == static_cast<size_t>(-2)) return;  // the rest is still to come
    if (length == static_cast<size_t>(-1)) {
      keys_.push_back(static_cast<uint8_t>(pending_[0]));
      pending_.erase(0, 1);
      continue;
    }
    pending_.erase(0, std::max<size_t>(length, 1));
    if (character < 0x80) {
      keys_.push_back(static_cast<int>(character));
    } else {
      std::optional<uint8_t> byte = UnicodeToCp437(static_cast<char32_t>(character));
      keys_.push_back(byte ? int{*byte} : kUnheldCharacter);
    }
  }
}

}  // namespace vantor
