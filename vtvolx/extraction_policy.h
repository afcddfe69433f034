// Every refusal of a run in one place: which files a reading run may write
// (entries, the list or batch file), which volume it may read, and which
// names a building run may not put its volume under. Nothing
// the user owns is written through a link, replaced when it is no ordinary
// file, is read-only or would change hands (another user's file), or
// destroyed because it is the volume being read, a working copy that the
// run writes, or one of the program's own files (the program, the extractor
// it starts, the template it reads).
#pragma once

#include <optional>
#include <string>

#include "command_line.h"
#include "os/platform.h"

namespace vantor::vtvolx {

// Why extraction refuses an entry for its name alone, before any file is
// looked at; nothing when the name may be extracted. Numbered entries of
// ".ted" volumes take no name of their own.
std::optional<std::string> RefusalOfEntryName(const std::string& entryName, bool numbered);

class ExtractionPolicy {
 public:
  explicit ExtractionPolicy(const Options& options);

  // Why nothing may be written under `name`; nothing when it may.
  std::optional<std::string> RefusalOfTarget(const std::string& name) const;
  // Why the entry may not be extracted into the file `outName`. Numbered
  // entries of ".ted" volumes take no name of their own.
  std::optional<std::string> RefusalOfEntry(const std::string& entryName,
                                            const std::string& outName, bool numbered) const;
  // Whether the name is one of the working copies "voli.dat" and "vols.dat"
  // that every reading run writes into the program's folder.
  bool IsWorkingCopy(const std::string& name) const;
  // Whether writing under `name` would replace one of the program's own files
  // in its folder: the program, the extractor, the template, the working
  // volume, the parts of a volume being built or a working copy.
  bool IsOwnFile(const std::string& name) const;

  std::string IndexCopy() const { return programDir_ + "voli.dat"; }
  std::string NameTableCopy() const { return programDir_ + "vols.dat"; }

 private:
  std::string PlaceOfTarget(const std::string& name) const;
  bool IsWorkingCopyPlace(const std::string& place) const;
  bool IsProgramFile(const std::string& place) const;

  std::string programDir_;
  std::string programName_;
  // Taken once: the current folder and the working copies' places do not
  // change during a run, and the volume stays open.
  std::optional<FileIdentity> volume_;
  std::string currentFolder_;
  std::string indexPlace_;
  std::string nameTablePlace_;
  std::string programFolder_;
};

}  // namespace vantor::vtvolx
