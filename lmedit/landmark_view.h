// A landmark record on the screen: the seven numbered field lines, the texts
// for object type and side, the record editor behind the main screen's "M",
// and the six-digit hex entry of the Lo file ID.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "console/console.h"
#include "lmedit_state.h"

namespace vantor::lmedit {

// The screen's type text immediately followed by its side text.
std::string TypeSideText(uint8_t objectType, uint8_t side);

// Seven lines from the cursor on, one per editable field, each ended.
void ShowLandmark(Console& con, const LandmarkRecord& record);

// Edits the output file's current record, as read when the editor starts,
// field by field until the edit is saved ("S") or cancelled ("C"). A save
// writes the bytes changed here over the record as the file then holds it.
void EditLandmark(LmeditState& s);

// Exactly six hex digits typed one column right of the cursor, stored as three
// bytes; the sixth digit ends the entry.
void ReadLoFileId(Console& con, std::span<uint8_t, 3> destination);

}  // namespace vantor::lmedit
