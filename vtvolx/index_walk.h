// The walk over a volume's index: listing, batch files, and selecting and
// extracting entries.
#pragma once

#include <string>

#include "extraction_policy.h"
#include "volume_reader.h"
#include "vtvolx_state.h"

namespace vantor::vtvolx {

void WalkIndex(VtvolxState& s, const ExtractionPolicy& policy);

// A damaged entry is reported on a line of its own and skipped; the run ends
// with exit code 1.
void ReportBadEntry(VtvolxState& s, const Entry& e, const std::string& problem);

}  // namespace vantor::vtvolx
