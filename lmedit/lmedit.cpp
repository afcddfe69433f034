#include "lmedit.h"

#include <algorithm>

#include "base/text_format.h"
#include "landmark_map.h"
#include "landmark_text.h"
#include "main_screen.h"
#include "os/platform.h"
#include "session.h"
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
  bool help = false, outputGiven = false;
  int modes = 0;
  std::vector<std::string> files;
  std::string error;
  for (size_t i = 1; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (argument == "--help") {
      help = true;
    } else if (argument == "--map") {
      options.Mode = LmeditMode::Map;
      ++modes;
    } else if (std::optional<bool> json = ExportAsJson(argument)) {
      options.Mode = LmeditMode::Export;
      options.ExportJson = *json;
      ++modes;
    } else if (argument == "--import") {
      options.Mode = LmeditMode::Import;
      ++modes;
    } else if (argument == "--no-labels") {
      options.MapLabels = false;
    } else if (argument == "--dry-run") {
      options.DryRun = true;
    } else if (argument == "-o" && i + 1 < arguments.size()) {
      options.TextOutputName = arguments[++i];
      outputGiven = true;
    } else if (argument == "-o") {
      error = "-o needs the name of the output file";
    } else if (IsLongOption(argument)) {
      error = "unknown option " + PrintableName(argument);
    } else {
      files.push_back(argument);
    }
  }
  if (error.empty() && !help) {
    if (modes == 0)
      error =
          options.DryRun ? "--dry-run belongs to --import" : "-o and --no-labels belong to --map";
    else if (modes > 1)
      error = "give one of --map, --export and --import";
    else
      error = CheckTextMode(options, files, outputGiven);
  }
  if (help) {
    options.Mode = LmeditMode::Help;
  } else if (!error.empty()) {
    options.Mode = LmeditMode::BadCommandLine;
    options.CommandLineError = error;
  }
  return options;
}

}  // namespace

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
  if (std::any_of(arguments.begin() + std::min<size_t>(1, arguments.size()), arguments.end(),
                  IsLongOption)) {
    return ParseTextMode(options, arguments);
  }
  return options;
}

std::string UsageText() {
  return "usage: lmedit [TEMPLATE.mrf [OUTPUT.mrf]]\n"
         "         edits OUTPUT.mrf against TEMPLATE.mrf on the screen\n"
         "       lmedit --map FILE.mrf [-o MAP.svg] [--no-labels]\n"
         "         draws the landmarks of FILE.mrf as an SVG map, written to MAP.svg\n"
         "         or, without -o, to standard output; --no-labels leaves out the names\n"
         "       lmedit --export[=csv|json] FILE.mrf [-o OUT]\n"
         "         writes every record of FILE.mrf as a row of CSV (the default) or JSON,\n"
         "         to OUT or, without -o, to standard output\n"
         "       lmedit --import FILE.mrf IN [--dry-run]\n"
         "         writes the values of IN (CSV or JSON, as --export writes them) that\n"
         "         differ from FILE.mrf into FILE.mrf, all or nothing; --dry-run only\n"
         "         lists them\n"
         "       lmedit --help\n"
         "         shows this text\n";
}

int RunTextMode(const LmeditOptions& options, PlainConsole& out, PlainConsole& err) {
  return RunRefusable("lmedit", err, [&] {
    switch (options.Mode) {
      case LmeditMode::Help:
        out.Write(UsageText());
        return 0;
      case LmeditMode::Map:
        return DrawMap(options.TemplateName, options.TextOutputName, options.MapLabels, out);
      case LmeditMode::Export:
        return ExportLandmarks(options.TemplateName, options.TextOutputName, options.ExportJson,
                               out);
      case LmeditMode::Import:
        return ImportLandmarks(options.TemplateName, options.InputName, options.DryRun, out, err);
      default:
        err.Write("lmedit: " + options.CommandLineError + "\n" + UsageText());
        return 1;
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
