// A record shown as named, typed fields through the loaded format file.
#pragma once

#include <cstddef>
#include <string>

#include "datedit_state.h"

namespace vantor::datedit {

// A text field shows at most this many of its bytes.
inline constexpr size_t kMaxShownText = 200;

// Whether a field at this offset lies wholly inside the record buffer; fields
// that reach past it are neither shown nor edited.
bool FitsRecordBuffer(size_t offset, size_t length);

// The value of a field as the view and the editor show it; empty for the
// types that show nothing (x and letters that are no type).
std::string FieldValueText(const NameTables& names, char indicator, uint16_t length,
                           const RecordBytes& record, size_t offset);

// The field list, from the cursor on.
void ShowFormattedRecord(DateditState& s, const RecordBytes& record);

// One field line; pauses with "press enter..." when it ends on row 48.
void ShowField(DateditState& s, char indicator, uint16_t length, const RecordBytes& record,
               size_t offset, const FieldDef& field);

// The name and its bar, right-aligned in 31 columns, then "|typ=", the letter
// and "|= ": the part that field lines and the editor's header share.
std::string FieldLabel(const FieldDef& field, char indicator);

}  // namespace vantor::datedit
