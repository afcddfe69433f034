#include "formatted_view.h"

#include <cstring>

#include "format_file.h"
#include "hex.h"
#include "text_format.h"

namespace vantor::datedit {
namespace {

constexpr int kPauseRow = 48;
constexpr size_t kLastShownOffset = 9999;  // fields from here on are not listed

template <typename T>
T ValueAt(const RecordBytes& record, size_t offset) {
  T value;
  std::memcpy(&value, record.data() + offset,
              sizeof value);  // records are little-endian, as is x86
  return value;
}

// How many bytes a type reads from the record to show its value.
size_t BytesShown(char indicator, uint16_t length) {
  switch (indicator) {
    case 't':
      return std::min<size_t>(length, kMaxShownText);
    case 'x':
      return 0;
    default:
      return FixedLengthOf(indicator);
  }
}

}  // namespace

bool FitsRecordBuffer(size_t offset, size_t length) {
  constexpr size_t kLimit = kRecordBufferSize;
  return offset <= kLimit && length <= kLimit - offset;
}

std::string FieldValueText(const NameTables& names, char indicator, uint16_t length,
                           const RecordBytes& record, size_t offset) {
  if (!FitsRecordBuffer(offset, BytesShown(indicator, length))) return {};
  uint8_t byte = record[offset];
  switch (indicator) {
    case 's':
      return FormatInt(static_cast<int8_t>(byte), 4);
    case 'b':
      return FormatInt(byte, 4);
    case 'u':
    case 'h':
    case 'c':
    case 'o':
      return PadLeft(ByteToHex(byte), 11);
    case 'O': {
      uint8_t object = record[offset + 1];
      return ByteToHex(byte) + ByteToHex(object) + "|" + ObjectName(names, byte, object);
    }
    case 'C':
      return ByteToHex(byte) + " " + ClassName(byte);
    case 'P':
      return ByteToHex(byte) + " " + ObjectName(names, 3, byte);
    case 'L':
      return ByteToHex(byte) + " " + LandmarkTypeName(byte);
    case 'i':
      return FormatInt(ValueAt<int16_t>(record, offset), 11);
    case 'w':
      return FormatInt(ValueAt<uint16_t>(record, offset), 11);
    case 'l':
      return FormatInt(ValueAt<int32_t>(record, offset), 11);
    case '4':
      return FormatReal(ValueAt<float>(record, offset), 11, 4);
    case '8':
      return FormatReal(ValueAt<double>(record, offset), 11, 4);
    case 't': {
      const char* text = reinterpret_cast<const char*>(record.data() + offset);
      return std::string(text, std::min<size_t>(length, kMaxShownText));
    }
    default:
      return {};
  }
}

std::string FieldLabel(const FieldDef& field, char indicator) {
  return PadLeft(field.Name + "|", 31) + "|typ=" + std::string(1, indicator) + "|= ";
}

void ShowField(DateditState& s, char indicator, uint16_t length, const RecordBytes& record,
               size_t offset, const FieldDef& field) {
  s.Con.Write(FieldLabel(field, indicator));
  s.Con.Write(FieldValueText(s.Names, indicator, length, record, offset));
  s.Con.WriteLn();
  if (s.Con.WhereY() == kPauseRow) {
    s.Con.Write("press enter...");
    s.Con.ReadLine(0);
  }
}

void ShowFormattedRecord(DateditState& s, const RecordBytes& record) {
  size_t offset = 0;
  for (int n = 1; n <= kMaxFields; ++n) {
    const FieldDef& field = s.FieldTable[n - 1];
    if (field.Len == 0 || offset >= kLastShownOffset) break;
    if (field.Indicator != 'x' && FitsRecordBuffer(offset, field.Len)) {
      s.Con.Write("#:" + FormatInt(n, 2));
      ShowField(s, field.Indicator, field.Len, record, offset, field);
    }
    offset += field.Len;
  }
}

}  // namespace vantor::datedit
