#include "format_seek.h"

#include <cctype>

#include "data_file.h"
#include "format_file.h"
#include "os/platform.h"

namespace vantor::datedit {

std::string FormatNameKey(const std::string& dataFileName) {
  std::string name(dataFileName.substr(DirectoryPart(dataFileName).size()));
  for (char& c : name) {
    if (c == '.' || (c >= '0' && c <= '9')) c = '*';
  }
  auto star = name.find('*');
  return star == std::string::npos ? std::string() : name.substr(0, star + 1);
}

std::optional<std::string> SeekFormatFile(const std::string& programDir,
                                          const std::string& dataFileName) {
  std::vector<FoundFile> found =
      FindFiles(FormatFilePath(programDir, FormatNameKey(dataFileName) + ".txt"));
  if (found.empty()) return std::nullopt;
  return found.front().name;
}

namespace {

// Whether a name finds a format file of its own rather than every one.
bool KeyNamesAFormat(const std::string& dataFileName) {
  return FormatNameKey(dataFileName).size() >= 2;
}

// The name after a prefix of six letters or digits and "_"; none when the
// name has no such prefix or what follows it names no format.
std::optional<std::string> NameAfterCopyPrefix(std::string_view name) {
  constexpr size_t kPrefix = 7;
  if (name.size() <= kPrefix || name[kPrefix - 1] != '_') return std::nullopt;
  for (size_t i = 0; i + 1 < kPrefix; ++i) {
    if (!std::isalnum(static_cast<unsigned char>(name[i]))) return std::nullopt;
  }
  std::string ownName(name.substr(kPrefix));
  if (!KeyNamesAFormat(ownName)) return std::nullopt;
  return ownName;
}

bool StandsInTemporaryFolder(const std::string& name) {
  std::string folder = ResolvedFolder(std::string(DirectoryPart(name)));
  return !folder.empty() && SamePlace(folder, ResolvedFolder(TemporaryFolder()));
}

}  // namespace

std::optional<std::string> SeekTextFormFormat(const std::string& programDir,
                                              const std::string& dataFileName) {
  std::optional<std::string> found = SeekFormatFile(programDir, dataFileName);
  if (found && KeyNamesAFormat(dataFileName)) return found;
  std::string_view name = std::string_view(dataFileName).substr(DirectoryPart(dataFileName).size());
  std::optional<std::string> ownName = NameAfterCopyPrefix(name);
  if (ownName && StandsInTemporaryFolder(dataFileName)) {
    return SeekFormatFile(programDir, *ownName);
  }
  return found;
}

void AutoSeekFormatFile(DateditState& s, const std::string& dataFileArgument) {
  std::string foundName = SeekFormatFile(s.ProgramDir, s.DataFileName).value_or(std::string());
  if (!foundName.empty()) {
    LoadFormatFile(s, FormatFilePath(s, foundName));
    s.FormatLoaded = true;
    s.LastFileName = foundName;
  }
  s.Con.WriteLine(dataFileArgument + " " + foundName);
  s.FormattedView = true;
}

}  // namespace vantor::datedit
