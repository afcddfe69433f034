// The text forms of a data file, chosen on the command line with an option
// that begins with "--": --export writes every record as a CSV or JSON row,
// --import writes back the values of such a file that differ from the data
// file's bytes. Neither uses the screen.
#pragma once

#include "console/plain_console.h"
#include "datedit.h"

namespace vantor::datedit {

// Runs --export, --import or --help on the standard streams; returns the
// exit code: 0, or 1 for a command line, a file or an input that is refused.
int RunTextMode(const DateditOptions& options, PlainConsole& out, PlainConsole& err);

}  // namespace vantor::datedit
