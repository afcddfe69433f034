// The walk over a volume's index: listing, batch files, selection by pattern,
// extraction, and unpacking through the external extractor.
#pragma once

#include <string>
#include <string_view>

#include "vtvolx_state.h"

namespace vantor::vtvolx {

// The name when the pattern selects it, otherwise the empty string. A pattern
// holds at most one "*" that matters; a leading "!" inverts the selection.
std::string MatchName(std::string_view pattern, std::string_view name);

// Entry names that extraction refuses: anything that could put a file
// outside the current folder or hide a control character.
bool IsUnsafeEntryName(std::string_view name);

// Names whose batch file lines would act on more than the entry when run.
bool NeedsBatchGuard(std::string_view name);

void WalkIndex(VtvolxState& s);

// Has the external extractor unpack the entry just written to `outName`.
void UnpackEntry(VtvolxState& s, const std::string& outName, int64_t storedSize, int64_t realSize);

}  // namespace vantor::vtvolx
