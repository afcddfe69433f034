#include "command_line.h"

#include "base/text_format.h"
#include "os/platform.h"

namespace vantor::vtvolx {
namespace {

constexpr std::string_view kMake = "-make";
constexpr std::string_view kList = "-list";
constexpr std::string_view kBatch = "-batch";
constexpr std::string_view kAll = "-all";
constexpr std::string_view kTest = "-test";
constexpr std::string_view kJson = "--json";
constexpr std::string_view kHelp = "--help";
constexpr std::string_view kVersion = "--version";

struct SplitArguments {
  std::vector<std::string> words;  // argument 0 and every word that is no option
  bool json = false;
  bool help = false;
  bool version = false;
  std::string unknown;  // the first option that vtvolx does not know
};

SplitArguments SplitOptions(const std::vector<std::string>& arguments) {
  SplitArguments split;
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string& word = arguments[i];
    if (i == 0 || !word.starts_with("--")) {
      split.words.push_back(word);
    } else if (word == kJson) {
      split.json = true;
    } else if (word == kHelp) {
      split.help = true;
    } else if (word == kVersion) {
      split.version = true;
    } else if (split.unknown.empty()) {
      split.unknown = word;
    }
  }
  return split;
}

// The words of the command line without its options, read by their places.
Options ParseWords(const std::vector<std::string>& arguments) {
  auto argument = [&](size_t i) { return i < arguments.size() ? arguments[i] : std::string(); };
  size_t count = arguments.empty() ? 0 : arguments.size() - 1;
  Options o;
  std::string named = ProgramPathFromArg0(argument(0));
  std::string real = ProgramFileFromArg0(argument(0));
  o.ProgramDir = std::string(DirectoryPart(real));
  o.ProgramFile = LowerCase(real.substr(o.ProgramDir.size()));
  o.ProgramName = LowerCase(named.substr(DirectoryPart(named).size()));
  if (count == 0) return o;
  if (argument(1) == kMake) {
    o.Mode = RunMode::Make;
    o.Volume = argument(2);
    o.SourceFolder = count >= 3 ? argument(3) : o.ProgramDir + "volin";
    return o;
  }
  o.Volume = argument(1);
  o.IsTed = o.Volume.find(".ted", 1) != std::string::npos;
  if (count == 1) {
    o.Mode = RunMode::AskPattern;
    return o;
  }
  o.Mode = ModeOfWord(argument(2));
  if (o.Mode == RunMode::List || o.Mode == RunMode::Batch) {
    o.Pattern = argument(3);
  } else {
    if (o.Mode == RunMode::ExtractMatching) o.Pattern = argument(2);
    o.TestOnly = argument(3) == kTest;
  }
  return o;
}

Options Refuse(Options o, std::string problem) {
  o.Mode = RunMode::Refused;
  o.Problem = std::move(problem);
  return o;
}

}  // namespace

RunMode ModeOfWord(std::string_view word) {
  if (word == kList) return RunMode::List;
  if (word == kBatch) return RunMode::Batch;
  if (word == kAll) return RunMode::ExtractAll;
  return RunMode::ExtractMatching;
}

Options ParseCommandLine(const std::vector<std::string>& arguments) {
  SplitArguments split = SplitOptions(arguments);
  Options o = ParseWords(split.words);
  if (!split.unknown.empty()) return Refuse(std::move(o), "unknown option: " + split.unknown);
  if (split.help) {
    o.Mode = RunMode::Help;
  } else if (split.version) {
    o.Mode = RunMode::Version;
  } else if (split.json) {
    // The listing reads one volume and takes no mode word or pattern.
    if (o.Mode != RunMode::AskPattern) {
      return Refuse(std::move(o), "--json takes the volume name alone: vtvolx VOL --json");
    }
    o.Mode = RunMode::JsonListing;
  }
  return o;
}

}  // namespace vantor::vtvolx
