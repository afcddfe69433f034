#include "textform/text_form_arguments.h"

#include <algorithm>

#include "base/text_format.h"
#include "base/version.h"

namespace vantor {

bool IsLongOption(std::string_view argument) {
  return argument.starts_with("--");
}

bool AsksForTextForm(const std::vector<std::string>& arguments) {
  return std::any_of(arguments.begin() + std::min<size_t>(1, arguments.size()), arguments.end(),
                     IsLongOption);
}

std::optional<bool> ExportAsJson(std::string_view argument) {
  if (argument == "--export" || argument == "--export=csv") return false;
  if (argument == "--export=json") return true;
  return std::nullopt;
}

std::string SharedOptionsHelp(const std::string& file) {
  return "  --import             writes the values of IN (CSV or JSON, as --export\n"
         "                       writes them) that differ from " +
         file + " into " + file +
         ",\n"
         "                       all or nothing\n"
         "  --dry-run            with --import: only lists those values\n" +
         HelpAndVersionHelp();
}

std::string HelpAndVersionHelp() {
  return "  --help               shows this text\n"
         "  --version            shows the program's name and version\n";
}

int AnswerCommandLine(CommandLineAnswer answer, const CommandLineTexts& texts, TextOutput& out,
                      TextOutput& err) {
  if (answer == CommandLineAnswer::Refused) {
    err.Write(std::string(texts.tool) + ": " + texts.reason + "\n" + texts.usage);
    return 1;
  }
  out.Write(answer == CommandLineAnswer::Help ? texts.help : VersionLine(texts.tool));
  out.Flush();
  return 0;
}

TextFormArguments ReadTextFormArguments(
    const std::vector<std::string>& arguments,
    const std::function<ToolArgument(const std::string&)>& toolArgument) {
  TextFormArguments read;
  auto modeGiven = [&read](TextFormMode mode) {
    read.Mode = mode;
    ++read.ModesGiven;
  };
  for (size_t i = 1; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    const ToolArgument own = toolArgument ? toolArgument(argument) : ToolArgument::NotOwn;
    if (own == ToolArgument::Mode) {
      modeGiven(TextFormMode::ToolMode);
    } else if (own == ToolArgument::Option) {
      continue;
    } else if (argument == "--help") {
      read.Help = true;
    } else if (argument == "--version") {
      read.Version = true;
    } else if (std::optional<bool> json = ExportAsJson(argument)) {
      modeGiven(TextFormMode::Export);
      read.ExportJson = *json;
    } else if (argument == "--import") {
      modeGiven(TextFormMode::Import);
    } else if (argument == "--dry-run") {
      read.DryRun = true;
    } else if (argument == "-o" && i + 1 < arguments.size()) {
      read.OutputName = arguments[++i];
    } else if (argument == "-o") {
      read.Error = "-o needs the name of the output file";
    } else if (IsLongOption(argument)) {
      read.Error = "unknown option " + PrintableName(argument);
    } else {
      read.Files.push_back(argument);
    }
  }
  return read;
}

}  // namespace vantor
