#include "format_seek.h"

#include "data_file.h"
#include "format_file.h"
#include "platform.h"

namespace vantor::datedit {

std::string FormatNameKey(const std::string& dataFileName) {
  std::string name(dataFileName.substr(DirectoryPart(dataFileName).size()));
  for (char& c : name) {
    if (c == '.' || (c >= '0' && c <= '9')) c = '*';
  }
  auto star = name.find('*');
  return star == std::string::npos ? std::string() : name.substr(0, star + 1);
}

void AutoSeekFormatFile(DateditState& s, const std::string& dataFileArgument) {
  std::string pattern = FormatFilePath(s, FormatNameKey(s.DataFileName) + ".txt");
  std::vector<FoundFile> found = FindFiles(pattern);
  std::string foundName = found.empty() ? std::string() : found.front().name;
  if (!foundName.empty()) {
    LoadFormatFile(s, FormatFilePath(s, foundName));
    s.FormatLoaded = true;
    s.LastFileName = foundName;
  }
  s.Con.WriteLine(dataFileArgument + " " + foundName);
  s.FormattedView = true;
}

}  // namespace vantor::datedit
