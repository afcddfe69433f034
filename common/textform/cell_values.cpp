#include "textform/cell_values.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "base/hex.h"
#include "base/text_format.h"
#include "base/text_io.h"
#include "records/little_endian.h"

namespace vantor {
namespace {

bool IsUtf8Continuation(char c) {
  return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

bool HasHexPrefix(std::string_view text) {
  return text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
}

// Digits, a point or comma and digits, "E", a sign and digits: how a
// spreadsheet writes a large number, and so what hex such as 2E23 became.
// Without the sign the text is hex digits.
bool IsExponentForm(std::string_view text) {
  size_t e = text.find_first_of("eE");
  if (e == std::string_view::npos || e == 0 || e + 2 >= text.size()) return false;
  if (text[e + 1] != '+' && text[e + 1] != '-') return false;
  std::string_view mantissa = text.substr(0, e);
  size_t point = mantissa.find_first_of(".,");
  auto allDigits = [](std::string_view part) {
    return part.find_first_not_of("0123456789") == std::string_view::npos;
  };
  bool mantissaOk = point == std::string_view::npos
                        ? allDigits(mantissa)
                        : point > 0 && allDigits(mantissa.substr(0, point)) &&
                              allDigits(mantissa.substr(point + 1));
  return mantissaOk && allDigits(text.substr(e + 2));
}

template <typename Real>
std::string RealCellOf(Real value) {
  return std::isnan(value) ? "nan" : ShortestReal(value);
}

// "inf", "infinity" and "nan" in any case, with an optional sign: what the
// export writes for the values that have no number, and what other programs
// write for them.
std::optional<double> RealWord(std::string_view token) {
  bool negative = !token.empty() && token[0] == '-';
  if (!token.empty() && (token[0] == '-' || token[0] == '+')) token.remove_prefix(1);
  std::string word = LowerCase(token);
  if (word == "nan") return std::numeric_limits<double>::quiet_NaN();
  if (word == "inf" || word == "infinity") {
    return negative ? -std::numeric_limits<double>::infinity()
                    : std::numeric_limits<double>::infinity();
  }
  return std::nullopt;
}

// Whether the digits before the exponent hold one that is not zero: such a
// number is not zero, whatever it reads as.
bool HasNonZeroDigit(std::string_view token) {
  std::string_view mantissa = token.substr(0, token.find_first_of("eE"));
  return mantissa.find_first_of("123456789") != std::string_view::npos;
}

// The value rounded to 15 significant digits, as a spreadsheet keeps it.
double SpreadsheetRounded(double value) {
  char text[40];
  std::snprintf(text, sizeof text, "%.15g", value);
  return std::strtod(text, nullptr);
}

bool SameReal(double a, double b) {
  return a == b || (std::isnan(a) && std::isnan(b));
}

std::string TooLarge(std::string_view text, size_t bytes) {
  return QuotedCell(text) + " is too large for a " + std::to_string(8 * bytes) + "-bit real";
}

}  // namespace

std::string QuotedCell(std::string_view text) {
  if (text.size() <= kQuotedCellLength) return "\"" + std::string(text) + "\"";
  size_t cut = kQuotedCellLength;
  while (cut > 0 && IsUtf8Continuation(text[cut]))
    --cut;
  return "\"" + std::string(text.substr(0, cut)) + "...\"";
}

std::string HexCell(std::span<const uint8_t> bytes) {
  return bytes.empty() ? std::string() : "0x" + BytesToHex(bytes);
}

std::optional<std::string> PutHexCell(std::string_view text, std::span<uint8_t> bytes) {
  std::string digits = TrimBlanks(text);
  if (HasHexPrefix(digits)) {
    digits.erase(0, 2);
  } else if (IsExponentForm(digits)) {
    return QuotedCell(text) +
           " is a number in exponent form, not hex digits (read the column as text)";
  }
  for (char c : digits) {
    if (!IsHexDigit(c)) return QuotedCell(text) + " is not hex digits";
  }
  const size_t width = 2 * bytes.size();
  if (digits.size() > width || (digits.empty() && width > 0)) {
    return "expected up to " + std::to_string(width) + " hex digits, found " +
           std::to_string(digits.size());
  }
  return PutHexDigits(std::string(width - digits.size(), '0') + digits, bytes);
}

std::string RealCell(float value) {
  return RealCellOf(value);
}

std::string RealCell(double value) {
  return RealCellOf(value);
}

std::string JsonRealText(std::string_view cell) {
  std::string text(cell);
  if (text.find_first_of(".eEni") == std::string::npos) text += ".0";
  return text;
}

std::optional<std::string> PutRealCell(std::string_view text, std::span<uint8_t> bytes) {
  const std::string token = TrimBlanks(text);
  std::optional<double> value = RealWord(token);
  if (!value) value = ParseRealToken(token);
  if (!value) {
    if (IsRealText(token)) return TooLarge(text, bytes.size());
    return QuotedCell(text) + " is not a number";
  }
  const bool single = bytes.size() == sizeof(float);
  // The value as the field would hold it.
  const double stored = single ? static_cast<double>(static_cast<float>(*value)) : *value;
  if (std::isinf(stored) && !std::isinf(*value)) return TooLarge(text, bytes.size());
  if (stored == 0 && HasNonZeroDigit(token)) {
    return QuotedCell(text) + " is too small for a " + std::to_string(8 * bytes.size()) +
           "-bit real";
  }
  const double now = single ? static_cast<double>(SingleAt(bytes.data())) : DoubleAt(bytes.data());
  if (SameReal(stored, now) || (!single && SameReal(stored, SpreadsheetRounded(now)))) {
    return std::nullopt;
  }
  if (single) {
    PutSingle(bytes.data(), static_cast<float>(stored));
  } else {
    PutDouble(bytes.data(), stored);
  }
  return std::nullopt;
}

}  // namespace vantor
