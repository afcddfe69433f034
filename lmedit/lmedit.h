// lmedit as a whole: the command line read once, then the screen editor or
// one of the text-only forms.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "console/console.h"
#include "console/plain_console.h"
#include "lmedit_state.h"

namespace vantor::lmedit {

// What a run does: the screen editor, or, when an argument begins with
// "--" (no landmark file's name does), one of the text-only forms.
enum class LmeditMode { Edit, Map, Export, Import, Help, Version, BadCommandLine };

// What the command line asks for, read once at the start.
struct LmeditOptions {
  std::string ProgramPath;   // argument 0: the window's title
  std::string TemplateName;  // the first argument, cut to 128 characters; the text forms' file
  std::string OutputName;    // the second, the same way
  LmeditMode Mode = LmeditMode::Edit;
  std::string TextOutputName;    // -o of --map and --export; empty: standard output
  bool MapLabels = true;         // off with --no-labels
  bool ExportJson = false;       // --export=json
  std::string InputName;         // --import's IN
  bool DryRun = false;           // --import only lists the changes
  std::string CommandLineError;  // why a BadCommandLine is one
};
LmeditOptions ParseOptions(const std::vector<std::string>& arguments);

// The usage and the options, shown with a refused command line.
std::string UsageText();
// The text of --help: the usage, the options and the keys.
std::string HelpText();

// A run in one of the text-only modes, on the standard streams; returns the
// exit code (1 for a command line or a file that is refused).
int RunTextMode(const LmeditOptions& options, PlainConsole& out, PlainConsole& err);

// lmedit's 80 x 25 window: typed lines take at most 126 characters, Ctrl+C
// ends the program with 255, the last screen stays when it ends.
ConsoleOptions LmeditWindowOptions();

// The window's title: the program's own path, at most 80 characters.
std::string WindowTitle(std::string_view arg0);

// The program run on a fresh state; returns the exit code.
int RunLmedit(LmeditState& s, const LmeditOptions& options);

}  // namespace vantor::lmedit
