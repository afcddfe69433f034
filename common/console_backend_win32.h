// The Windows console as the screen of datedit and lmedit, chosen by
// MakeScreenConsole when standard input and output both are a console.
#pragma once

#include <memory>

#include "console.h"

namespace vantor {
std::unique_ptr<ConsoleBackend> MakeWindowsConsoleBackend(const ConsoleOptions& options);
}
