// A record as a row of text cells, for the text forms of a data file (CSV and
// JSON): which columns a format file gives, each value as text, and each
// text read back into the field's bytes under the field editor's rules.
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

namespace vantor::datedit {

enum class ColumnRole {
  Record,     // the record's number
  Field,      // a field of the format
  Neighbour,  // the name beside a P, O, C or L field: read only
  Rest,       // the bytes no field covers, in hex
};

struct TableColumn {
  std::string Name;
  ColumnRole Role;
  // The bytes of the record the column stands for (fields and the rest).
  size_t Offset = 0;
  size_t Length = 0;
  // The field's type letter; for a neighbour, the letter of its field.
  char Indicator = '\0';
};

// The columns of a record: "record", one per field of the format in its
// order (a neighbour column after each P, O, C and L field), then "rest".
// Fields count as far as the formatted view lists them (up to the first
// entry of length 0) and as far as they lie wholly in the record. Names are
// the fields' names without leading and trailing blanks, as UTF-8; an empty
// name becomes "field_N" (N the entry's number), a neighbour's name is the
// field's name and "_name", and a name already taken gets "_2", "_3", ...
std::vector<TableColumn> TableColumns(const FieldDefs& fields, size_t recordSize);

// The value of a column in a record, as text: integers in decimal (O as
// class × 256 + object), reals in the shortest text that reads back to the
// same bits, t as UTF-8 from code page 437 up to the first zero byte, x and
// the rest as upper-case hex digits.
std::string CellText(const NameTables& names, const TableColumn& column,
                     std::span<const uint8_t> record);

// Whether a cell's text is written as a JSON number rather than a string.
bool IsJsonNumber(const TableColumn& column, std::string_view text);

// The column's bytes after a cell's text is put into `record`: the bytes
// unchanged when the text is what CellText gives for them, otherwise the
// value read as the field editor reads it and refused where it would not
// fit the field (a number out of range, a real beyond a 32-bit real's
// limits, a text longer than the field holds with its zero). A changed
// text is written with its terminating zero; the bytes after that zero are
// kept. Returns why the text is refused, or nothing when `record` holds
// the new value.
std::optional<std::string> PutCellText(const NameTables& names, const TableColumn& column,
                                       std::string_view text, std::span<uint8_t> record);

}  // namespace vantor::datedit
