// A landmark record on the screen: the seven numbered field lines, the texts
// for object type and side, the record editor behind the main screen's "M",
// and the six-digit hex entry of the Lo file ID.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "console.h"
#include "lmedit_state.h"

namespace vantor::lmedit {

// The screen's type text immediately followed by its side text.
std::string TypeSideText(uint8_t objectType, uint8_t side);

// Seven lines from the cursor on, one per editable field, each ended.
void ShowLandmark(Console& con, const LandmarkRecord& record);

// Edits OutputRecord field by field until it is saved ("S") over the current
// record of OutputFile or the edit is cancelled ("C").
void EditLandmark(LmeditState& s);

// Exactly six hex digits typed one column right of the cursor, stored as three
// bytes; the sixth digit ends the entry.
void ReadLoFileId(Console& con, std::span<uint8_t, 3> destination);

}  // namespace vantor::lmedit
