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
#include "textform/cell_values.h"
#include "textform/csv_text.h"
#include "textform/json_reader.h"

namespace vantor {
namespace {

constexpr size_t kExportChunk = 1 << 16;

// How far ahead of a text's first blanks the reader looks for the "{" that
// makes it JSON.
constexpr size_t kLookForJson = 1 << 20;
// What a cell may hold beyond the longest text of its field: numbers may
// carry blanks and leading zeros.
constexpr size_t kCellSlack = 1024;

// The longest cell any column can need: a field's bytes as hex or as UTF-8
// text (up to three bytes a character) and a column's name, and room to
// spare.
size_t LongestCell(const TextFormShape& shape) {
  size_t longest = 0;
  for (const TextColumn& column : shape.columns)
    longest = std::max({longest, 4 * column.length, column.name.size()});
  return longest + kCellSlack;
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
    RefuseAt(inName, place, QuotedCell(text) + " is not a record number");
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
      RefuseAt(inName, cell.place, "unknown column " + QuotedCell(cell.text));
    while (expected < columns.size() && IsReadOnly(shape, expected) && expected != column)
      ++expected;
    if (expected != column) {
      RefuseAt(inName, cell.place,
               "the header does not match the format: expected \"" +
                   (expected < columns.size() ? columns[expected].name : std::string("no column")) +
                   "\" here, found " + QuotedCell(cell.text));
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

void CsvRows(const std::string& inName, TextStream& in, size_t maxCell, const TextFormShape& shape,
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
    ReadCsvRows(in, row, maxCell, shape.columns.size());
  } catch (const TextFormError& e) {
    RefuseAt(inName, e.Place(), e.what());
  }
  if (header) RefuseAt(inName, TextPlace{}, "no header row");
}

// Walks a JSON document a record at a time: "records" is read as it comes,
// the document's other members are checked where they stand.
class JsonDocument {
 public:
  JsonDocument(const std::string& inName, TextStream& in, size_t maxCell,
               const TextFormShape& shape)
      : inName_(inName), json_(in, maxCell), shape_(shape) {}

  void Rows(const std::function<void(TextRow&)>& take) {
    json_.SkipBlanks();
    const TextPlace place = json_.Place();
    json_.Open(0);
    bool first = true, sawRecords = false;
    std::unordered_set<std::string> names;
    std::string name;
    TextPlace namePlace;
    while (json_.NextMember(first, &names, name, namePlace)) {
      if (name == "records") {
        Records(take);
        sawRecords = true;
      } else if (name == "record_size") {
        RecordSize();
      } else {
        const TextPlace valuePlace = json_.Place();
        json_.Skip(1);
        if (std::ranges::find(shape_.documentMembers, name) == shape_.documentMembers.end())
          RefuseAt(inName_, valuePlace, "unknown member " + QuotedCell(name));
      }
    }
    json_.End();
    if (!sawRecords) RefuseAt(inName_, place, "member \"records\" is missing");
  }

 private:
  // A scalar read whole; an array or object checked, kept as nothing.
  JsonValue ScalarOrNothing(int depth) {
    if (json_.NextIs('[') || json_.NextIs('{')) {
      JsonValue nothing;
      nothing.place = json_.Place();
      nothing.kind = json_.NextIs('[') ? JsonValue::Kind::Array : JsonValue::Kind::Object;
      json_.Skip(depth);
      return nothing;
    }
    return json_.Value(depth);
  }

  void RecordSize() {
    JsonValue size = ScalarOrNothing(1);
    if (size.text != std::to_string(shape_.recordSize)) {
      RefuseAt(inName_, size.place,
               "the record size does not match the " + shape_.fileKind + "'s " +
                   std::to_string(shape_.recordSize));
    }
  }

  void Records(const std::function<void(TextRow&)>& take) {
    if (!json_.NextIs('[')) {
      const TextPlace place = json_.Place();
      json_.Skip(1);
      RefuseAt(inName_, place, "expected an array");
    }
    json_.Open(1);
    bool first = true;
    while (json_.NextItem(first)) {
      TextRow row = Record();
      take(row);
    }
  }

  TextRow Record() {
    TextRow row;
    row.place = json_.Place();
    if (!json_.NextIs('{')) {
      json_.Skip(2);
      RefuseAt(inName_, row.place, "expected an object");
    }
    json_.Open(2);
    given_.assign(given_.size(), false);
    bool first = true;
    size_t column = 0;
    while (json_.NextMember(first, nullptr, name_, namePlace_)) {
      column = ColumnOfMember(column);
      JsonValue& value = byColumn_[column];
      value = ScalarOrNothing(3);
      if (column == shape_.columns.size())
        RefuseAt(inName_, value.place, "unknown column " + QuotedCell(name_));
      given_[column] = true;
      ++column;
    }
    for (size_t c = 0; c < shape_.columns.size(); ++c) {
      if (IsReadOnly(shape_, c)) continue;
      if (!given_[c])
        RefuseAt(inName_, row.place, "member \"" + shape_.columns[c].name + "\" is missing");
      JsonValue& value = byColumn_[c];
      TakeCell(inName_, shape_, c, ScalarText(value), value.place, row);
    }
    return row;
  }

  // The column of the member just named, looked for first where the one
  // before it was followed by it, as every export writes them; one past the
  // last column when there is none. A column named twice is refused.
  size_t ColumnOfMember(size_t next) {
    const auto& columns = shape_.columns;
    size_t column =
        next < columns.size() && columns[next].name == name_ ? next : ColumnNamed(shape_, name_);
    if (column < columns.size() && given_[column]) json_.NameGivenTwice(name_, namePlace_);
    return column;
  }

  std::string ScalarText(JsonValue& value) const {
    if (value.kind != JsonValue::Kind::Number && value.kind != JsonValue::Kind::String) {
      RefuseAt(inName_, value.place, "expected a number or a string");
    }
    return std::move(value.text);
  }

  const std::string& inName_;
  JsonReader json_;
  const TextFormShape& shape_;
  // A record's members by column, the last for an unknown one; kept from
  // record to record, so that their room is reused.
  std::vector<JsonValue> byColumn_ = std::vector<JsonValue>(shape_.columns.size() + 1);
  std::vector<bool> given_ = std::vector<bool>(shape_.columns.size() + 1);
  std::string name_;
  TextPlace namePlace_;
};

void JsonRows(const std::string& inName, TextStream& in, size_t maxCell, const TextFormShape& shape,
              const std::function<void(TextRow&)>& take) {
  try {
    JsonDocument(inName, in, maxCell, shape).Rows(take);
  } catch (const TextFormError& e) {
    RefuseAt(inName, e.Place(), e.what());
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
  // The input's own text in the message may hold control bytes: shown as
  // hex, they cannot act on the terminal the message is written to.
  throw TextFormRefusal{PrintableName(file) + ":" + std::to_string(place.line) + ":" +
                        std::to_string(place.column) + ": " + PrintableName(what)};
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
  InputStream input(inName);
  TextStream in([&input](char* buffer, size_t n) { return input.Read(buffer, n); });
  std::vector<bool> seen(static_cast<size_t>(shape.count));
  auto checked = [&](TextRow& row) {
    auto index = static_cast<size_t>(row.record - shape.firstRecord);
    if (seen[index])
      RefuseAt(inName, row.place, "record " + std::to_string(row.record) + " is given twice");
    seen[index] = true;
    take(row);
  };
  in.SkipByteOrderMark();
  if (in.FirstNonBlankIs('{', kLookForJson)) {
    JsonRows(inName, in, LongestCell(shape), shape, checked);
  } else {
    CsvRows(inName, in, LongestCell(shape), shape, checked);
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
