// datedit as a whole: the program run on a fresh state.
#pragma once

#include "datedit_state.h"

namespace vantor::datedit {

// Runs the program; returns its exit code or ends it with ProgramEnd.
int RunDatedit(DateditState& s);

}  // namespace vantor::datedit
