#include "base/text_io.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <thread>

#include "base/hex.h"
#include "base/run_time_error.h"

namespace vantor {

void WaitOutput::AwaitOtherProgram(std::chrono::milliseconds time) {
  std::this_thread::sleep_for(time);
}

namespace {

bool IsSeparator(char c) {
  return static_cast<unsigned char>(c) <= ' ';
}
bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// The digits' value, nothing when it is more than `limit`.
std::optional<uint64_t> DigitsValue(std::string_view digits, uint64_t base, uint64_t limit) {
  if (digits.empty()) return std::nullopt;
  uint64_t value = 0;
  for (char c : digits) {
    if (base == 16 ? !IsHexDigit(c) : !IsDigit(c)) return std::nullopt;
    auto digit = static_cast<uint64_t>(base == 16 ? HexDigitValue(c) : c - '0');
    if (value > (limit - digit) / base) return std::nullopt;
    value = value * base + digit;
  }
  return value;
}

// An optional sign, then decimal digits or "$" and hex digits.
struct IntegerToken {
  bool negative = false;
  bool hex = false;
  std::string_view digits;
};

std::optional<IntegerToken> SplitIntegerToken(std::string_view token) {
  if (token.empty() || token.size() > kMaxIntegerToken) return std::nullopt;
  IntegerToken parts;
  parts.negative = token[0] == '-';
  if (token[0] == '+' || token[0] == '-') token.remove_prefix(1);
  parts.hex = !token.empty() && token[0] == '$';
  if (parts.hex) token.remove_prefix(1);
  parts.digits = token;
  return parts;
}

// Digits with at most one point, at least one digit in all.
bool IsMantissa(std::string_view text) {
  bool seenPoint = false;
  bool seenDigit = false;
  for (char c : text) {
    if (c == '.' && !seenPoint) {
      seenPoint = true;
    } else if (IsDigit(c)) {
      seenDigit = true;
    } else {
      return false;
    }
  }
  return seenDigit;
}

bool IsExponent(std::string_view text) {
  if (!text.empty() && (text[0] == '+' || text[0] == '-')) text.remove_prefix(1);
  if (text.empty()) return false;
  for (char c : text) {
    if (!IsDigit(c)) return false;
  }
  return true;
}

// Written as a real number, whatever its size.
bool IsRealSyntax(std::string_view token) {
  if (token.empty() || token.size() > kMaxRealToken) return false;
  if (token[0] == '+' || token[0] == '-') token.remove_prefix(1);
  auto e = token.find_first_of("eE");
  return IsMantissa(token.substr(0, e)) &&
         (e == std::string_view::npos || IsExponent(token.substr(e + 1)));
}

[[noreturn]] void ThrowInvalidNumber(const std::string& token, const char* expected) {
  throw RunTimeError(ErrorCode::InvalidNumericFormat,
                     "invalid numeric format: \"" + token + "\" is not " + expected);
}

int32_t IntegerOf(const std::string& token) {
  auto value = ParseIntegerToken(token);
  if (!value) ThrowInvalidNumber(token, "an integer");
  return *value;
}

}  // namespace

std::optional<int32_t> ParseIntegerToken(std::string_view token) {
  std::optional<IntegerToken> parts = SplitIntegerToken(token);
  if (!parts) return std::nullopt;
  // Hex gives the 32-bit pattern of up to eight digits: $FFFFFFFF is -1.
  std::optional<uint64_t> magnitude =
      parts->hex
          ? (parts->digits.size() > 8 ? std::nullopt : DigitsValue(parts->digits, 16, UINT32_MAX))
          : DigitsValue(parts->digits, 10, INT32_MAX);
  if (!magnitude) return std::nullopt;
  auto bits = static_cast<uint32_t>(*magnitude);
  return static_cast<int32_t>(parts->negative ? 0u - bits : bits);
}

std::optional<int64_t> ParseWholeNumberToken(std::string_view token) {
  std::optional<IntegerToken> parts = SplitIntegerToken(token);
  if (!parts) return std::nullopt;
  std::optional<uint64_t> magnitude = DigitsValue(parts->digits, parts->hex ? 16 : 10, INT64_MAX);
  if (!magnitude) return std::nullopt;
  auto value = static_cast<int64_t>(*magnitude);
  return parts->negative ? -value : value;
}

std::optional<double> ParseRealToken(std::string_view token) {
  if (!IsRealSyntax(token)) return std::nullopt;
  std::string text(token);
  errno = 0;
  double value = std::strtod(text.c_str(), nullptr);
  if (errno == ERANGE && std::isinf(value)) return std::nullopt;
  return value;
}

bool IsRealText(std::string_view token) {
  return IsRealSyntax(token);
}

std::optional<std::string> ReadToken(LineInput& input) {
  while (auto line = input.ReadRawLine()) {
    size_t start = 0;
    while (start < line->size() && IsSeparator((*line)[start]))
      ++start;
    if (start == line->size()) continue;
    size_t end = start;
    while (end < line->size() && !IsSeparator((*line)[end]))
      ++end;
    return line->substr(start, end - start);
  }
  return std::nullopt;
}

std::string ReadRequiredToken(LineInput& input) {
  auto token = ReadToken(input);
  if (!token) throw InputEndedError("a number was wanted");
  return *token;
}

int32_t ReadInteger(LineInput& input) {
  auto token = ReadToken(input);
  return token ? IntegerOf(*token) : 0;
}

int32_t ReadRequiredInteger(LineInput& input) {
  return IntegerOf(ReadRequiredToken(input));
}

double ReadReal(LineInput& input) {
  auto token = ReadToken(input);
  if (!token) return 0;
  auto value = ParseRealToken(*token);
  if (!value) ThrowInvalidNumber(*token, "a number");
  return *value;
}

std::optional<double> ReadRequiredReal(LineInput& input) {
  std::string token = ReadRequiredToken(input);
  if (!IsRealSyntax(token)) ThrowInvalidNumber(token, "a number");
  return ParseRealToken(token);
}

}  // namespace vantor
