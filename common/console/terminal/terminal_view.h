// What a terminal shows of the screen model: which glyph each cell gets in
// the terminal's locale, and which keys the typed bytes make. Pure, so that
// the choices can be tested without a terminal.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantor {

// The glyph of every code page 437 byte in the locale in force when the
// object is made (LC_CTYPE): the byte's own glyph where the locale's character
// set has it and it takes one column, otherwise "?". Every byte so fills
// exactly one cell, and the terminal is never sent bytes it would swallow.
class LocaleGlyphs {
 public:
  LocaleGlyphs();

  wchar_t Glyph(uint8_t byte) const { return glyphs_[byte]; }
  // Screen bytes as text in the locale's own encoding, one glyph per byte.
  std::string Encode(std::string_view bytes) const;

 private:
  std::array<wchar_t, 256> glyphs_{};
  std::array<std::string, 256> encoded_;
};

// The bytes typed on a terminal as keys, decoded by the locale in force
// (LC_CTYPE): a character becomes its code page 437 byte, or
// kUnheldCharacter when code page 437 lacks it; bytes that make no character
// pass one by one as they are, as in stream mode. The bytes of a character
// that has only begun wait for the rest only until the reader gives up on
// it, so that a byte nobody finishes never holds back the keys after it.
class TypedBytes {
 public:
  void Add(uint8_t byte);
  // A key that comes as no byte (a function key), after the bytes before it.
  void AddKey(int key);
  // Whether the bytes so far begin a character that is not yet whole.
  bool CharacterBegun() const { return !pending_.empty(); }
  // No more bytes came in time: those of the unfinished character pass one
  // by one.
  void GiveUpCharacter();
  std::optional<int> NextKey();

 private:
  void Decode();

  std::string pending_;
  std::deque<int> keys_;
};

}  // namespace vantor
