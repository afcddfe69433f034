#include "single_format.h"

#include <charconv>
#include <cmath>
#include <cstdint>

#include "base/text_format.h"

namespace vantor::lmedit {
namespace {

// Below this magnitude a value times 10^6 fits 64 bits, and its digits fit
// the 18 significant ones that FormatReal writes exactly.
constexpr float kExactLimit = 1e12f;
constexpr int kMaxExactDecimals = 6;
constexpr uint64_t kPowersOfTen[] = {1, 10, 100, 1000, 10000, 100000, 1000000};
constexpr int kMantissaBits = 24;

}  // namespace

std::string FormatSingle(float value, int width, int decimals) {
  if (!std::isfinite(value) || std::fabs(value) >= kExactLimit || decimals < 0 ||
      decimals > kMaxExactDecimals) {
    return FormatReal(value, width, decimals);
  }
  // |value| = mantissa * 2^shift, the mantissa an integer of at most 24 bits.
  int exponent = 0;
  float fraction = std::frexp(std::fabs(value), &exponent);
  auto mantissa = static_cast<uint64_t>(std::ldexp(fraction, kMantissaBits));
  int shift = exponent - kMantissaBits;
  const uint64_t scale = kPowersOfTen[decimals];
  uint64_t scaled = 0;  // |value| * 10^decimals, rounded half away from zero
  if (shift >= 0) {
    scaled = (mantissa << shift) * scale;
  } else if (-shift < 62) {
    uint64_t exact = mantissa * scale;
    scaled = exact >> -shift;
    uint64_t rest = exact & ((uint64_t{1} << -shift) - 1);
    if (rest >= (uint64_t{1} << (-shift - 1))) ++scaled;
  }
  char text[48];
  char* end = text;
  if (value < 0) *end++ = '-';
  end = std::to_chars(end, text + sizeof text, scaled / scale).ptr;
  if (decimals > 0) {
    *end++ = '.';
    uint64_t rest = scaled % scale;
    for (int i = decimals - 1; i >= 0; --i) {
      end[i] = static_cast<char>('0' + rest % 10);
      rest /= 10;
    }
    end += decimals;
  }
  return PadLeft(std::string_view(text, static_cast<size_t>(end - text)), width);
}

}  // namespace vantor::lmedit
