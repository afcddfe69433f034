// datedit's user interface: the record screen with its menu, one key, one
// command, until Q.
#pragma once

#include "datedit.h"
#include "datedit_state.h"

namespace vantor::datedit {

void CommandLoop(DateditState& s, const DateditOptions& options);

// One command of the loop for the key read; false when the key was Q.
bool DispatchKey(DateditState& s, const DateditOptions& options, int key);

}  // namespace vantor::datedit
