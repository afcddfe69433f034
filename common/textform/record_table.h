// A file's records as rows of text cells, for the text forms (CSV and JSON):
// each tool describes its records as a table, and one export and one import
// drive every table the same way.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/text_io.h"
#include "textform/text_form_import.h"

namespace vantor {

// What a table says about its records: the columns, each cell's text, and a
// cell's text put back into a record.
class RecordTable {
 public:
  virtual ~RecordTable() = default;
  // The columns in their order, the record's number first.
  virtual const std::vector<TextColumn>& Columns() const = 0;
  // The text of a Value or ReadOnly column in a record.
  virtual std::string CellText(size_t column, std::span<const uint8_t> record) const = 0;
  // Puts a Value column's text into `record`, leaving it as it is when the
  // text is what CellText gives; why the text is refused, or nothing.
  virtual std::optional<std::string> PutCellText(size_t column, std::string_view text,
                                                 std::span<uint8_t> record) const = 0;
};

// The file whose records a table shows.
struct TableFile {
  // Its columns and document members are filled in from the table and the
  // head.
  TextFormShape shape;
  // The members of a JSON document before "records": a name and its JSON
  // text each; "record_size" follows them.
  std::vector<std::pair<std::string, std::string>> documentHead;
  // The record numbered `number` (shape.firstRecord on) into `bytes`.
  std::function<void(int64_t number, std::span<uint8_t> bytes)> read;
};

// Every record as a row: CSV with a header of the column names, or a JSON
// document of the head's members, "record_size" and "records", one object a
// record; to `outputName` (replaced whole) or to `out` when it is empty.
void ExportTable(const RecordTable& table, const TableFile& file, bool json,
                 const std::string& outputName, TextOutput& out);

// The rows of the input `inName` put into the file's records: each changed
// value and each changed record. Refused at the place of the first fault.
ImportChanges ReadTableChanges(const RecordTable& table, const TableFile& file,
                               const std::string& inName);

}  // namespace vantor
