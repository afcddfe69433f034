// Format files: plain text written by users, one field per line, that name
// and type the fields of a record.
#pragma once

#include <string>

#include "datedit_state.h"
#include "text_file.h"

namespace vantor::datedit {

inline constexpr size_t kMaxFormatLine = 255;

// The length of a field of this type letter; t and x take theirs from the
// file, letters that are no type take 0.
uint16_t FixedLengthOf(char indicator);
bool HasLengthLine(char indicator);

// Reads the named format file into the field table, echoes it, checks it
// against the record length, then waits for a key.
void LoadFormatFile(DateditState& s, const std::string& name);

// Fills the field table from an open format file and closes it; ends the
// program when a definition that differs from the record length is larger
// than the record buffer.
void ReadStructureDefinition(DateditState& s, TextFileReader& file);

}  // namespace vantor::datedit
