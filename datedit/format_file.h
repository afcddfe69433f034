// Format files: plain text written by users, one field per line, that name
// and type the fields of a record.
#pragma once

#include <cstdint>
#include <string>

#include "datedit_state.h"
#include "files/text_file.h"

namespace vantor::datedit {

// A format file's fields as read, before anything is shown or checked.
struct FormatDefinition {
  FieldDefs Fields{};
  int Entries = 0;
  // The file held more entries than the table's 128; the rest was not read.
  bool CutAtMaxFields = false;
  // The lengths of all entries added up.
  int64_t Sum = 0;
};

// The definition that the lines of a format file give. A length line that
// holds no valid length is a run-time error naming `sourceName` and the line.
FormatDefinition ParseFormat(LineInput& lines, const std::string& sourceName);

// Reads the named format file into the field table, echoes it, checks it
// against the record length, then waits for a key.
void LoadFormatFile(DateditState& s, const std::string& name);

// Fills the field table from an open format file, echoes every entry and
// closes the file; ends the program when a definition that differs from the
// record length is larger than the record buffer.
void ReadStructureDefinition(DateditState& s, TextFileReader& file);

}  // namespace vantor::datedit
