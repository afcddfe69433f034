// The walk over a volume's index: listing, batch files, and selecting and
// extracting entries.
#pragma once

#include "extraction_policy.h"
#include "vtvolx_state.h"

namespace vantor::vtvolx {

void WalkIndex(VtvolxState& s, const ExtractionPolicy& policy);

}  // namespace vantor::vtvolx
