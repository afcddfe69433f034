#include "field_editor.h"

#include <cfloat>
#include <cmath>
#include <cstring>
#include <optional>
#include <variant>

#include "format_file.h"
#include "formatted_view.h"
#include "run_time_error.h"
#include "text_format.h"

namespace vantor::datedit {
namespace {

constexpr size_t kMaxTypedText = 255;

enum class InputKind { Integer, Real32, Real64, Text, None };

InputKind InputKindOf(char indicator) {
  switch (indicator) {
    case 'u':
    case 'h':
    case 'c':
    case 'o':
    case 'O':
    case 'C':
    case 'P':
    case 'b':
    case 's':
    case 'i':
    case 'w':
    case 'l':
      return InputKind::Integer;
    case '4':
      return InputKind::Real32;
    case '8':
      return InputKind::Real64;
    case 't':
      return InputKind::Text;
    default:
      return InputKind::None;  // x, L and letters that are no type
  }
}

using NewValue = std::variant<int32_t, double, std::string>;

// One attempt to read a value; nothing when the typed text is no valid value.
// An input that ends is a run-time error: an edit must not store a value
// nobody typed.
std::optional<NewValue> ReadValue(Console& con, InputKind kind) {
  switch (kind) {
    case InputKind::Integer:
      if (auto value = ParseIntegerToken(ReadRequiredToken(con))) return *value;
      return std::nullopt;
    case InputKind::Real32: {
      auto value = ParseRealToken(ReadRequiredToken(con));
      // Outside the range of a 32-bit real the value would be stored as infinity.
      if (!value || std::fabs(*value) > FLT_MAX) return std::nullopt;
      return *value;
    }
    case InputKind::Real64:
      if (auto value = ParseRealToken(ReadRequiredToken(con))) return *value;
      return std::nullopt;
    case InputKind::Text:
      return con.ReadLine(kMaxTypedText);
    case InputKind::None:
      break;
  }
  return std::nullopt;
}

template <typename T>
void StoreAt(RecordBytes& record, size_t offset, T value) {
  std::memcpy(record.data() + offset, &value, sizeof value);  // little-endian, as is x86
}

// A text is cut so that its terminating zero byte always fits the field.
void StoreText(RecordBytes& record, size_t offset, uint16_t length, const std::string& text) {
  if (length == 0) return;
  std::memset(record.data() + offset, 0, length);
  std::memcpy(record.data() + offset, text.data(), std::min<size_t>(text.size(), length - 1));
}

void StoreValue(RecordBytes& record, size_t offset, char indicator, uint16_t length,
                const NewValue& value) {
  switch (indicator) {
    case 'i':
    case 'w':
      StoreAt(record, offset, static_cast<uint16_t>(std::get<int32_t>(value)));
      break;
    case 'l':
      StoreAt(record, offset, std::get<int32_t>(value));
      break;
    case '4':
      StoreAt(record, offset, static_cast<float>(std::get<double>(value)));
      break;
    case '8':
      StoreAt(record, offset, std::get<double>(value));
      break;
    case 't':
      StoreText(record, offset, length, std::get<std::string>(value));
      break;
    default:
      // One byte; for O the class byte, the object byte is left as it is.
      record[offset] = static_cast<uint8_t>(std::get<int32_t>(value));
      break;
  }
}

size_t StoredLength(char indicator, uint16_t length) {
  return indicator == 't' ? length : FixedLengthOf(indicator);
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

  InputKind kind = InputKindOf(indicator);
  if (kind == InputKind::None || !FitsRecordBuffer(offset, StoredLength(indicator, length))) {
    return;
  }
  int promptColumn = con.WhereX();
  int promptRow = con.WhereY();
  std::string message;
  for (;;) {
    con.GotoXY(promptColumn, promptRow + 1);
    con.ClearToEndOfLine();
    con.Write(message + "  Input new value: ");
    if (auto value = ReadValue(con, kind)) {
      StoreValue(record, offset, indicator, length, *value);
      return;
    }
    message = "invalid input, try again...";
  }
}

}  // namespace vantor::datedit
