#include "formatted_view.h"

#include <algorithm>
#include <span>

#include "base/text_format.h"
#include "field_types.h"

namespace vantor::datedit {
namespace {

constexpr int kPauseRow = 48;
constexpr size_t kLastShownOffset = 9999;  // fields from here on are not listed

// How many bytes a type reads from the record to show its value: a text
// field at most 200.
size_t BytesShown(const FieldType& type, uint16_t length) {
  return type.Length != 0 ? type.Length : std::min<size_t>(length, kMaxShownText);
}

bool IsListed(char indicator) {
  const FieldType* type = FieldTypeOf(indicator);
  return type == nullptr || type->Listed;
}

}  // namespace

bool FitsRecordBuffer(size_t offset, size_t length) {
  constexpr size_t kLimit = kRecordBufferSize;
  return offset <= kLimit && length <= kLimit - offset;
}

std::string FieldValueText(const NameTables& names, char indicator, uint16_t length,
                           const RecordBytes& record, size_t offset) {
  const FieldType* type = FieldTypeOf(indicator);
  if (type == nullptr || type->Show == nullptr) return {};
  size_t shown = BytesShown(*type, length);
  if (!FitsRecordBuffer(offset, shown)) return {};
  return type->Show(names, std::span(record.data() + offset, shown));
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
    if (IsListed(field.Indicator) && FitsRecordBuffer(offset, field.Len)) {
      s.Con.Write("#:" + FormatInt(n, 2));
      ShowField(s, field.Indicator, field.Len, record, offset, field);
    }
    offset += field.Len;
  }
}

}  // namespace vantor::datedit
