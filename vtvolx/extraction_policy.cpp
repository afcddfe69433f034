#include "extraction_policy.h"

#include "base/text_format.h"
#include "entry_names.h"
#include "os/platform.h"
#include "working_files.h"

namespace vantor::vtvolx {

std::optional<std::string> RefusalOfEntryName(const std::string& entryName, bool numbered) {
  if (!numbered && IsUnsafeEntryName(entryName)) {
    return "refused unsafe name: " + PrintableName(entryName);
  }
  return std::nullopt;
}

ExtractionPolicy::ExtractionPolicy(const Options& options)
    : programDir_(options.ProgramDir),
      programName_(options.ProgramFile),
      volume_(IdentityOf(options.Volume)),
      currentFolder_(ResolvedFolder(".")),
      indexPlace_(PlaceOf(IndexCopy())),
      nameTablePlace_(PlaceOf(NameTableCopy())),
      programFolder_(ResolvedFolder(programDir_)) {}

// What a run starts, reads or writes in the program's folder: replaced by an
// entry, the extractor would run the entry. Names are compared without
// regard to case: on Windows they are one file.
bool ExtractionPolicy::IsProgramFile(const std::string& place) const {
  std::string name = place.substr(DirectoryPart(place).size());
  if (programFolder_.empty() || !SamePlace(JoinPath(programFolder_, name), place)) return false;
  std::string lower = LowerCase(name);
  return lower == programName_ || lower == kExtractorName || lower == kTemplateName ||
         lower == kWorkingVolumeName || IsWorkingFileName(lower);
}

// Most targets are names in the current folder, which is resolved once.
std::string ExtractionPolicy::PlaceOfTarget(const std::string& name) const {
  bool plain = DirectoryPart(name).empty() && name != "." && name != "..";
  return plain ? PlaceIn(currentFolder_, name) : PlaceOf(name);
}

// Working copies are replaced by a rename, so a link to one, hard or
// symbolic, is no working copy: only their place counts.
bool ExtractionPolicy::IsWorkingCopy(const std::string& name) const {
  return IsWorkingCopyPlace(PlaceOfTarget(name));
}

bool ExtractionPolicy::IsOwnFile(const std::string& name) const {
  return IsProgramFile(PlaceOfTarget(name));
}

bool ExtractionPolicy::IsWorkingCopyPlace(const std::string& place) const {
  return !place.empty() && (SamePlace(place, indexPlace_) || SamePlace(place, nameTablePlace_));
}

std::optional<std::string> ExtractionPolicy::RefusalOfTarget(const std::string& name) const {
  std::string shown = PrintableName(name);
  FileIdentity standing;
  const FileKind kind = KindOf(name, &standing);
  switch (kind) {
    case FileKind::SymbolicLink:
      return "refused, a symbolic link stands under the name: " + shown;
    case FileKind::Directory:
    case FileKind::Other:
      return "refused, that is no ordinary file: " + shown;
    case FileKind::Regular:
      // A file under the volume's name would replace the very file being read.
      if (volume_ && standing == *volume_) return "refused, that is the volume itself: " + shown;
      break;
    case FileKind::Missing:
      break;
  }
  std::string place = PlaceOfTarget(name);
  if (IsWorkingCopyPlace(place)) return "refused, that is a working copy of this run: " + shown;
  if (IsProgramFile(place)) {
    return "refused, that is one of vtvolx's own files: " + shown;
  }
  // After the program's own files: on Windows the running program itself
  // cannot be opened for writing, and is to be named as what it is.
  if (kind == FileKind::Regular && IsHeldOpenElsewhere(name)) {
    return "refused, another program has the file open: " + shown;
  }
  if (kind == FileKind::Regular && !IsWritable(name)) {
    return "refused, the file is read-only: " + shown;
  }
  if (kind == FileKind::Regular && !OwnerCanBeKept(name)) {
    return "refused, another user's file would become this user's own: " + shown;
  }
  return std::nullopt;
}

std::optional<std::string> ExtractionPolicy::RefusalOfEntry(const std::string& entryName,
                                                            const std::string& outName,
                                                            bool numbered) const {
  if (auto refusal = RefusalOfEntryName(entryName, numbered)) return refusal;
  return RefusalOfTarget(outName);
}

}  // namespace vantor::vtvolx
