// datedit as a whole: the command line read once, then the program run.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "console/console.h"

namespace vantor::datedit {

// What a run does: the screen, or, when an argument begins with "--" (no
// data or format file of the game's does), a text form without the screen.
enum class DateditMode { Screen, Export, Import, Help, Version, BadCommandLine };
enum class TextForm { Csv, Json };

// What the command line asks for.
struct DateditOptions {
  DateditMode Mode = DateditMode::Screen;
  // The first argument; empty when none was given (the name is then asked for).
  std::string DataFileName;
  // The second argument, a format file in the program's folder.
  std::optional<std::string> FormatFileName;
  // The folder of the program itself, where format files are looked up.
  std::string ProgramDir;
  TextForm Form = TextForm::Csv;  // --export's
  std::string OutputName;         // --export's -o; empty: standard output
  std::string InputName;          // --import's CSV or JSON file
  bool DryRun = false;            // --import only lists the changes
  std::string CommandLineError;   // why a BadCommandLine is one
};

DateditOptions ParseCommandLine(const std::vector<std::string>& arguments);

// The usage and the options, shown with a refused command line.
std::string UsageText();
// The text of --help: the usage, the options and the keys.
std::string HelpText();

// datedit's own console, 80 x 25 until the command loop makes it 80 x 50;
// its three status lines stay in view on a smaller terminal.
ConsoleOptions DateditConsoleOptions();

// Runs the program; returns its exit code or ends it with ProgramEnd.
int RunDatedit(Console& console, const DateditOptions& options);

}  // namespace vantor::datedit
