#include "record_table.h"

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

std::vector<TableColumn> TableColumns(const FieldDefs& fields, size_t recordSize) {
  std::vector<TableColumn> columns;
  std::set<std::string> taken;
  columns.push_back({FreeName(taken, "record"), ColumnRole::Record});
  size_t offset = 0;
  for (size_t n = 0; n < fields.size() && fields[n].Len != 0; ++n) {
    const FieldDef& field = fields[n];
    const FieldType* type = FieldTypeOf(field.Indicator);
    // The format reader gives a letter that is no type the length 0.
    if (type == nullptr || offset + field.Len > recordSize) break;
    std::string name = TrimBlanks(Utf8OrCp437(field.Name));
    if (name.empty()) name = "field_" + std::to_string(n + 1);
    std::string columnName = FreeName(taken, name);
    columns.push_back({columnName, ColumnRole::Field, offset, field.Len, field.Indicator});
    if (type->Neighbour != nullptr) {
      columns.push_back({FreeName(taken, columnName + "_name"), ColumnRole::Neighbour, offset,
                         field.Len, field.Indicator});
    }
    offset += field.Len;
  }
  columns.push_back({FreeName(taken, "rest"), ColumnRole::Rest, offset, recordSize - offset, 'x'});
  return columns;
}

std::string CellText(const NameTables& names, const TableColumn& column,
                     std::span<const uint8_t> record) {
  if (column.Role == ColumnRole::Record) return std::string();
  auto bytes = record.subspan(column.Offset, column.Length);
  const FieldType* type = FieldTypeOf(column.Indicator);
  return column.Role == ColumnRole::Neighbour ? type->Neighbour(names, bytes) : type->Cell(bytes);
}

bool IsJsonNumber(const TableColumn& column, std::string_view text) {
  if (column.Role == ColumnRole::Record) return true;
  if (column.Role != ColumnRole::Field || !FieldTypeOf(column.Indicator)->JsonNumber) return false;
  // Infinities and not-a-numbers have no JSON number.
  return text.find_first_of("ni") == std::string_view::npos;
}

std::optional<std::string> PutCellText(const NameTables& names, const TableColumn& column,
                                       std::string_view text, std::span<uint8_t> record) {
  if (text == CellText(names, column, record)) return std::nullopt;
  const FieldType* type = FieldTypeOf(column.Indicator);
  return type->PutCell(*type, text, record.subspan(column.Offset, column.Length));
}

}  // namespace vantor::datedit
