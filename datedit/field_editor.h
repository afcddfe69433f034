// Changing one field of the current record in RecordBuffer.
#pragma once

#include "datedit_state.h"

namespace vantor::datedit {

// Shows field `fieldNumber` (1 to 128), asks for a new value until it is valid
// for the field's type and stores it in `record`. The data file is not touched.
void EditField(DateditState& s, char indicator, uint16_t length, RecordBytes& record,
               int fieldNumber, const FieldDef& field);

// The byte offset of a field: the lengths before it, up to the first entry of
// length 0.
size_t FieldOffset(const DateditState& s, int fieldNumber);

}  // namespace vantor::datedit
