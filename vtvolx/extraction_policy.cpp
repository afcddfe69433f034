#include "extraction_policy.h"

#include "entry_names.h"
#include "platform.h"

namespace vantor::vtvolx {

ExtractionPolicy::ExtractionPolicy(std::string volume, std::string programDir)
    : volume_(std::move(volume)), programDir_(std::move(programDir)) {}

bool ExtractionPolicy::IsWorkingCopy(const std::string& name) const {
  return IsSamePlace(name, IndexCopy()) || IsSamePlace(name, NameTableCopy());
}

std::optional<std::string> ExtractionPolicy::RefusalOfTarget(const std::string& name) const {
  std::string shown = PrintableName(name);
  switch (KindOf(name)) {
    case FileKind::SymbolicLink:
      return "refused, a symbolic link stands under the name: " + shown;
    case FileKind::Directory:
    case FileKind::Other:
      return "refused, that is no ordinary file: " + shown;
    case FileKind::Missing:
    case FileKind::Regular:
      break;
  }
  // A file under the volume's name would replace the very file being read.
  if (IsSameFile(name, volume_)) return "refused, that is the volume itself: " + shown;
  if (IsWorkingCopy(name)) return "refused, that is a working copy of this run: " + shown;
  return std::nullopt;
}

std::optional<std::string> ExtractionPolicy::RefusalOfEntry(const std::string& entryName,
                                                            const std::string& outName,
                                                            bool numbered) const {
  if (!numbered && IsUnsafeEntryName(entryName)) {
    return "refused unsafe name: " + PrintableName(entryName);
  }
  return RefusalOfTarget(outName);
}

}  // namespace vantor::vtvolx
