// The start-up dialogue of the screen editor: the template and output files
// opened by the names given or asked for, and opened again for a new session.
#pragma once

#include "lmedit_state.h"

namespace vantor::lmedit {

// Opens the template file and the output file (creating a blank one when it
// does not exist), asking for the names that are empty, and reads the header.
void StartSession(LmeditState& s);

// "O": once the user confirms, closes both files and starts a new session,
// on the same names or on names asked for anew.
void OpenNewSession(LmeditState& s);

}  // namespace vantor::lmedit
