// How the tools write values: right-aligned in a field of a given width and
// never cut, so that a value too wide for its column is shown whole.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vantor {

// Text right-aligned in `width` columns; a longer text is returned whole.
std::string PadLeft(std::string_view text, int width);

std::string FormatInt(int64_t value, int width = 0);

// One character after width - 1 blanks.
std::string FormatChar(char c, int width = 0);

// "TRUE" or "FALSE", right-aligned.
std::string FormatBool(bool value, int width = 0);

// Fixed notation with exactly `decimals` digits after the point, rounded on the
// last one, at most 18 significant digits (further digits are zeros).
// Magnitudes of 1e36 and more come out in exponent form ("1.5000E+036"),
// infinities and not-a-number values as INF, -INF and NAN.
std::string FormatReal(double value, int width, int decimals);

// The shortest text that reads back to the same bits (std::to_chars):
// how the text forms write reals.
std::string ShortestReal(float value);
std::string ShortestReal(double value);

// A name as the tools show it on the screen and in the files they write:
// bytes below 0x20 and 0x7F as \xNN, so that a name cannot act on a terminal.
std::string PrintableName(std::string_view name);

// The text without the blanks and tabs around it.
std::string TrimBlanks(std::string_view text);

// A to Z become a to z; every other byte, including those above 127, is kept:
// how names are compared and stored without regard to case.
std::string LowerCase(std::string_view text);

// Whether a typed name holds a byte below 0x20: no file name the user means
// does, and the system would cut the name at a zero byte.
bool HasControlByte(std::string_view name);

}  // namespace vantor
