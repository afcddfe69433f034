#include "lmedit.h"

#include "base/text_format.h"
#include "landmark_map.h"
#include "landmark_text.h"
#include "main_screen.h"
#include "os/platform.h"
#include "session.h"
#include "textform/text_form_arguments.h"
#include "textform/text_form_import.h"

namespace vantor::lmedit {
namespace {

constexpr size_t kMaxTitle = 80;

// Why the files and options given do not fit the mode; empty when they do.
std::string CheckTextMode(LmeditOptions& options, const std::vector<std::string>& files,
                          bool outputGiven) {
  switch (options.Mode) {
    case LmeditMode::Map:
      if (files.size() != 1) return "--map draws one landmark file";
      if (options.DryRun) return "--dry-run belongs to --import";
      break;
    case LmeditMode::Export:
      if (files.size() != 1) return "--export takes one landmark file";
      if (!options.MapLabels) return "--no-labels belongs to --map";
      if (options.DryRun) return "--dry-run belongs to --import";
      break;
    default:
      if (files.size() != 2) return "--import takes FILE.mrf and IN";
      if (outputGiven || !options.MapLabels) return "-o and --no-labels belong to --map";
      options.InputName = files[1];
      break;
  }
  options.TemplateName = files.front();
  return std::string();
}

// The arguments after argument 0 when one of them begins with "--".
LmeditOptions ParseTextMode(LmeditOptions options, const std::vector<std::string>& arguments) {
  const TextFormArguments read = ReadTextFormArguments(arguments, [&](const std::string& argument) {
    if (argument == "--map") return ToolArgument::Mode;
    if (argument != "--no-labels") return ToolArgument::NotOwn;
    options.MapLabels = false;
    return ToolArgument::Option;
  });
  options.Mode = read.Mode == TextFormMode::ToolMode ? LmeditMode::Map
                 : read.Mode == TextFormMode::Export ? LmeditMode::Export
                 : read.Mode == TextFormMode::Import ? LmeditMode::Import
                                                     : options.Mode;
  options.ExportJson = read.ExportJson;
  options.DryRun = read.DryRun;
  options.TextOutputName = read.OutputName.value_or(std::string());
  std::string error = read.Error;
  // --help and then --version answer whatever else the line holds.
  const bool answersAlone = read.Help || read.Version;
  if (error.empty() && !answersAlone) {
    if (read.ModesGiven == 0)
      error =
          options.DryRun ? "--dry-run belongs to --import" : "-o and --no-labels belong to --map";
    else if (read.ModesGiven > 1)
      error = "give one of --map, --export and --import";
    else
      error = CheckTextMode(options, read.Files, read.OutputName.has_value());
  }
  if (answersAlone) {
    options.Mode = read.Help ? LmeditMode::Help : LmeditMode::Version;
  } else if (!error.empty()) {
    options.Mode = LmeditMode::BadCommandLine;
    options.CommandLineError = error;
  }
  return options;
}

}  // namespace

ConsoleOptions LmeditWindowOptions() {
  ConsoleOptions options;
  options.kind = ScreenKind::Window;
  options.maxTypedLine = 126;
  options.interruptExitCode = 255;
  options.keepLastScreen = true;
  return options;
}

std::string WindowTitle(std::string_view arg0) {
  // The name after the folder as the platform ends it ("\\", "/" or ":" on Windows).
  std::string_view name = arg0.substr(DirectoryPart(arg0).size());
  // The folder as the user named the program, links not followed.
  std::string title = std::string(DirectoryPart(ProgramPathFromArg0(arg0))) + std::string(name);
  if (title.size() > kMaxTitle) title.resize(kMaxTitle);
  return title;
}

LmeditOptions ParseOptions(const std::vector<std::string>& arguments) {
  auto argument = [&](size_t i) { return i < arguments.size() ? arguments[i] : std::string(); };
  LmeditOptions options;
  options.ProgramPath = argument(0);
  options.TemplateName = argument(1).substr(0, kMaxFileName);
  options.OutputName = argument(2).substr(0, kMaxFileName);
  return AsksForTextForm(arguments) ? ParseTextMode(options, arguments) : options;
}

// The usage and the options, then the keys: in the layout help2man reads for
// the manual page (man/lmedit.1).
std::string UsageText() {
  return "Usage: lmedit [TEMPLATE.mrf [OUTPUT.mrf]]\n"
         "  or:  lmedit --map FILE.mrf [-o MAP.svg] [--no-labels]\n"
         "  or:  lmedit --export[=csv|json] FILE.mrf [-o OUT]\n"
         "  or:  lmedit --import FILE.mrf IN [--dry-run]\n"
         "  or:  lmedit --help\n"
         "  or:  lmedit --version\n"
         "Without an option lmedit edits OUTPUT.mrf against TEMPLATE.mrf on the screen.\n"
         "\n"
         "Options:\n"
         "  --map                draws the landmarks of FILE.mrf as an SVG map\n"
         "  --no-labels          with --map: leaves out the names\n"
         "  --export[=csv|json]  writes every record of FILE.mrf as a row of CSV (the\n"
         "                       default) or JSON\n"
         "  -o OUT               writes the map or the export to OUT, not to standard\n"
         "                       output\n" +
         SharedOptionsHelp("FILE.mrf");
}

std::string HelpText() {
  return UsageText() +
         "\n"
         "Keys of the main screen (case matters, except for B, F, E and J):\n"
         "  B, F         back / forward one record (stays put at the ends)\n"
         "  J            jump to a record number; -1 ends the program\n"
         "  Z            blank the output's record (63 zero bytes)\n"
         "  A            activate: the template's record over the output's\n"
         "  Y            sync: the output's record over the template's\n"
         "  C, c         copy the template's / the output's record, for pasting\n"
         "  N            append a blank record to both files\n"
         "  M            edit the output's record (the record editor)\n"
         "  R            save a range of records to a file\n"
         "  L            list a file as text\n"
         "  O            close both files and start again\n"
         "  E            end\n"
         "\n"
         "Keys of the record editor (M; either case):\n"
         "  1 to 7       type a new value for that field\n"
         "  R            reset the record to the template's\n"
         "  P            paste the record copied last with C or c\n"
         "  S            save the record over the output's current record\n"
         "  C            cancel (nothing is written)\n";
}

int RunTextMode(const LmeditOptions& options, PlainConsole& out, PlainConsole& err) {
  return RunRefusable("lmedit", err, [&] {
    switch (options.Mode) {
      case LmeditMode::Map:
        return DrawMap(options.TemplateName, options.TextOutputName, options.MapLabels, out);
      case LmeditMode::Export:
        return ExportLandmarks(options.TemplateName, options.TextOutputName, options.ExportJson,
                               out);
      case LmeditMode::Import:
        return ImportLandmarks(options.TemplateName, options.InputName, options.DryRun, out, err);
      default:
        return AnswerCommandLine(AnswerOfMode(options.Mode),
                                 {"lmedit", HelpText(), UsageText(), options.CommandLineError}, out,
                                 err);
    }
  });
}

int RunLmedit(LmeditState& s, const LmeditOptions& options) {
  s.Con.SetTitle(WindowTitle(options.ProgramPath));
  s.TemplateName = options.TemplateName;
  s.OutputName = options.OutputName;
  StartSession(s);
  MainLoop(s);
  s.TemplateFile.Close();
  s.OutputFile.Close();
  return 0;
}

}  // namespace vantor::lmedit
