// The upper part of datedit's screen: three status lines and the current
// record, as a dump or as named fields.
#pragma once

#include <string>

#include "datedit_state.h"

namespace vantor::datedit {

// Reads the header's count and the current record into RecordBuffer as the
// file holds them now, and draws them from a cleared screen.
void ShowRecord(DateditState& s);

// One dump cell of three columns: a blank and two hex digits, or in ASCII mode
// a blank, a dot and the byte itself for bytes 32 to 254.
std::string DumpCell(uint8_t byte, bool asciiMode);

}  // namespace vantor::datedit
