// Changing one field of the current record in RecordBuffer.
#pragma once

#include "datedit_state.h"

namespace vantor::datedit {

// Shows field `fieldNumber` (1 to 128) of the layout, asks for a new value
// until it is valid for the field's type and stores it in `record`. The data
// file is not touched.
void EditField(Console& con, const NameTables& names, const FieldDefs& layout, RecordBytes& record,
               int fieldNumber);

// The byte offset of a field: the lengths before it, up to the first entry of
// length 0.
size_t FieldOffset(const FieldDefs& layout, int fieldNumber);

}  // namespace vantor::datedit
