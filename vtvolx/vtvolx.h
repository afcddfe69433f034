// vtvolx as a whole: usage, a building run or a reading run.
#pragma once

#include "vtvolx_state.h"

namespace vantor::vtvolx {

// Runs the program; returns its exit code: 0 when every selected entry was
// handled, 1 when the run reached its end but some entry was not.
int RunVtvolx(VtvolxState& s);

void WriteUsage(VtvolxState& s);

}  // namespace vantor::vtvolx
