// The one shape of a screen tool's main: with an option that asks for a text
// form, the run on the standard streams; otherwise the run on the screen
// console that the system offers.
#pragma once

#include <functional>

#include "console/console.h"
#include "console/plain_console.h"

namespace vantor {

// Returns the exit code of the run that `textForm` chooses, after RunMain
// has turned its errors into their message and code.
int RunTextFormOrScreen(bool textForm, const ConsoleOptions& screen,
                        const std::function<int(PlainConsole& out, PlainConsole& err)>& textRun,
                        const std::function<int(Console& console)>& screenRun);

}  // namespace vantor
