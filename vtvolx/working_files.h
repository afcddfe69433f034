// The working files in the program's folder (the parts of a volume being
// built, the working volume of the extractor) are shared by every run of
// vtvolx from that folder: one run at a time may write them.
#pragma once

#include <string_view>

#include "os/file_lock.h"
#include "vtvolx_state.h"

namespace vantor::vtvolx {

// What a run reads or starts in the program's folder for a packed entry,
// and the working volume it writes there for the extractor.
inline constexpr std::string_view kExtractorName = "extract.exe";
inline constexpr std::string_view kTemplateName = "dum.vol";
inline constexpr std::string_view kWorkingVolumeName = "out.vol";

// Whether a lower-case name is one that building and reading runs write
// into the program's folder: the parts of a volume, the long-name answer,
// the working copies of an index and a name table.
bool IsWorkingFileName(std::string_view lowerName);

// Holds the program's folder for this run; another run that holds it is
// waited for, and the wait is said on the screen.
FileLock LockWorkingFiles(VtvolxState& s);

}  // namespace vantor::vtvolx
