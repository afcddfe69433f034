// Every refusal of a reading run in one place: which files it may write
// (entries, the list or batch file) and which volume it may read. Nothing
// the user owns is written through a link, replaced when it is no ordinary
// file, or destroyed because it is the volume being read or a working copy
// that the run writes.
#pragma once

#include <optional>
#include <string>

namespace vantor::vtvolx {

class ExtractionPolicy {
 public:
  ExtractionPolicy(std::string volume, std::string programDir);

  // Why nothing may be written under `name`; nothing when it may.
  std::optional<std::string> RefusalOfTarget(const std::string& name) const;
  // Why the entry may not be extracted into the file `outName`. Numbered
  // entries of ".ted" volumes take no name of their own.
  std::optional<std::string> RefusalOfEntry(const std::string& entryName,
                                            const std::string& outName, bool numbered) const;
  // Whether the name is one of the working copies "voli.dat" and "vols.dat"
  // that every reading run writes into the program's folder.
  bool IsWorkingCopy(const std::string& name) const;

  std::string IndexCopy() const { return programDir_ + "voli.dat"; }
  std::string NameTableCopy() const { return programDir_ + "vols.dat"; }

 private:
  std::string volume_;
  std::string programDir_;
};

}  // namespace vantor::vtvolx
