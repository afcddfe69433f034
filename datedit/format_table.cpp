#include "format_table.h"

#include <set>

#include "base/json_text.h"
#include "base/text_format.h"

namespace vantor::datedit {
namespace {

// The first of name, name_2, name_3, ... that is not taken yet.
std::string FreeName(std::set<std::string>& taken, const std::string& name) {
  std::string candidate = name;
  for (int n = 2; taken.count(candidate) != 0; ++n)
    candidate = name + "_" + std::to_string(n);
  taken.insert(candidate);
  return candidate;
}

}  // namespace

FormatTable::FormatTable(const FieldDefs& fields, size_t recordSize, const NameTables& names)
    : names_(names) {
  std::set<std::string> taken;
  auto add = [&](TextColumn column, const FieldType* type) {
    columns_.push_back(std::move(column));
    types_.push_back(type);
  };
  add({FreeName(taken, "record"), TextColumnRole::Record}, nullptr);
  size_t offset = 0;
  for (size_t n = 0; n < fields.size() && fields[n].Len != 0; ++n) {
    const FieldDef& field = fields[n];
    const FieldType* type = FieldTypeOf(field.Indicator);
    // The format reader gives a letter that is no type the length 0.
    if (type == nullptr || offset + field.Len > recordSize) break;
    std::string name = TrimBlanks(Utf8OrCp437(field.Name));
    if (name.empty()) name = "field_" + std::to_string(n + 1);
    std::string columnName = FreeName(taken, name);
    add({columnName, TextColumnRole::Value, offset, field.Len, type->Json}, type);
    if (type->Neighbour != nullptr) {
      add({FreeName(taken, columnName + "_name"), TextColumnRole::ReadOnly, offset, field.Len},
          type);
    }
    offset += field.Len;
  }
  add({FreeName(taken, "rest"), TextColumnRole::Value, offset, recordSize - offset},
      FieldTypeOf('x'));
}

std::string FormatTable::CellText(size_t column, std::span<const uint8_t> record) const {
  const TextColumn& cell = columns_[column];
  const FieldType* type = types_[column];
  if (type == nullptr) return std::string();
  auto bytes = record.subspan(cell.offset, cell.length);
  return cell.role == TextColumnRole::ReadOnly ? type->Neighbour(names_, bytes) : type->Cell(bytes);
}

std::optional<std::string> FormatTable::PutCellText(size_t column, std::string_view text,
                                                    std::span<uint8_t> record) const {
  const TextColumn& cell = columns_[column];
  return types_[column]->PutCell(*types_[column], text, record.subspan(cell.offset, cell.length));
}

}  // namespace vantor::datedit
