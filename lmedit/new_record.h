// "N": one blank record appended to both landmark files, or to neither.
#pragma once

#include "lmedit_state.h"

namespace vantor::lmedit {

// Appends the record under both files' locks and makes it current; when
// nothing was added, says why and waits for a key once the locks are given
// back.
void NewRecord(LmeditState& s);

}  // namespace vantor::lmedit
