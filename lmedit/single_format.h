// Single-precision reals in fixed notation, written exactly as FormatReal
// writes them but computed from the value's binary digits with integer
// arithmetic: a listing writes four reals for each of up to 65535 records.
#pragma once

#include <string>

namespace vantor::lmedit {

// Right-aligned in `width`, `decimals` digits after the point, the last one
// rounded half away from zero; a small negative value keeps its sign.
std::string FormatSingle(float value, int width, int decimals);

}  // namespace vantor::lmedit
