// The working files in the program's folder (the parts of a volume being
// built, the working volume of the extractor) are shared by every run of
// vtvolx from that folder: one run at a time may write them.
#pragma once

#include "file_lock.h"
#include "vtvolx_state.h"

namespace vantor::vtvolx {

// Holds the program's folder for this run; another run that holds it is
// waited for, and the wait is said on the screen.
FileLock LockWorkingFiles(VtvolxState& s);

}  // namespace vantor::vtvolx
