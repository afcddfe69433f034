// The one choice of a screen program's console backend, made by the system's
// own implementation: a terminal (ncursesw) or a Windows console where
// standard input and output both are one and can be drawn on, otherwise
// stream mode.
#pragma once

#include <memory>

#include "console/console.h"

namespace vantor {

std::unique_ptr<Console> MakeScreenConsole(const ConsoleOptions& options);

}  // namespace vantor
