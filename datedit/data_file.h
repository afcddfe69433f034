// The structured data file: a 100-byte header (record count at byte 20,
// record length at byte 22) followed by records of one length.
#pragma once

#include <cstdint>

#include "datedit_state.h"

namespace vantor::datedit {

// The length of the program's string for data file names.
inline constexpr size_t kMaxDataFileName = 80;

// Opens the data file named on the command line (or asks for it), reads the
// header, loads a format file named as second argument, tests the structure
// and prints the summary. Returns positioned at record 0, or ends the program.
void OpenDataFile(DateditState& s);

// A file is structured exactly when its size is 100 plus count times length.
bool IsStructuredFile(int64_t fileSize, int32_t recCount, int32_t recSize);

// The file position of record n when n is a legal record (which then becomes
// current), otherwise the position of the current record.
int64_t RecordPosition(DateditState& s, int64_t n);

// The number of the record at the data file's current position.
int32_t RecordAtFilePos(const DateditState& s);

// The name under which a format file is looked up: in the program's folder.
std::string FormatFilePath(const DateditState& s, const std::string& name);

}  // namespace vantor::datedit
