// The entries of a volume as JSON Lines, for scripts: one object per entry
// in index order on the output, reports of damage on the state's console
// (standard error), and nothing written anywhere else.
#pragma once

#include <string>

#include "console/plain_console.h"
#include "volume_reader.h"
#include "vtvolx_state.h"

namespace vantor::vtvolx {

// One entry as one JSON object, without a line end.
std::string EntryAsJson(const Entry& e, bool numbered);

// Lists the volume of the options; returns the exit code that "-list" gives
// for the same volume: 1 when the volume or an entry is damaged, else 0.
int ListAsJson(VtvolxState& s, PlainConsole& out);

}  // namespace vantor::vtvolx
