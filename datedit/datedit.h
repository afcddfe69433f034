// datedit as a whole: the command line read once, then the program run.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "console.h"

namespace vantor::datedit {

// What the command line asks for.
struct DateditOptions {
  // The first argument; empty when none was given (the name is then asked for).
  std::string DataFileName;
  // The second argument, a format file in the program's folder.
  std::optional<std::string> FormatFileName;
  // The folder of the program itself, where format files are looked up.
  std::string ProgramDir;
};

DateditOptions ParseCommandLine(const std::vector<std::string>& arguments);

// Runs the program; returns its exit code or ends it with ProgramEnd.
int RunDatedit(Console& console, const DateditOptions& options);

}  // namespace vantor::datedit
