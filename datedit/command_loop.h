// datedit's user interface: the record screen with its menu, one key, one
// command, until Q.
#pragma once

#include "datedit_state.h"

namespace vantor::datedit {

void CommandLoop(DateditState& s);

// One command of the loop for the key read; false when the key was Q.
bool DispatchKey(DateditState& s, int key);

}  // namespace vantor::datedit
