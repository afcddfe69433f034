#include "vtweb.h"

#include <algorithm>
#include <chrono>
#include <memory>

#include "base/hex.h"
#include "base/text_format.h"
#include "http_server.h"
#include "os/platform.h"
#include "shown_file.h"
#include "textform/text_form_arguments.h"
#include "textform/text_form_import.h"
#include "web_page.h"
#include "web_requests.h"

namespace vantor::vtweb {
namespace {

constexpr size_t kSecretBytes = 16;

// The port typed after --port: 1 to 65535.
std::optional<uint16_t> PortOf(const std::string& text) {
  std::optional<int64_t> port = ParseWholeNumberToken(text);
  if (!port || *port < 1 || *port > 65535 || text.starts_with('$')) return std::nullopt;
  return static_cast<uint16_t>(*port);
}

// Why the options do not fit together; empty when they do.
std::string CheckOptions(const VtwebOptions& options, const TextFormArguments& read,
                         bool portGiven) {
  if (!read.Error.empty()) return read.Error;
  if (read.Mode == TextFormMode::Export || read.Mode == TextFormMode::Import || read.DryRun)
    return "vtweb only shows a file: --export, --import and --dry-run are lmedit's and datedit's";
  if (read.Files.empty() || read.Files.size() > 2)
    return "give one landmark file, or one data file and its format";
  if (options.Mode == VtwebMode::Html && !options.LandmarkFile)
    return "--html writes the map of a landmark file (FILE.mrf), not a data file's grid";
  if (options.Mode == VtwebMode::Html && (portGiven || !options.OpenBrowser))
    return "--port and --no-open belong to the server, not to --html";
  if (options.Mode == VtwebMode::Serve && read.OutputName) return "-o belongs to --html";
  return std::string();
}

int WriteHtml(const VtwebOptions& options, PlainConsole& out) {
  RefuseToReplace(options.OutputName, options.FileName, "the page",
                  "the landmark file " + PrintableName(options.FileName));
  ExportSink sink(options.OutputName, out);
  sink.Write(PageText(ShowLandmarkFile(options.FileName)->RecordsJson()));
  sink.Finish();
  return 0;
}

// The file of the command line, read once before the address is given:
// what is no file of its kind is refused as lmedit --map or datedit
// --export refuses it.
std::unique_ptr<ShownFile> ShownFileOf(const VtwebOptions& options, PlainConsole& err) {
  if (options.LandmarkFile) return ShowLandmarkFile(options.FileName);
  datedit::DateditOptions data;
  data.DataFileName = options.FileName;
  data.FormatFileName = options.FormatName;
  data.ProgramDir = options.ProgramDir;
  std::unique_ptr<ShownFile> shown = ShowDataFile(data, err);
  err.Flush();
  return shown;
}

// VTWEB_TEST_HOLD_LOCK_MS, for the tests alone: how much longer each write
// keeps the file's lock, so that a test sees another program wait for it.
std::chrono::milliseconds TestHoldLock() {
  const std::optional<std::string> text = EnvironmentValue("VTWEB_TEST_HOLD_LOCK_MS");
  const std::optional<int64_t> ms = text ? ParseWholeNumberToken(*text) : std::nullopt;
  return std::chrono::milliseconds(ms && *ms > 0 ? std::min<int64_t>(*ms, 60000) : 0);
}

int ServeFile(const VtwebOptions& options, PlainConsole& out, PlainConsole& err) {
  VtwebState s;
  s.Shown = ShownFileOf(options, err);
  s.HoldLock = TestHoldLock();
  s.Secret = MakeSecret();
  Serve(
      options.Port,
      [&](uint16_t port) {
        s.Port = port;
        const std::string address = StartAddress(s);
        out.Write("vtweb: " + PrintableName(options.FileName) + " is shown at\n" + address +
                  "\nCtrl+C ends the server.\n");
        out.Flush();
        if (options.OpenBrowser && !OpenInBrowser(address)) {
          err.Write("vtweb: no browser could be opened; open the address above by hand\n");
          err.Flush();
        }
      },
      [&](const HttpRequest& request) { return AnswerRequest(s, request); });
  return 0;
}

}  // namespace

VtwebOptions ParseOptions(const std::vector<std::string>& arguments) {
  VtwebOptions options;
  bool portNext = false;
  bool portGiven = false;
  std::string portError;
  const TextFormArguments read = ReadTextFormArguments(arguments, [&](const std::string& argument) {
    if (portNext) {
      portNext = false;
      std::optional<uint16_t> port = PortOf(argument);
      if (!port)
        portError = "--port takes a number from 1 to 65535, not " + PrintableName(argument);
      options.Port = port.value_or(0);
      return ToolArgument::Option;
    }
    if (argument == "--html") {
      options.Mode = VtwebMode::Html;
      return ToolArgument::Mode;
    }
    if (argument == "--port") portNext = portGiven = true;
    if (argument == "--no-open") options.OpenBrowser = false;
    return argument == "--port" || argument == "--no-open" ? ToolArgument::Option
                                                           : ToolArgument::NotOwn;
  });
  if (portNext) portError = "--port needs a number";
  if (read.Help || read.Version) {
    options.Mode = read.Help ? VtwebMode::Help : VtwebMode::Version;
    return options;
  }
  options.LandmarkFile = read.Files.size() == 1 && LowerCase(read.Files.front()).ends_with(".mrf");
  options.CommandLineError =
      !portError.empty() ? portError : CheckOptions(options, read, portGiven);
  if (!options.CommandLineError.empty()) {
    options.Mode = VtwebMode::BadCommandLine;
    return options;
  }
  options.FileName = read.Files.front();
  if (read.Files.size() == 2) options.FormatName = read.Files.back();
  if (!arguments.empty()) options.ProgramDir = ProgramDirFromArg0(arguments.front());
  options.OutputName = read.OutputName.value_or(std::string());
  return options;
}

std::string HelpText() {
  return "Usage: vtweb FILE.mrf [--port N] [--no-open]\n"
         "  or:  vtweb DATA [FORMAT] [--port N] [--no-open]\n"
         "  or:  vtweb --html FILE.mrf [-o OUT.html]\n"
         "  or:  vtweb --help\n"
         "  or:  vtweb --version\n"
         "Without --html vtweb shows the landmarks of FILE.mrf on a map in the browser,\n"
         "or the records of the data file DATA as a grid under the format file FORMAT\n"
         "(found as datedit --export finds it when left out), served from this\n"
         "computer alone (127.0.0.1) to the address it prints, until Ctrl+C ends it.\n"
         "A name that ends in .mrf is a landmark file unless a FORMAT follows it.\n"
         "The page follows the file as other programs change it, and writes its\n"
         "edits under the file's lock, as lmedit and datedit write theirs.\n"
         "\n"
         "Options:\n"
         "  --port N             listens on port N, not on a free one\n"
         "  --no-open            only prints the address; no browser is opened\n"
         "  --html               writes the map as one page that needs no server\n"
         "  -o OUT.html          with --html: writes the page to OUT.html, not to\n"
         "                       standard output\n" +
         HelpAndVersionHelp();
}

std::string MakeSecret() {
  return BytesToHex(RandomBytes(kSecretBytes));
}

std::string StartAddress(const VtwebState& s) {
  return "http://127.0.0.1:" + std::to_string(s.Port) + "/?key=" + s.Secret;
}

int RunVtweb(const VtwebOptions& options, PlainConsole& out, PlainConsole& err) {
  return RunRefusable("vtweb", err, [&] {
    switch (options.Mode) {
      case VtwebMode::Html:
        return WriteHtml(options, out);
      case VtwebMode::Serve:
        return ServeFile(options, out, err);
      default:
        return AnswerCommandLine(AnswerOfMode(options.Mode),
                                 {"vtweb", HelpText(), HelpText(), options.CommandLineError}, out,
                                 err);
    }
  });
}

}  // namespace vantor::vtweb
