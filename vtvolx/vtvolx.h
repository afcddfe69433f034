// vtvolx as a whole: usage, a building run or a reading run.
#pragma once

#include <string>
#include <vector>

#include "console/plain_console.h"
#include "vtvolx_state.h"

namespace vantor::vtvolx {

// Runs the program on its command line (argument 0 is its own path);
// returns its exit code: 0 when every selected entry was handled, 1 when the
// run reached its end but some entry was not, or a build or the command line
// was refused. `errors` takes what must stay off the console's output: the
// reports of a JSON listing and a refused command line.
int RunVtvolx(PlainConsole& console, PlainConsole& errors,
              const std::vector<std::string>& arguments);
// Everything on the one console.
int RunVtvolx(PlainConsole& console, const std::vector<std::string>& arguments);

void WriteUsage(VtvolxState& s);
// The usage, then the options that begin with "--".
void WriteHelp(VtvolxState& s);

}  // namespace vantor::vtvolx
