#include "datedit.h"

#include "base/text_format.h"
#include "command_loop.h"
#include "data_file.h"
#include "os/platform.h"
#include "textform/text_form_arguments.h"

namespace vantor::datedit {
namespace {

// Why the files named do not fit the mode; empty when they do.
std::string CheckFiles(DateditOptions& options, const std::vector<std::string>& files) {
  if (options.Mode == DateditMode::Export) {
    if (files.empty() || files.size() > 2) return "--export takes DATA and an optional FORMAT";
    if (files.size() == 2) options.FormatFileName = files[1];
  } else {
    if (files.size() != 3) return "--import takes DATA, FORMAT and IN";
    options.FormatFileName = files[1];
    options.InputName = files[2];
  }
  options.DataFileName = files[0];
  if (options.Mode == DateditMode::Export && options.DryRun) return "--dry-run belongs to --import";
  if (options.Mode == DateditMode::Import && !options.OutputName.empty()) {
    return "-o belongs to --export";
  }
  return std::string();
}

// The arguments after argument 0 when one of them begins with "--".
void ParseTextMode(DateditOptions& options, const std::vector<std::string>& arguments) {
  const TextFormArguments read = ReadTextFormArguments(arguments);
  // --help and then --version answer whatever else the line holds.
  if (read.Help || read.Version) {
    options.Mode = read.Help ? DateditMode::Help : DateditMode::Version;
    return;
  }
  options.Mode = read.Mode == TextFormMode::Import ? DateditMode::Import : DateditMode::Export;
  options.Form = read.ExportJson ? TextForm::Json : TextForm::Csv;
  options.DryRun = read.DryRun;
  options.OutputName = read.OutputName.value_or(std::string());
  std::string error = read.Error;
  if (error.empty() && read.ModesGiven != 1) error = "give one of --export and --import";
  if (error.empty()) error = CheckFiles(options, read.Files);
  if (!error.empty()) {
    options.Mode = DateditMode::BadCommandLine;
    options.CommandLineError = error;
  }
}

}  // namespace

DateditOptions ParseCommandLine(const std::vector<std::string>& arguments) {
  DateditOptions options;
  if (!arguments.empty()) options.ProgramDir = ProgramDirFromArg0(arguments[0]);
  if (AsksForTextForm(arguments)) {
    ParseTextMode(options, arguments);
    return options;
  }
  if (arguments.size() > 1) options.DataFileName = arguments[1];
  if (arguments.size() > 2) options.FormatFileName = arguments[2];
  return options;
}

std::string UsageText() {
  return "usage: datedit [DATA [FORMAT]]\n"
         "         browses and edits the records of DATA on the screen; FORMAT, a file in\n"
         "         the program's folder, names and types their fields\n"
         "       datedit --export[=csv|json] DATA [FORMAT] [-o OUT]\n"
         "         writes every record of DATA as a row of CSV (the default) or JSON,\n"
         "         to OUT or, without -o, to standard output; without FORMAT the format\n"
         "         file is found from DATA's name as Ctrl+Q finds it\n"
         "       datedit --import DATA FORMAT IN [--dry-run]\n"
         "         writes the values of IN (CSV or JSON, as --export writes them) that\n"
         "         differ from DATA into DATA, all or nothing; --dry-run only lists them\n"
         "       datedit --help\n"
         "         shows this text\n";
}

ConsoleOptions DateditConsoleOptions() {
  ConsoleOptions options;
  options.pinnedTopRows = 3;
  return options;
}

int RunDatedit(Console& console, const DateditOptions& options) {
  DateditState s(console);
  InitNameTables(s.Names);
  s.ProgramDir = options.ProgramDir;
  OpenDataFile(s, options);
  CommandLoop(s, options);
  s.DataFile.Close();
  return 0;
}

}  // namespace vantor::datedit
