#include "field_editor.h"

#include <cfloat>
#include <cmath>
#include <optional>
#include <span>

#include "base/run_time_error.h"
#include "base/text_format.h"
#include "field_types.h"
#include "formatted_view.h"

namespace vantor::datedit {
namespace {

// One attempt to read a value; nothing when the typed text is no valid value.
// An input that ends is a run-time error: an edit must not store a value
// nobody typed.
std::optional<TypedValue> ReadValue(Console& con, ValueInput input) {
  switch (input) {
    case ValueInput::Integer:
      if (auto value = ParseIntegerToken(ReadRequiredToken(con))) return *value;
      return std::nullopt;
    case ValueInput::Single: {
      auto value = ParseRealToken(ReadRequiredToken(con));
      // Outside the range of a 32-bit real the value would be stored as infinity.
      if (!value || std::fabs(*value) > FLT_MAX) return std::nullopt;
      return *value;
    }
    case ValueInput::Double:
      if (auto value = ParseRealToken(ReadRequiredToken(con))) return *value;
      return std::nullopt;
    case ValueInput::Text:
      // A character the record cannot hold is refused, not changed into another.
      if (auto text = con.ReadHeldLine(kMaxTypedText)) return *text;
      return std::nullopt;
    case ValueInput::None:
      break;
  }
  return std::nullopt;
}

// The bytes a value is stored in: a text field's whole length.
size_t StoredLength(const FieldType& type, uint16_t length) {
  return type.Length != 0 ? type.Length : length;
}

}  // namespace

size_t FieldOffset(const DateditState& s, int fieldNumber) {
  size_t offset = 0;
  for (int k = 1; k < fieldNumber && k <= kMaxFields && s.FieldTable[k - 1].Len != 0; ++k) {
    offset += s.FieldTable[k - 1].Len;
  }
  return offset;
}

void EditField(DateditState& s, char indicator, uint16_t length, RecordBytes& record,
               int fieldNumber, const FieldDef& field) {
  Console& con = s.Con;
  size_t offset = FieldOffset(s, fieldNumber);
  con.Write(FieldValueText(s.Names, indicator, length, record, offset));
  con.WriteLn();
  con.WriteLn();
  con.ClearToEndOfLine();
  con.Write("offset#:" + FormatInt(fieldNumber, 3) + FieldLabel(field, indicator));
  con.WriteLn();

  const FieldType* type = FieldTypeOf(indicator);
  if (type == nullptr || type->Store == nullptr) return;
  const size_t stored = StoredLength(*type, length);
  if (!FitsRecordBuffer(offset, stored)) return;
  int promptColumn = con.WhereX();
  int promptRow = con.WhereY();
  std::string message;
  for (;;) {
    con.GotoXY(promptColumn, promptRow + 1);
    con.ClearToEndOfLine();
    con.Write(message + "  Input new value: ");
    if (auto value = ReadValue(con, type->Input)) {
      type->Store(std::span(record.data() + offset, stored), *value);
      return;
    }
    message = "invalid input, try again...";
  }
}

}  // namespace vantor::datedit
