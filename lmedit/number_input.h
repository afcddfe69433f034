// Numbers typed at lmedit's prompts. They are read like the console's
// numbers (blanks and empty lines skipped, the rest of the line dropped), but
// input that ends before a number is a run-time error instead of 0: the
// prompts refuse some numbers and ask again, and a refused 0 would be asked
// for forever.
#pragma once

#include <cstdint>
#include <optional>

#include "console.h"

namespace vantor::lmedit {

// A whole number, decimal or "$" hex; anything else is a run-time error.
int32_t ReadWholeNumber(Console& con);

// A real number that fits single precision; nothing for a number outside its
// range. Anything that is no number is a run-time error.
std::optional<float> ReadSingleReal(Console& con);

}  // namespace vantor::lmedit
