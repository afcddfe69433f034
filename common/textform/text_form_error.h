// A text form (CSV or JSON) that cannot be read: what is wrong and where,
// counted from 1 (columns in characters, a UTF-8 sequence being one).
#pragma once

#include <algorithm>
#include <cstdint>
#include <limits>
#include <stdexcept>
#include <string>
#include <string_view>

namespace vantor {

struct TextPlace {
  int line = 1;
  int column = 1;
};

class TextFormError : public std::runtime_error {
 public:
  TextFormError(const std::string& what, TextPlace place)
      : std::runtime_error(what), place_(place) {}
  TextPlace Place() const { return place_; }

 private:
  TextPlace place_;
};

// Why a reader refuses a cell, or a JSON text, longer than `bound` bytes: it
// stops there rather than read it whole.
inline std::string TooLongMessage(size_t bound) {
  return "a cell longer than " + std::to_string(bound) + " bytes, more than any column holds";
}

// Walks text byte by byte and keeps the line and column of the next byte.
// A line ends at LF; a continuation byte of UTF-8 takes no column of its own.
class PlaceCounter {
 public:
  // `line` and `more` lines after it; the largest int where that is more.
  static int LineAfter(int line, int64_t more) {
    return static_cast<int>(std::min<int64_t>(line + more, std::numeric_limits<int>::max()));
  }

  void Advance(char c) {
    if (c == '\n') {
      place_.line = LineAfter(place_.line, 1);
      place_.column = 1;
    } else if ((static_cast<unsigned char>(c) & 0xC0) != 0x80 &&
               place_.column < std::numeric_limits<int>::max()) {
      ++place_.column;
    }
  }
  // As Advance for each byte of a text that holds no LF.
  void AdvanceInLine(std::string_view text) {
    for (char c : text)
      place_.column += (static_cast<unsigned char>(c) & 0xC0) != 0x80 &&
                       place_.column < std::numeric_limits<int>::max();
  }
  TextPlace Place() const { return place_; }

 private:
  TextPlace place_;
};

}  // namespace vantor
