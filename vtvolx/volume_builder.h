// Building a volume from the files of a folder: four part files in the
// program's folder, fixed up once all sizes are known, then joined into the
// new volume, which is put in place only when whole.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "extraction_policy.h"
#include "vtvolx_state.h"

namespace vantor::vtvolx {

struct SourceFile {
  std::string FoundName;  // as the folder gives it; the file is opened by it
  std::string StoreName;  // as the volume keeps it
  int64_t Size = 0;
};

// The files to store, listed once, in name order.
std::vector<SourceFile> ListSourceFolder(VtvolxState& s);
// Everything that would make the volume unreadable, and a new volume that
// would replace what it must not, checked before anything is written; false,
// after one line naming the file, when it cannot be built.
bool CheckSourceFiles(VtvolxState& s, const ExtractionPolicy& policy,
                      const std::vector<SourceFile>& files);
void BuildVolume(VtvolxState& s, const std::vector<SourceFile>& files);
void AssembleVolume(VtvolxState& s);

// Where the new volume goes: its name taken from the folder that holds the
// source folder, as the user named the source folder.
std::string NewVolumePath(const Options& o);
// The file that the new volume replaces: where a symbolic link stands under
// its name, the file the link leads to, so that the link stays.
std::string NewVolumeFile(const Options& o);

}  // namespace vantor::vtvolx
