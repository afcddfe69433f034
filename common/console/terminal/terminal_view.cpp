#include "console/terminal/terminal_view.h"

#include <climits>
#include <cwchar>

#include "base/cp437.h"
#include "console/console.h"

namespace vantor {

namespace {

// The cells a glyph takes in the terminal.
int GlyphWidth(wchar_t glyph) {
  return wcwidth(glyph);
}

}  // namespace

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
