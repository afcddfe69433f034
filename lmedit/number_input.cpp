#include "number_input.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <string>

#include "run_time_error.h"
#include "text_io.h"

namespace vantor::lmedit {
namespace {

// Whether the token is a number too large for any real, rather than no number.
bool IsOverflowingNumber(const std::string& token) {
  char* end = nullptr;
  errno = 0;
  double value = std::strtod(token.c_str(), &end);
  return *end == '\0' && errno == ERANGE && std::isinf(value);
}

}  // namespace

int32_t ReadWholeNumber(Console& con) {
  std::string token = ReadRequiredToken(con);
  auto value = ParseIntegerToken(token);
  if (!value) {
    throw RunTimeError(ErrorCode::InvalidNumericFormat,
                       "invalid numeric format: \"" + token + "\" is not an integer");
  }
  return *value;
}

std::optional<float> ReadSingleReal(Console& con) {
  std::string token = ReadRequiredToken(con);
  auto value = ParseRealToken(token);
  if (!value) {
    if (IsOverflowingNumber(token)) return std::nullopt;
    throw RunTimeError(ErrorCode::InvalidNumericFormat,
                       "invalid numeric format: \"" + token + "\" is not a real number");
  }
  auto single = static_cast<float>(*value);
  if (std::isinf(single)) return std::nullopt;
  return single;
}

}  // namespace vantor::lmedit
