#include "textform/record_table.h"

#include <algorithm>

#include "base/json_text.h"
#include "textform/cell_values.h"
#include "textform/csv_text.h"

namespace vantor {
namespace {

// The cell as JSON text: a number where the column's kind and the value
// allow one, a string otherwise.
std::string JsonCell(const TextColumn& column, const std::string& cell) {
  if (column.role == TextColumnRole::Record) return cell;
  const bool number = cell.find_first_of("ni") == std::string::npos;
  switch (number ? column.json : JsonKind::String) {
    case JsonKind::Integer:
      return cell;
    case JsonKind::Real:
      return JsonRealText(cell);
    case JsonKind::String:
      break;
  }
  return JsonString(cell);
}

std::string CellOf(const RecordTable& table, const std::vector<TextColumn>& columns, size_t column,
                   int64_t number, std::span<const uint8_t> record) {
  if (columns[column].role == TextColumnRole::Record) return std::to_string(number);
  return table.CellText(column, record);
}

void AppendCsvRow(const RecordTable& table, int64_t number, std::span<const uint8_t> record,
                  std::string& text) {
  const std::vector<TextColumn>& columns = table.Columns();
  for (size_t c = 0; c < columns.size(); ++c) {
    if (c > 0) text += ',';
    AppendCsvField(text, CellOf(table, columns, c, number, record));
  }
  text += "\r\n";
}

void AppendJsonObject(const RecordTable& table, int64_t number, std::span<const uint8_t> record,
                      std::string& text) {
  const std::vector<TextColumn>& columns = table.Columns();
  text += '{';
  for (size_t c = 0; c < columns.size(); ++c) {
    if (c > 0) text += ", ";
    text += JsonString(columns[c].name) + ": ";
    text += JsonCell(columns[c], CellOf(table, columns, c, number, record));
  }
  text += '}';
}

std::string JsonHead(const TableFile& file) {
  std::string head = "{";
  for (const auto& [name, value] : file.documentHead)
    head += JsonString(name) + ": " + value + ",\n ";
  return head + "\"record_size\": " + std::to_string(file.shape.recordSize) + ",\n \"records\": [";
}

std::string CsvHeader(const RecordTable& table) {
  std::vector<std::string> names;
  for (const TextColumn& column : table.Columns())
    names.push_back(column.name);
  return CsvRow(names);
}

// The record of a row as the file holds it now and as the row edits it.
struct RowRecords {
  std::vector<uint8_t> current, edited;
};

// A row checked against its record as the file holds it now.
void CompareRow(const std::string& inName, const RecordTable& table, const TableFile& file,
                const TextRow& row, RowRecords& records, ImportChanges& result) {
  auto& [current, edited] = records;
  file.read(row.record, current);
  edited = current;
  for (const TextCell& cell : row.cells) {
    const TextColumn& column = table.Columns()[cell.column];
    if (cell.text == table.CellText(cell.column, edited)) continue;
    if (auto why = table.PutCellText(cell.column, cell.text, edited)) {
      RefuseAt(inName, cell.place, "column \"" + column.name + "\": " + *why);
    }
    auto bytes = [&](const std::vector<uint8_t>& record) {
      return std::span(record).subspan(column.offset, column.length);
    };
    if (!std::ranges::equal(bytes(edited), bytes(current))) {
      result.changes.push_back({row.record, column.name, table.CellText(cell.column, current),
                                table.CellText(cell.column, edited)});
    }
  }
  if (edited != current) {
    result.patches.push_back({row.record - file.shape.firstRecord, edited});
  }
}

}  // namespace

void ExportTable(const RecordTable& table, const TableFile& file, bool json,
                 const std::string& outputName, TextOutput& out) {
  ExportSink sink(outputName, out);
  sink.Write(json ? JsonHead(file) : CsvHeader(table));
  std::vector<uint8_t> record(static_cast<size_t>(file.shape.recordSize));
  std::string row;
  for (int64_t i = 0; i < file.shape.count; ++i) {
    const int64_t number = file.shape.firstRecord + i;
    file.read(number, record);
    row.clear();
    if (json) {
      row += i == 0 ? "\n  " : ",\n  ";
      AppendJsonObject(table, number, record, row);
    } else {
      AppendCsvRow(table, number, record, row);
    }
    sink.Write(row);
  }
  if (json) sink.Write(file.shape.count == 0 ? "]}\n" : "\n]}\n");
  sink.Finish();
}

ImportChanges ReadTableChanges(const RecordTable& table, const TableFile& file,
                               const std::string& inName) {
  TextFormShape shape = file.shape;
  shape.columns = table.Columns();
  for (const auto& member : file.documentHead)
    shape.documentMembers.push_back(member.first);
  shape.documentMembers.push_back("record_size");
  ImportChanges result;
  const auto size = static_cast<size_t>(file.shape.recordSize);
  RowRecords records{std::vector<uint8_t>(size), std::vector<uint8_t>(size)};
  ReadTextRows(inName, shape,
               [&](const TextRow& row) { CompareRow(inName, table, file, row, records, result); });
  return result;
}

}  // namespace vantor
