#include "command_line.h"

#include "platform.h"
#include "text_format.h"

namespace vantor::vtvolx {
namespace {

constexpr std::string_view kMake = "-make";
constexpr std::string_view kList = "-list";
constexpr std::string_view kBatch = "-batch";
constexpr std::string_view kAll = "-all";
constexpr std::string_view kTest = "-test";

}  // namespace

RunMode ModeOfWord(std::string_view word) {
  if (word == kList) return RunMode::List;
  if (word == kBatch) return RunMode::Batch;
  if (word == kAll) return RunMode::ExtractAll;
  return RunMode::ExtractMatching;
}

bool IsModeWord(std::string_view word) {
  return word == kMake || word == kList || word == kBatch || word == kAll || word == kTest;
}

Options ParseCommandLine(const std::vector<std::string>& arguments) {
  auto argument = [&](size_t i) { return i < arguments.size() ? arguments[i] : std::string(); };
  size_t count = arguments.empty() ? 0 : arguments.size() - 1;
  Options o;
  std::string path = ProgramPathFromArg0(argument(0));
  o.ProgramDir = std::string(DirectoryPart(path));
  o.ProgramName = LowerCase(path.substr(o.ProgramDir.size()));
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

}  // namespace vantor::vtvolx
