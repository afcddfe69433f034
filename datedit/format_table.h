// A data file's records as rows of text cells under a format file, for the
// text forms (CSV and JSON): a column for the record's number, one per field
// with the name beside P, O, C and L fields in a read-only column of its
// own, and one for the bytes no field covers. The field types give each
// cell's text and read it back.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "datedit_state.h"
#include "field_types.h"
#include "name_tables.h"
#include "textform/record_table.h"

namespace vantor::datedit {

// A field's name as its column is headed before any suffix: without leading
// and trailing blanks, as UTF-8, "field_N" for an empty one (N the entry's
// number, `index` + 1).
std::string FieldHeading(const FieldDef& field, size_t index);

class FormatTable : public RecordTable {
 public:
  // The columns of a record: "record", one per field of the format in its
  // order (a neighbour column after each field whose type has one), then
  // "rest". Fields count as far as the formatted view lists them (up to the
  // first entry of length 0) and as far as they lie wholly in the record.
  // Names are the fields' headings (FieldHeading). A neighbour's name is its field's column and
  // "_name". "record", "rest" and the neighbour each neighbour-type field
  // would have under its own heading are never another field's; a field
  // whose name is taken or reserved, or whose neighbour's would be taken,
  // gets the first of "_2", "_3", ... that frees both, in the format's order.
  FormatTable(const FieldDefs& fields, size_t recordSize, const NameTables& names);

  // The fields from the first that reaches past the record's end on: the
  // entry's index in the format and how many fields are left out with it.
  struct LeftOutFields {
    size_t first = 0;
    size_t count = 0;
  };
  const std::optional<LeftOutFields>& LeftOut() const { return leftOut_; }

  const std::vector<TextColumn>& Columns() const override { return columns_; }
  std::string CellText(size_t column, std::span<const uint8_t> record) const override;
  // A value read as the field editor reads it and refused where it would
  // not fit the field (a number out of range, a real beyond a 32-bit real's
  // limits, a text longer than the field holds with its zero).
  std::optional<std::string> PutCellText(size_t column, std::string_view text,
                                         std::span<uint8_t> record) const override;
  // The type of a column's bytes: its field's type, x for the rest; nullptr
  // for the record's number.
  const FieldType* TypeOf(size_t column) const { return types_[column]; }

 private:
  std::vector<TextColumn> columns_;
  // The type of each column's bytes: its field's type, x for the rest, none
  // for the record's number.
  std::vector<const FieldType*> types_;
  const NameTables& names_;
  std::optional<LeftOutFields> leftOut_;
};

}  // namespace vantor::datedit
