#include "hex.h"

namespace vantor {
namespace {
constexpr std::string_view kHexDigits = "0123456789ABCDEF";
}

char UpCase(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
}

bool IsHexDigit(char c) {
  return kHexDigits.find(UpCase(c)) != std::string_view::npos;
}

int HexDigitValue(char digit) {
  auto position = kHexDigits.find(UpCase(digit));
  return position == std::string_view::npos ? 0 : static_cast<int>(position);
}

std::string ByteToHex(uint8_t value) {
  return {kHexDigits[value / 16], kHexDigits[value % 16]};
}

}  // namespace vantor
