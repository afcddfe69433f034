#include "extraction_policy.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "entry_names.h"
#include "hex.h"
#include "platform.h"

namespace vantor::vtvolx {
namespace {

// What a run starts, reads or writes in the program's folder besides the
// working copies: replaced by an entry, the extractor would run the entry.
constexpr std::array<std::string_view, 8> kProgramFiles = {
    "extract.exe", "dum.vol",   "out.vol",      "head.vol",
    "string.idx",  "index.idx", "vblkdata.vol", "_long.txt"};

}  // namespace

ExtractionPolicy::ExtractionPolicy(const Options& options)
    : programDir_(options.ProgramDir),
      programName_(options.ProgramName),
      volume_(IdentityOf(options.Volume)),
      currentFolder_(CurrentFolder()),
      indexPlace_(PlaceOf(IndexCopy())),
      nameTablePlace_(PlaceOf(NameTableCopy())),
      programFolder_(PlaceOf(programDir_ + "x")) {
  programFolder_.pop_back();  // the place of a name there, less the name
}

// Names are compared without regard to case: on Windows they are one file.
bool ExtractionPolicy::IsProgramFile(const std::string& place) const {
  if (programFolder_.empty() || !place.starts_with(programFolder_)) return false;
  std::string name = LowerCase(place.substr(programFolder_.size()));
  if (name.find('/') != std::string::npos) return false;
  return name == programName_ ||
         std::find(kProgramFiles.begin(), kProgramFiles.end(), name) != kProgramFiles.end();
}

// Most targets are names in the current folder: their place needs no look
// at the disk.
std::string ExtractionPolicy::PlaceOfTarget(const std::string& name) const {
  bool plain = DirectoryPart(name).empty() && name != "." && name != "..";
  return plain ? JoinPath(currentFolder_, name) : PlaceOf(name);
}

// Working copies are replaced by a rename, so a link to one, hard or
// symbolic, is no working copy: only their place counts.
bool ExtractionPolicy::IsWorkingCopy(const std::string& name) const {
  return IsWorkingCopyPlace(PlaceOfTarget(name));
}

bool ExtractionPolicy::IsWorkingCopyPlace(const std::string& place) const {
  return !place.empty() && (place == indexPlace_ || place == nameTablePlace_);
}

std::optional<std::string> ExtractionPolicy::RefusalOfTarget(const std::string& name) const {
  std::string shown = PrintableName(name);
  FileIdentity standing;
  switch (KindOf(name, &standing)) {
    case FileKind::SymbolicLink:
      return "refused, a symbolic link stands under the name: " + shown;
    case FileKind::Directory:
    case FileKind::Other:
      return "refused, that is no ordinary file: " + shown;
    case FileKind::Regular:
      // A file under the volume's name would replace the very file being read.
      if (volume_ && standing == *volume_) return "refused, that is the volume itself: " + shown;
      if (!IsWritable(name)) return "refused, the file is read-only: " + shown;
      break;
    case FileKind::Missing:
      break;
  }
  std::string place = PlaceOfTarget(name);
  if (IsWorkingCopyPlace(place)) return "refused, that is a working copy of this run: " + shown;
  if (IsProgramFile(place)) {
    return "refused, that is one of vtvolx's own files: " + shown;
  }
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
