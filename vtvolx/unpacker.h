// Packed entries: the external extractor program, fed with a one-entry
// working volume made from a template, unpacks them.
#pragma once

#include <cstdint>
#include <string>

#include "vtvolx_state.h"

namespace vantor::vtvolx {

// Unpacks the entry whose stored bytes CopyOut left in `packed` (not yet in
// place), cuts the result to the real size and puts it in place under
// `outName`. When the extractor cannot be started or fails, the entry is
// reported and nothing is put in place.
void UnpackEntry(VtvolxState& s, BinaryFile& packed, const std::string& outName, int64_t realSize);

}  // namespace vantor::vtvolx
