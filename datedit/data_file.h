// The structured data file: a 100-byte header (record count at byte 20,
// record length at byte 22) followed by records of one length.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "datedit.h"
#include "datedit_state.h"
#include "os/file_lock.h"

namespace vantor::datedit {

// The length of the program's string for data file names.
inline constexpr size_t kMaxDataFileName = 80;

// Opens the data file named on the command line (or asks for it), reads the
// header, loads a format file named as second argument, tests the structure
// and prints the summary. Returns on record 0, or ends the program.
void OpenDataFile(DateditState& s, const DateditOptions& options);

// A file is structured exactly when its size is 100 plus count times length.
bool IsStructuredFile(int64_t fileSize, int32_t recCount, int32_t recSize);

// Reads the header text and the record count as the file holds them now.
void ReadHeaderNow(DataDocument& d);

// Whether record n lies wholly in the file, by the count last read and the
// file's size now.
bool IsLegalRecord(DateditState& s, int64_t n);

// Makes the last record current when the current one is no longer in the
// file (another program shortened it); record 0 when none is left.
void KeepCurrentRecordLegal(DateditState& s);

// Makes record n current when it is a legal record; otherwise the current
// record stays. The count is read anew first.
void MoveToRecord(DateditState& s, int64_t n);

// The current record's bytes in RecordBuffer.
std::span<uint8_t> CurrentRecordBytes(DateditState& s);

// The data file's lock, held by each command that writes the file; while
// another program holds it, the screen says so, and Ctrl+C ends the program.
FileLock LockDataFile(DateditState& s);

// When another program put a new file under the name (or gave the file
// another record length), takes it in as the open does: the count and the
// length read again and the structure test applied, so that a refused file
// ends the program; the current record stays where the new file holds it.
void TakeInReplacedFile(DateditState& s);

// Whether the record a command would write (or write out) is still the one
// shown.
enum class ShownRecord {
  StillThere,
  Gone,          // the file was shortened and no longer holds it
  FileReplaced,  // another program put a new file under the name
};
// For a command that writes the current record, inside the lock (the count
// is read anew).
ShownRecord CheckShownRecord(DateditState& s);
// When such a command wrote nothing, outside the lock: why, and for a new
// file under the name the file taken in, so that the next screen shows the
// record as that file holds it, with the note below the menu.
void NoteNothingWritten(DateditState& s, ShownRecord why);

// The name under which a format file is looked up: in the program's folder.
std::string FormatFilePath(const DateditState& s, const std::string& name);
std::string FormatFilePath(const std::string& programDir, const std::string& name);

}  // namespace vantor::datedit
