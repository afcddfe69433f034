// The command line of a tool's text forms, read the same way by every tool:
// --help, --version, --export[=csv|json], --import, --dry-run and -o NAME, the tool's
// own options, and the file names, in any order.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/text_io.h"

namespace vantor {

// Whether an argument asks for a text form: options begin with "--", which
// no data, format, landmark or volume file name of the game does.
bool IsLongOption(std::string_view argument);

// Whether any argument after argument 0 asks for a text form.
bool AsksForTextForm(const std::vector<std::string>& arguments);

// For "--export", "--export=csv" and "--export=json": whether the export is
// JSON; nothing for any other argument.
std::optional<bool> ExportAsJson(std::string_view argument);

enum class TextFormMode { None, Export, Import, ToolMode };

struct TextFormArguments {
  bool Help = false;
  bool Version = false;
  // The last of --export, --import and the tool's own modes, and how many
  // were given: a run takes exactly one.
  TextFormMode Mode = TextFormMode::None;
  int ModesGiven = 0;
  bool ExportJson = false;
  bool DryRun = false;
  std::optional<std::string> OutputName;  // -o
  std::vector<std::string> Files;         // every other argument, in order
  // The last option that is refused; empty when none is.
  std::string Error;
};

// What a tool makes of an argument the shared reader does not know.
enum class ToolArgument { NotOwn, Option, Mode };

// The --help lines of the options that every tool reads alike: --import
// into `file`, --dry-run, then HelpAndVersionHelp's.
std::string SharedOptionsHelp(const std::string& file);
// The --help lines of --help and --version, the last of every tool's
// option list that ReadTextFormArguments reads.
std::string HelpAndVersionHelp();

// What a run answers without doing its work: --help's text or --version's
// line on `out` (exit code 0), or a refused command line's reason as
// "tool: reason" and then the usage on `err` (1).
enum class CommandLineAnswer { Help, Version, Refused };
struct CommandLineTexts {
  std::string_view tool;  // "datedit"
  std::string help;
  std::string usage;
  std::string reason;  // why the command line is refused
};
int AnswerCommandLine(CommandLineAnswer answer, const CommandLineTexts& texts, TextOutput& out,
                      TextOutput& err);
// The answer a tool's mode stands for: its Help and Version theirs, any
// other mode that reaches here a refused command line.
template <typename Mode>
CommandLineAnswer AnswerOfMode(Mode mode) {
  return mode == Mode::Help      ? CommandLineAnswer::Help
         : mode == Mode::Version ? CommandLineAnswer::Version
                                 : CommandLineAnswer::Refused;
}

// Reads the arguments after argument 0; `toolArgument`, where given, is
// asked first about each one.
TextFormArguments ReadTextFormArguments(
    const std::vector<std::string>& arguments,
    const std::function<ToolArgument(const std::string&)>& toolArgument = {});

}  // namespace vantor
