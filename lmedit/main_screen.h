// The main screen of the editor: both current records, the command menu and
// the one-key commands.
#pragma once

#include "lmedit_state.h"

namespace vantor::lmedit {

// Reads and draws both current records and performs one command per key
// until Quit is set.
void MainLoop(LmeditState& s);

}  // namespace vantor::lmedit
