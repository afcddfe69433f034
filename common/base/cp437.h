// The screens show every byte as its code page 437 glyph, the character set
// of the game's own texts, so that each byte fills one cell. Files are never
// converted; only what the screen shows (and what is typed) goes through here.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vantor {

// The Unicode glyph of a byte in code page 437; byte 0 shows as a blank.
char32_t Cp437ToUnicode(uint8_t byte);

// The byte of a typed character, if code page 437 has one.
std::optional<uint8_t> UnicodeToCp437(char32_t codePoint);

// The screen's bytes as UTF-8 text.
std::string Cp437ToUtf8(std::string_view bytes);

void AppendUtf8(std::string& out, char32_t codePoint);

// The first character of UTF-8 text: its code point and how many bytes it
// takes; nothing when the text does not begin with a well-formed sequence (no
// lead byte, a sequence cut short, an overlong form, a surrogate, a code
// point beyond U+10FFFF).
struct Utf8Character {
  char32_t codePoint;
  size_t length;
};
std::optional<Utf8Character> DecodeUtf8Character(std::string_view bytes);

// Well-formed UTF-8 text (IsValidUtf8) as code page 437 bytes: what an
// imported text puts into a file. Nothing when a character has no byte.
std::optional<std::string> Utf8ToCp437(std::string_view utf8);

}  // namespace vantor
