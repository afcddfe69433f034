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

std::string TextConversionName(const std::string& dataFileName) {
  std::string_view folder = DirectoryPart(dataFileName);
  std::string_view name = std::string_view(dataFileName).substr(folder.size());
  constexpr size_t kPrefix = 7;
  if (name.size() <= kPrefix || name[kPrefix - 1] != '_') return dataFileName;
  for (size_t i = 0; i + 1 < kPrefix; ++i) {
    if (!std::isalnum(static_cast<unsigned char>(name[i]))) return dataFileName;
  }
  std::string ownName(name.substr(kPrefix));
  // A name whose key would match every format file is no file's own name.
  if (FormatNameKey(ownName).size() < 2) return dataFileName;
  return std::string(folder) + ownName;
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
