// Building a volume from the files of a folder: four part files in the
// program's folder, fixed up once all sizes are known, then joined.
#pragma once

#include <string>

#include "vtvolx_state.h"

namespace vantor::vtvolx {

// The longest name a volume can give back: names are read as 40 bytes that
// hold a 0 byte.
inline constexpr size_t kMaxStoredName = 39;
// Block lengths keep 24 bits.
inline constexpr int64_t kMaxStoredFileSize = 16777215;

// Checks the source folder before anything is written; false (after one line
// naming the file) when a file cannot be stored.
bool CheckSourceFolder(VtvolxState& s);
void BuildVolume(VtvolxState& s);
void AssembleVolume(VtvolxState& s);
// The name under which a file whose name holds "~" is stored.
std::string GetLongName(VtvolxState& s, const std::string& name);

// Argument 3, or the folder "volin" in the program's folder.
std::string SourceFolder(const VtvolxState& s);

}  // namespace vantor::vtvolx
