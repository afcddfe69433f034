// The selection of entries by a name pattern.
#pragma once

#include <string>
#include <string_view>

namespace vantor::vtvolx {

// The name when the pattern selects it, otherwise the empty string. A pattern
// holds at most one "*" that matters; a leading "!" inverts the selection.
std::string MatchName(std::string_view pattern, std::string_view name);

}  // namespace vantor::vtvolx
