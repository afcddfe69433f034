#include "base/text_format.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "base/hex.h"

namespace vantor {
namespace {

constexpr int kSignificantDigits = 18;
constexpr int kMaxDecimals = 60;  // more would only add zeros nobody can read

// The decimal digits of |value| rounded to 18 significant digits, and the
// power of ten of the first one.
struct Digits {
  std::string digits;
  int exponent;
};

Digits SignificantDigits(double magnitude) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*e", kSignificantDigits - 1, magnitude);
  std::string_view all(text);
  auto e = all.find('e');
  Digits result;
  for (char c : all.substr(0, e)) {
    if (c != '.') result.digits.push_back(c);
  }
  result.exponent = std::atoi(text + e + 1);
  return result;
}

// Fixed notation built from the 18 significant digits, used when the field
// would need more digits than that.
std::string FixedFromDigits(const Digits& d, int decimals) {
  std::string integerPart;
  std::string fraction;
  for (int position = d.exponent; position >= -decimals; --position) {
    int index = d.exponent - position;
    char digit = index < static_cast<int>(d.digits.size()) ? d.digits[index] : '0';
    (position >= 0 ? integerPart : fraction).push_back(digit);
  }
  if (integerPart.empty()) integerPart.push_back('0');
  if (decimals > 0) integerPart.append(1, '.').append(fraction);
  return integerPart;
}

std::string ExponentForm(double magnitude, int decimals) {
  char text[96];
  std::snprintf(text, sizeof text, "%.*E", std::clamp(decimals, 1, kSignificantDigits - 1),
                magnitude);
  // The exponent always has three digits, so that reals of one field line
  // up whatever their magnitude.
  std::string result(text);
  auto e = result.find('E');
  std::string mantissa = result.substr(0, e);
  int exponent = std::atoi(result.c_str() + e + 1);
  char tail[16];
  std::snprintf(tail, sizeof tail, "E%c%03d", exponent < 0 ? '-' : '+', std::abs(exponent));
  return mantissa + tail;
}

// Adds one unit in the last place of a string of digits and a point.
void IncrementDecimal(std::string& text) {
  for (auto i = text.size(); i-- > 0;) {
    if (text[i] == '.') continue;
    if (text[i] != '9') {
      ++text[i];
      return;
    }
    text[i] = '0';
  }
  text.insert(text.begin(), '1');
}

// Fixed notation of a non-negative value whose digits all fit in 18
// significant ones. An exact half in the last place rounds away from zero, as
// people round, not to even as printf does.
std::string FixedRoundedHalfAway(double magnitude, int decimals) {
  // Printed with 25 guard digits, the first dropped digit is the exact one,
  // not one that printf has already rounded.
  constexpr int kGuardDigits = 25;
  char text[160];
  std::snprintf(text, sizeof text, "%.*f", decimals + kGuardDigits, magnitude);
  std::string all(text);
  std::string kept = all.substr(0, all.size() - kGuardDigits - (decimals == 0 ? 1 : 0));
  std::string_view dropped = std::string_view(all).substr(all.size() - kGuardDigits);
  if (dropped[0] >= '5') IncrementDecimal(kept);
  return kept;
}

}  // namespace

std::string PadLeft(std::string_view text, int width) {
  std::string result;
  if (width > static_cast<int>(text.size())) result.assign(width - text.size(), ' ');
  result.append(text);
  return result;
}

std::string FormatInt(int64_t value, int width) {
  return PadLeft(std::to_string(value), width);
}

std::string FormatChar(char c, int width) {
  return PadLeft(std::string_view(&c, 1), width);
}

std::string FormatBool(bool value, int width) {
  return PadLeft(value ? "TRUE" : "FALSE", width);
}

std::string FormatReal(double value, int width, int decimals) {
  if (std::isnan(value)) return PadLeft("NAN", width);
  if (std::isinf(value)) return PadLeft(value < 0 ? "-INF" : "INF", width);
  decimals = std::clamp(decimals, 0, kMaxDecimals);
  double magnitude = std::fabs(value);
  std::string body;
  if (magnitude >= 1e36) {
    body = ExponentForm(magnitude, decimals);
  } else {
    Digits d = SignificantDigits(magnitude);
    if (magnitude != 0 && d.exponent + 1 + decimals > kSignificantDigits) {
      body = FixedFromDigits(d, decimals);
    } else {
      body = FixedRoundedHalfAway(magnitude, decimals);
    }
  }
  // A negative zero is not negative; a small negative value keeps its sign.
  if (value < 0) body.insert(body.begin(), '-');
  return PadLeft(body, width);
}

std::string PrintableName(std::string_view name) {
  std::string shown;
  shown.reserve(name.size());
  for (char c : name) {
    auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) {
      shown += "\\x" + ByteToHex(byte);
    } else {
      shown.push_back(c);
    }
  }
  return shown;
}

bool HasControlByte(std::string_view name) {
  return std::any_of(name.begin(), name.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x20; });
}

std::string TrimBlanks(std::string_view text) {
  size_t begin = text.find_first_not_of(" \t");
  if (begin == std::string_view::npos) return std::string();
  size_t end = text.find_last_not_of(" \t");
  return std::string(text.substr(begin, end - begin + 1));
}

std::string LowerCase(std::string_view text) {
  std::string result(text);
  for (char& c : result) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  }
  return result;
}

namespace {
template <typename Real>
std::string ShortestText(Real value) {
  char buffer[64];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}
}  // namespace

std::string ShortestReal(float value) {
  return ShortestText(value);
}

std::string ShortestReal(double value) {
  return ShortestText(value);
}

}  // namespace vantor
