// Hex conversions shared by the three tools: upper-case digits, two per
// byte, high nibble first.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace vantor {

// The value 0-15 of a hex digit, either case. The caller has checked IsHexDigit;
// any other character gives 0.
int HexDigitValue(char digit);

bool IsHexDigit(char c);

// Exactly two upper-case hex digits: 10 gives "0A".
std::string ByteToHex(uint8_t value);

// The bytes as upper-case hex digits, two per byte.
std::string BytesToHex(std::span<const uint8_t> bytes);

// Exactly two hex digits per byte (either case) put into `bytes`; returns why
// the text is refused, or nothing when `bytes` holds its value.
std::optional<std::string> PutHexDigits(std::string_view text, std::span<uint8_t> bytes);

// a to z become A to Z, every other byte is kept: how hex digits and command
// letters are compared.
char UpCase(char c);

}  // namespace vantor
