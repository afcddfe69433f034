#include "textform/text_form_import.h"

#include <algorithm>
#include <charconv>

#include "base/cp437.h"
#include "base/json_text.h"
#include "base/run_time_error.h"
#include "base/text_format.h"
#include "files/input_stream.h"
#include "os/platform.h"
#include "os/waiting_lock.h"
#include "textform/csv_text.h"
#include "textform/json_reader.h"

namespace vantor {
namespace {

constexpr size_t kExportChunk = 1 << 16;

// A file, a pipe or standard input ("-"), whose size is not known before.
std::string ReadWholeInput(const std::string& name) {
  InputStream input(name);
  std::string text;
  char piece[1 << 16];
  while (size_t got = input.Read(piece, sizeof piece))
    text.append(piece, got);
  return text;
}

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool StartsWithBrace(std::string_view text) {
  if (text.starts_with(kByteOrderMark)) text.remove_prefix(kByteOrderMark.size());
  size_t first = text.find_first_not_of(" \t\r\n");
  return first != std::string_view::npos && text[first] == '{';
}

size_t ColumnNamed(const TextFormShape& shape, std::string_view name) {
  for (size_t i = 0; i < shape.columns.size(); ++i) {
    if (shape.columns[i].name == name) return i;
  }
  return shape.columns.size();
}

bool IsReadOnly(const TextFormShape& shape, size_t column) {
  return shape.columns[column].role == TextColumnRole::ReadOnly;
}

int64_t RecordNumber(const std::string& inName, const std::string& text, TextPlace place,
                     const TextFormShape& shape) {
  int64_t value = -1;
  auto result = std::from_chars(text.data(), text.data() + text.size(), value);
  if (result.ec != std::errc() || result.ptr != text.data() + text.size()) {
    RefuseAt(inName, place, "\"" + text + "\" is not a record number");
  }
  if (value < shape.firstRecord || value >= shape.firstRecord + shape.count) {
    RefuseAt(inName, place,
             "record " + text + " does not exist: the " + shape.fileKind + " has " +
                 std::to_string(shape.count) + " records");
  }
  return value;
}

// A cell of a row: the record's number, or a value kept for the import.
void TakeCell(const std::string& inName, const TextFormShape& shape, size_t column,
              std::string&& text, TextPlace place, TextRow& row) {
  if (shape.columns[column].role == TextColumnRole::Record) {
    row.record = RecordNumber(inName, text, place, shape);
  } else if (shape.columns[column].role == TextColumnRole::Value) {
    row.cells.push_back({column, std::move(text), place});
  }
}

// The header's cell for each column: the shape's columns in their order,
// read-only ones left out where the header has none.
std::vector<size_t> HeaderColumns(const std::string& inName, const CsvRecord& header,
                                  const TextFormShape& shape) {
  const auto& columns = shape.columns;
  if (header.cells.size() == 1 && header.cells[0].text.find(';') != std::string::npos) {
    RefuseAt(inName, header.place,
             "the columns are separated by semicolons: save the file with commas as the "
             "separator");
  }
  std::vector<size_t> byCell;
  size_t expected = 0;
  for (const CsvCell& cell : header.cells) {
    size_t column = ColumnNamed(shape, cell.text);
    if (column == columns.size())
      RefuseAt(inName, cell.place, "unknown column \"" + cell.text + "\"");
    while (expected < columns.size() && IsReadOnly(shape, expected) && expected != column)
      ++expected;
    if (expected != column) {
      RefuseAt(inName, cell.place,
               "the header does not match the format: expected \"" +
                   (expected < columns.size() ? columns[expected].name : std::string("no column")) +
                   "\" here, found \"" + cell.text + "\"");
    }
    byCell.push_back(column);
    ++expected;
  }
  while (expected < columns.size() && IsReadOnly(shape, expected))
    ++expected;
  if (expected < columns.size()) {
    RefuseAt(inName, header.place,
             "the header does not match the format: column \"" + columns[expected].name +
                 "\" is missing");
  }
  return byCell;
}

void CsvRows(const std::string& inName, std::string_view text, const TextFormShape& shape,
             const std::function<void(TextRow&)>& take) {
  std::vector<size_t> byCell;
  bool header = true;
  auto row = [&](CsvRecord& record) {
    if (header) {
      byCell = HeaderColumns(inName, record, shape);
      header = false;
      return;
    }
    TextRow textRow;
    textRow.place = record.place;
    textRow.cells.reserve(byCell.size());
    for (size_t c = 0; c < byCell.size(); ++c) {
      CsvCell& cell = record.cells[c];
      TakeCell(inName, shape, byCell[c], std::move(cell.text), cell.place, textRow);
    }
    take(textRow);
  };
  try {
    ReadCsvRows(text, row);
  } catch (const TextFormError& e) {
    RefuseAt(inName, e.Place(), e.what());
  }
  if (header) RefuseAt(inName, TextPlace{}, "no header row");
}

const JsonValue& RequireMember(const std::string& inName, const JsonValue& object,
                               const std::string& name) {
  const JsonValue* member = object.Member(name);
  if (member == nullptr) RefuseAt(inName, object.place, "member \"" + name + "\" is missing");
  return *member;
}

std::string ScalarText(const std::string& inName, const JsonValue& value) {
  if (value.kind != JsonValue::Kind::Number && value.kind != JsonValue::Kind::String) {
    RefuseAt(inName, value.place, "expected a number or a string");
  }
  return value.text;
}

void CheckDocumentMembers(const std::string& inName, const JsonValue& document,
                          const TextFormShape& shape) {
  for (const auto& [name, value] : document.members) {
    if (name != "records" && std::find(shape.documentMembers.begin(), shape.documentMembers.end(),
                                       name) == shape.documentMembers.end()) {
      RefuseAt(inName, value.place, "unknown member \"" + name + "\"");
    }
  }
  if (const JsonValue* size = document.Member("record_size");
      size != nullptr && size->text != std::to_string(shape.recordSize)) {
    RefuseAt(inName, size->place,
             "the record size does not match the " + shape.fileKind + "'s " +
                 std::to_string(shape.recordSize));
  }
}

TextRow JsonRow(const std::string& inName, const JsonValue& object, const TextFormShape& shape) {
  if (object.kind != JsonValue::Kind::Object) RefuseAt(inName, object.place, "expected an object");
  TextRow row;
  row.place = object.place;
  for (const auto& [name, value] : object.members) {
    if (ColumnNamed(shape, name) == shape.columns.size())
      RefuseAt(inName, value.place, "unknown column \"" + name + "\"");
  }
  for (size_t column = 0; column < shape.columns.size(); ++column) {
    if (IsReadOnly(shape, column)) continue;
    const JsonValue& value = RequireMember(inName, object, shape.columns[column].name);
    TakeCell(inName, shape, column, ScalarText(inName, value), value.place, row);
  }
  return row;
}

void JsonRows(const std::string& inName, std::string_view text, const TextFormShape& shape,
              const std::function<void(TextRow&)>& take) {
  JsonValue document;
  try {
    document = ReadJson(text);
  } catch (const TextFormError& e) {
    RefuseAt(inName, e.Place(), e.what());
  }
  if (document.kind != JsonValue::Kind::Object)
    RefuseAt(inName, document.place, "expected an object");
  CheckDocumentMembers(inName, document, shape);
  const JsonValue& records = RequireMember(inName, document, "records");
  if (records.kind != JsonValue::Kind::Array) RefuseAt(inName, records.place, "expected an array");
  for (const JsonValue& object : records.items) {
    TextRow row = JsonRow(inName, object, shape);
    take(row);
  }
}

void WriteChanges(TextOutput& out, const std::vector<FieldChange>& changes) {
  for (const FieldChange& change : changes) {
    out.Write("record " + std::to_string(change.record) + ": " + change.column + " " +
              change.before + " -> " + change.after + "\n");
  }
  if (changes.empty()) out.Write("no change\n");
  out.Flush();
}

void WritePatched(const std::string& name, std::vector<RecordPatch> patches) {
  if (patches.empty()) return;
  RecordFile::Open(name, BinaryFile::Access::ReadWrite).Patch(std::move(patches));
}

}  // namespace

void RefuseAt(const std::string& file, TextPlace place, const std::string& what) {
  throw TextFormRefusal{file + ":" + std::to_string(place.line) + ":" +
                        std::to_string(place.column) + ": " + what};
}

std::optional<std::string> CellTextAsCp437(std::string_view text, std::string& bytes) {
  if (!IsValidUtf8(text)) return "the text is not UTF-8";
  std::optional<std::string> converted = Utf8ToCp437(text);
  if (!converted) return "the text holds a character that code page 437 does not have";
  bytes = std::move(*converted);
  return std::nullopt;
}

void RefuseToReplace(const std::string& outputName, const std::string& inputName,
                     std::string_view action, const std::string& input) {
  if (!outputName.empty() && !inputName.empty() && IsSameFile(outputName, inputName)) {
    throw TextFormRefusal{"refused: " + std::string(action) + " would replace " + input};
  }
}

int RunRefusable(std::string_view tool, TextOutput& err, const std::function<int()>& run) {
  try {
    return run();
  } catch (const TextFormRefusal& refusal) {
    err.Write(std::string(tool) + ": " + refusal.message + "\n");
    err.Flush();
    return 1;
  }
}

ExportSink::ExportSink(const std::string& outputName, TextOutput& out) : out_(out) {
  if (!outputName.empty()) file_ = BinaryFile::CreateReplacing(outputName);
}

void ExportSink::Write(std::string_view text) {
  buffer_ += text;
  if (buffer_.size() >= kExportChunk) Flush();
}

void ExportSink::Finish() {
  Flush();
  if (file_.IsOpen()) {
    file_.Commit();
  } else {
    out_.Flush();
  }
}

void ExportSink::Flush() {
  if (file_.IsOpen()) {
    file_.Write(buffer_.data(), buffer_.size());
  } else {
    out_.Write(buffer_);
  }
  buffer_.clear();
}

void ReadTextRows(const std::string& inName, const TextFormShape& shape,
                  const std::function<void(const TextRow&)>& take) {
  std::string text = ReadWholeInput(inName);
  std::vector<bool> seen(static_cast<size_t>(shape.count));
  auto checked = [&](TextRow& row) {
    auto index = static_cast<size_t>(row.record - shape.firstRecord);
    if (seen[index])
      RefuseAt(inName, row.place, "record " + std::to_string(row.record) + " is given twice");
    seen[index] = true;
    take(row);
  };
  if (StartsWithBrace(text)) {
    // Some editors put a byte order mark before JSON too.
    std::string_view json = text;
    if (json.starts_with(kByteOrderMark)) json.remove_prefix(kByteOrderMark.size());
    JsonRows(inName, json, shape, checked);
  } else {
    CsvRows(inName, text, shape, checked);
  }
}

void ApplyImport(const std::string& name, bool dryRun, ImportChanges changes, TextOutput& out) {
  if (dryRun) {
    WriteChanges(out, changes.changes);
  } else {
    WritePatched(name, std::move(changes.patches));
  }
}

int WithImportLock(const std::string& name, bool dryRun, WaitOutput& err,
                   const std::function<int()>& import) {
  if (dryRun) return import();
  FileLock lock = LockOrSayWaiting(name, err);
  return import();
}

}  // namespace vantor
