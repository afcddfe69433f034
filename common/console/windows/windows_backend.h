// The screen programs in a Windows console: the screen model drawn into the
// console's cells, keys read as console input events, and the console given
// back as it was on every way out.
#pragma once

#include <memory>

#include "console/console.h"

namespace vantor {

// Nothing when standard input or output is not a console (redirected, or
// NUL), so that the caller uses stream mode.
std::unique_ptr<ConsoleBackend> MakeWindowsConsoleBackend(const ConsoleOptions& options);

}  // namespace vantor
