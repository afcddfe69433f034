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

// The usage and the options, then the keys: in the layout help2man reads for
// the manual page (man/datedit.1).
std::string UsageText() {
  return "Usage: datedit [DATA [FORMAT]]\n"
         "  or:  datedit --export[=csv|json] DATA [FORMAT] [-o OUT]\n"
         "  or:  datedit --import DATA FORMAT IN [--dry-run]\n"
         "  or:  datedit --help\n"
         "  or:  datedit --version\n"
         "Without an option datedit browses and edits the records of DATA on the\n"
         "screen; FORMAT, a file in the program's folder, names and types their fields.\n"
         "\n"
         "Options:\n"
         "  --export[=csv|json]  writes every record of DATA as a row of CSV (the\n"
         "                       default) or JSON; without FORMAT the format file is\n"
         "                       found from DATA's name as Ctrl+Q finds it\n"
         "  -o OUT               writes the export to OUT, not to standard output\n" +
         SharedOptionsHelp("DATA");
}

std::string HelpText() {
  return UsageText() +
         "\n"
         "Keys of the record screen (case matters):\n"
         "  f, b         next / previous record (stays put at the ends)\n"
         "  j            jump to a record number\n"
         "  a            toggle hex / ASCII dump\n"
         "  F            toggle the formatted view (needs a loaded format file)\n"
         "  E            edit a field by its number (with a format file loaded)\n"
         "  Ctrl+F       load a format file by name (from the program's folder)\n"
         "  Ctrl+R       reload the format file last named\n"
         "  Ctrl+Q       find the format file by the data file's name\n"
         "  w            save the current record to a file of its own\n"
         "  r            overwrite the current record with the first bytes of a file\n"
         "  i            insert the record from a file before the current record\n"
         "  s            save all records without the header to a file\n"
         "  Q            quit (lower-case q does not)\n"
         "\n"
         "The field editor (E) takes:\n"
         "  numbers      in decimal or, after $, in hex; byte fields keep the lowest\n"
         "               8 bits, 16-bit fields the lowest 16\n"
         "  texts        cut so that the terminating zero byte fits the field\n"
         "  x, L fields  none: they cannot be edited\n";
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
