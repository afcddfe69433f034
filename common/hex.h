// Hex and case conversions shared by the three tools: upper-case digits, two
// per byte, high nibble first.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vantor {

// The value 0-15 of a hex digit, either case. The caller has checked IsHexDigit;
// any other character gives 0.
int HexDigitValue(char digit);

bool IsHexDigit(char c);

// Exactly two upper-case hex digits: 10 gives "0A".
std::string ByteToHex(uint8_t value);

// A to Z become a to z; every other byte, including those above 127, is kept.
std::string LowerCase(std::string_view text);

char UpCase(char c);

}  // namespace vantor
