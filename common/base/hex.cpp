#include "base/hex.h"

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

std::string BytesToHex(std::span<const uint8_t> bytes) {
  std::string text;
  text.reserve(2 * bytes.size());
  for (uint8_t b : bytes)
    text += ByteToHex(b);
  return text;
}

std::optional<std::string> PutHexDigits(std::string_view text, std::span<uint8_t> bytes) {
  if (text.size() != 2 * bytes.size()) {
    return "expected " + std::to_string(2 * bytes.size()) + " hex digits, found " +
           std::to_string(text.size()) + " characters";
  }
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (!IsHexDigit(text[2 * i]) || !IsHexDigit(text[2 * i + 1])) {
      return "\"" + std::string(text) + "\" is not hex digits";
    }
  }
  for (size_t i = 0; i < bytes.size(); ++i) {
    bytes[i] =
        static_cast<uint8_t>(HexDigitValue(text[2 * i]) * 16 + HexDigitValue(text[2 * i + 1]));
  }
  return std::nullopt;
}

}  // namespace vantor
