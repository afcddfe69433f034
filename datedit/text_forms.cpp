#include "text_forms.h"

#include <algorithm>
#include <charconv>
#include <map>

#include "binary_file.h"
#include "csv_text.h"
#include "data_file.h"
#include "file_lock.h"
#include "format_file.h"
#include "format_seek.h"
#include "json_reader.h"
#include "json_text.h"
#include "platform.h"
#include "record_file.h"
#include "record_table.h"
#include "run_time_error.h"
#include "text_file.h"
#include "text_format.h"

namespace vantor::datedit {
namespace {

// Input that is refused: the message, exit code 1.
struct Refusal {
  std::string message;
};

[[noreturn]] void RefuseAt(const std::string& file, TextPlace place, const std::string& what) {
  throw Refusal{file + ":" + std::to_string(place.line) + ":" + std::to_string(place.column) +
                ": " + what};
}

// The data file, tested as the screen tests it.
struct DataTable {
  RecordFile file;
  uint16_t count = 0;
  uint16_t recordSize = 0;
};

DataTable OpenData(const std::string& name, BinaryFile::Access access) {
  DataTable data;
  data.file = RecordFile::Open(name, access);
  data.count = data.file.Count();
  data.recordSize = data.file.RecordSize();
  if (!IsStructuredFile(data.file.Size(), data.count, data.recordSize)) {
    throw Refusal{PrintableName(name) + ": Not a structured dat file"};
  }
  return data;
}

// A name that holds a separator is a path; a bare name is looked up in the
// program's folder, as the screen looks it up.
std::string FormatPath(const std::string& programDir, const std::string& name) {
  if (name.find(kPathSeparator) != std::string::npos) return name;
  return FormatFilePath(programDir, name);
}

struct Format {
  std::string name;  // as given or found; empty when there is none
  FieldDefs fields{};
};

Format LoadFormat(const std::string& path, const std::string& shownName) {
  TextFileReader file(path);
  Format format{shownName, ParseFormat(file, file.Name()).Fields};
  file.Close();
  return format;
}

// The format file named, or the one found from the data file's name as the
// screen's Ctrl+Q finds it; none when nothing is found.
Format FindFormat(const DateditOptions& options) {
  if (options.FormatFileName) {
    return LoadFormat(FormatPath(options.ProgramDir, *options.FormatFileName),
                      *options.FormatFileName);
  }
  auto found = SeekFormatFile(options.ProgramDir, TextConversionName(options.DataFileName));
  if (!found) found = SeekFormatFile(options.ProgramDir, options.DataFileName);
  if (!found) return Format{};
  return LoadFormat(FormatFilePath(options.ProgramDir, *found), *found);
}

void WarnAboutSize(const std::vector<TableColumn>& columns, const Format& format,
                   uint16_t recordSize, PlainConsole& err) {
  int64_t sum = 0;
  for (const FieldDef& field : format.fields)
    sum += field.Len;
  if (!format.name.empty() && sum != recordSize) {
    err.Write("datedit: warning: the fields of " + PrintableName(format.name) + " take " +
              std::to_string(sum) + " bytes, the records " + std::to_string(recordSize) +
              "; the bytes no field covers are in the column \"" + columns.back().Name + "\"\n");
  }
}

std::vector<std::string> RowCells(const NameTables& names, const std::vector<TableColumn>& columns,
                                  int64_t index, std::span<const uint8_t> record) {
  std::vector<std::string> cells;
  cells.reserve(columns.size());
  for (const TableColumn& column : columns) {
    cells.push_back(column.Role == ColumnRole::Record ? std::to_string(index)
                                                      : CellText(names, column, record));
  }
  return cells;
}

std::string JsonRecord(const std::vector<TableColumn>& columns,
                       const std::vector<std::string>& cells) {
  std::string text = "{";
  for (size_t i = 0; i < columns.size(); ++i) {
    if (i > 0) text += ", ";
    text += JsonString(columns[i].Name) + ": ";
    text += IsJsonNumber(columns[i], cells[i]) ? cells[i] : JsonString(cells[i]);
  }
  return text + "}";
}

// Where the export goes: standard output, or a file that replaces OUT whole
// when the export is complete.
class ExportSink {
 public:
  ExportSink(const std::string& outputName, PlainConsole& out) : out_(out) {
    if (!outputName.empty()) file_ = BinaryFile::CreateReplacing(outputName);
  }
  void Write(const std::string& text) {
    buffer_ += text;
    if (buffer_.size() >= kChunk) Flush();
  }
  void Finish() {
    Flush();
    if (file_.IsOpen()) {
      file_.Commit();
    } else {
      out_.Flush();
    }
  }

 private:
  static constexpr size_t kChunk = 1 << 16;
  void Flush() {
    if (file_.IsOpen()) {
      file_.Write(buffer_.data(), buffer_.size());
    } else {
      out_.Write(buffer_);
    }
    buffer_.clear();
  }
  PlainConsole& out_;
  BinaryFile file_;
  std::string buffer_;
};

int Export(const DateditOptions& options, PlainConsole& out, PlainConsole& err) {
  if (!options.OutputName.empty() && IsSameFile(options.OutputName, options.DataFileName)) {
    throw Refusal{"refused: the export would replace the data file " +
                  PrintableName(options.DataFileName)};
  }
  DataTable data = OpenData(options.DataFileName, BinaryFile::Access::ReadOnly);
  Format format = FindFormat(options);
  std::vector<TableColumn> columns = TableColumns(format.fields, data.recordSize);
  WarnAboutSize(columns, format, data.recordSize, err);
  NameTables names;
  InitNameTables(names);

  ExportSink sink(options.OutputName, out);
  bool json = options.Form == TextForm::Json;
  if (json) {
    sink.Write("{\"file\": " + JsonString(Utf8OrCp437(options.DataFileName)) + ",\n \"format\": " +
               (format.name.empty() ? std::string("null") : JsonString(Utf8OrCp437(format.name))) +
               ",\n \"record_size\": " + std::to_string(data.recordSize) + ",\n \"records\": [");
  } else {
    std::vector<std::string> header;
    for (const TableColumn& column : columns)
      header.push_back(column.Name);
    sink.Write(CsvRow(header));
  }
  std::vector<uint8_t> record(data.recordSize);
  for (int64_t index = 0; index < data.count; ++index) {
    data.file.Read(index, record);
    std::vector<std::string> cells = RowCells(names, columns, index, record);
    if (json) {
      sink.Write((index == 0 ? "\n  " : ",\n  ") + JsonRecord(columns, cells));
    } else {
      sink.Write(CsvRow(cells));
    }
  }
  if (json) sink.Write(data.count == 0 ? "]}\n" : "\n]}\n");
  sink.Finish();
  return 0;
}

// ---- import ----

// One cell of the input, wherever it came from.
struct InputCell {
  const TableColumn* column;
  std::string text;
  TextPlace place;
};

struct InputRow {
  int64_t record = -1;
  TextPlace place;  // where the row, or its object, begins
  std::vector<InputCell> cells;
};

std::string ReadWholeFile(const std::string& name) {
  BinaryFile file = BinaryFile::OpenExisting(name, BinaryFile::Access::ReadOnly);
  std::string text(static_cast<size_t>(file.Size()), '\0');
  file.ReadExact(text.data(), text.size());
  file.Close();
  return text;
}

const TableColumn* ColumnNamed(const std::vector<TableColumn>& columns, std::string_view name) {
  for (const TableColumn& column : columns) {
    if (column.Name == name) return &column;
  }
  return nullptr;
}

int64_t RecordNumber(const std::string& inName, const std::string& text, TextPlace place,
                     uint16_t count) {
  int64_t value = -1;
  auto result = std::from_chars(text.data(), text.data() + text.size(), value);
  if (result.ec != std::errc() || result.ptr != text.data() + text.size()) {
    RefuseAt(inName, place, "\"" + text + "\" is not a record number");
  }
  if (value < 0 || value >= count) {
    RefuseAt(inName, place,
             "record " + text + " does not exist: the data file has " + std::to_string(count) +
                 " records");
  }
  return value;
}

// The CSV header must name the format's columns in their order; the
// neighbour columns may be left out.
std::vector<InputRow> CsvRows(const std::string& inName, std::string_view text,
                              const std::vector<TableColumn>& columns, uint16_t count) {
  std::vector<CsvRecord> rows;
  try {
    rows = ReadCsv(text);
  } catch (const TextFormError& e) {
    RefuseAt(inName, e.Place(), e.what());
  }
  if (rows.empty()) RefuseAt(inName, TextPlace{}, "no header row");
  std::vector<const TableColumn*> byCell;
  size_t expected = 0;
  for (const CsvCell& cell : rows.front().cells) {
    const TableColumn* column = ColumnNamed(columns, cell.text);
    if (column == nullptr) RefuseAt(inName, cell.place, "unknown column \"" + cell.text + "\"");
    while (expected < columns.size() && columns[expected].Role == ColumnRole::Neighbour &&
           &columns[expected] != column)
      ++expected;
    if (expected >= columns.size() || &columns[expected] != column) {
      RefuseAt(inName, cell.place,
               "the header does not match the format: expected \"" +
                   (expected < columns.size() ? columns[expected].Name : std::string("no column")) +
                   "\" here, found \"" + cell.text + "\"");
    }
    byCell.push_back(column);
    ++expected;
  }
  while (expected < columns.size() && columns[expected].Role == ColumnRole::Neighbour)
    ++expected;
  if (expected < columns.size()) {
    RefuseAt(inName, rows.front().place,
             "the header does not match the format: column \"" + columns[expected].Name +
                 "\" is missing");
  }
  std::vector<InputRow> result;
  for (size_t r = 1; r < rows.size(); ++r) {
    InputRow row;
    row.place = rows[r].place;
    for (size_t c = 0; c < byCell.size(); ++c) {
      const CsvCell& cell = rows[r].cells[c];
      if (byCell[c]->Role == ColumnRole::Record) {
        row.record = RecordNumber(inName, cell.text, cell.place, count);
      } else if (byCell[c]->Role != ColumnRole::Neighbour) {
        row.cells.push_back({byCell[c], cell.text, cell.place});
      }
    }
    result.push_back(std::move(row));
  }
  return result;
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

std::vector<InputRow> JsonRows(const std::string& inName, std::string_view text,
                               const std::vector<TableColumn>& columns, uint16_t count,
                               uint16_t recordSize) {
  JsonValue document;
  try {
    document = ReadJson(text);
  } catch (const TextFormError& e) {
    RefuseAt(inName, e.Place(), e.what());
  }
  if (document.kind != JsonValue::Kind::Object)
    RefuseAt(inName, document.place, "expected an object");
  for (const auto& [name, value] : document.members) {
    if (name != "file" && name != "format" && name != "record_size" && name != "records") {
      RefuseAt(inName, value.place, "unknown member \"" + name + "\"");
    }
  }
  if (const JsonValue* size = document.Member("record_size");
      size != nullptr && size->text != std::to_string(recordSize)) {
    RefuseAt(inName, size->place,
             "the record size does not match the data file's " + std::to_string(recordSize));
  }
  const JsonValue& records = RequireMember(inName, document, "records");
  if (records.kind != JsonValue::Kind::Array) RefuseAt(inName, records.place, "expected an array");
  std::vector<InputRow> result;
  for (const JsonValue& object : records.items) {
    if (object.kind != JsonValue::Kind::Object)
      RefuseAt(inName, object.place, "expected an object");
    InputRow row;
    row.place = object.place;
    for (const auto& [name, value] : object.members) {
      const TableColumn* column = ColumnNamed(columns, name);
      if (column == nullptr) RefuseAt(inName, value.place, "unknown column \"" + name + "\"");
    }
    for (const TableColumn& column : columns) {
      if (column.Role == ColumnRole::Neighbour) continue;
      const JsonValue& value = RequireMember(inName, object, column.Name);
      std::string cell = ScalarText(inName, value);
      if (column.Role == ColumnRole::Record) {
        row.record = RecordNumber(inName, cell, value.place, count);
      } else {
        row.cells.push_back({&column, cell, value.place});
      }
    }
    result.push_back(std::move(row));
  }
  return result;
}

struct Change {
  int64_t record;
  const TableColumn* column;
  std::string before, after;
};

struct Patch {
  int64_t position;
  std::vector<uint8_t> bytes;
};

// Every row checked against the file as it is now; the changed records
// as patches, and each changed field for the dry run.
void Compare(const std::string& inName, const std::vector<InputRow>& rows, DataTable& data,
             std::vector<Patch>& patches, std::vector<Change>& changes) {
  NameTables names;
  InitNameTables(names);
  std::map<int64_t, TextPlace> seen;
  std::vector<uint8_t> current(data.recordSize), edited(data.recordSize);
  for (const InputRow& row : rows) {
    if (!seen.emplace(row.record, row.place).second) {
      RefuseAt(inName, row.place, "record " + std::to_string(row.record) + " is given twice");
    }
    data.file.Read(row.record, current);
    edited = current;
    for (const InputCell& cell : row.cells) {
      if (auto why = PutCellText(names, *cell.column, cell.text, edited)) {
        RefuseAt(inName, cell.place, "column \"" + cell.column->Name + "\": " + *why);
      }
      if (!std::equal(edited.begin() + cell.column->Offset,
                      edited.begin() + cell.column->Offset + cell.column->Length,
                      current.begin() + cell.column->Offset)) {
        changes.push_back({row.record, cell.column, CellText(names, *cell.column, current),
                           CellText(names, *cell.column, edited)});
      }
    }
    if (edited != current) {
      patches.push_back({RecordFile::kHeaderSize + row.record * data.recordSize, edited});
    }
  }
  std::sort(patches.begin(), patches.end(),
            [](const Patch& a, const Patch& b) { return a.position < b.position; });
}

// A copy of the data file with the patches in it, put in the file's place
// in one step.
void WritePatched(const std::string& name, const std::vector<Patch>& patches) {
  BinaryFile from = BinaryFile::OpenExisting(name, BinaryFile::Access::ReadOnly);
  BinaryFile to = BinaryFile::CreateReplacing(name);
  int64_t copied = 0;
  for (const Patch& patch : patches) {
    to.CopyFrom(from, copied, patch.position - copied);
    to.Write(patch.bytes.data(), patch.bytes.size());
    copied = patch.position + static_cast<int64_t>(patch.bytes.size());
  }
  to.CopyFrom(from, copied, from.Size() - copied);
  if (to.Size() != from.Size()) throw FileError(FileOperation::Read, name, 0);
  from.Close();
  to.Commit();
}

int ImportLocked(const DateditOptions& options, PlainConsole& out) {
  std::string text = ReadWholeFile(options.InputName);
  DataTable data = OpenData(options.DataFileName, options.DryRun ? BinaryFile::Access::ReadOnly
                                                                 : BinaryFile::Access::ReadWrite);
  Format format = FindFormat(options);
  std::vector<TableColumn> columns = TableColumns(format.fields, data.recordSize);
  std::string_view start = text;
  while (!start.empty() && (start.front() == ' ' || start.front() == '\t' ||
                            start.front() == '\r' || start.front() == '\n'))
    start.remove_prefix(1);
  const std::string& inName = options.InputName;
  std::vector<InputRow> rows = start.starts_with("{")
                                   ? JsonRows(inName, text, columns, data.count, data.recordSize)
                                   : CsvRows(inName, text, columns, data.count);
  std::vector<Patch> patches;
  std::vector<Change> changes;
  Compare(inName, rows, data, patches, changes);
  data.file.Close();
  if (options.DryRun) {
    for (const Change& change : changes) {
      out.Write("record " + std::to_string(change.record) + ": " + change.column->Name + " " +
                change.before + " -> " + change.after + "\n");
    }
    if (changes.empty()) out.Write("no change\n");
    out.Flush();
    return 0;
  }
  if (!patches.empty()) WritePatched(options.DataFileName, patches);
  return 0;
}

int Import(const DateditOptions& options, PlainConsole& out, PlainConsole& err) {
  if (options.DryRun) return ImportLocked(options, out);
  // The screen's commands take the same lock; the count and the records are
  // read inside it, so that nothing another run writes meanwhile is lost.
  FileLock lock(options.DataFileName, [&] {
    err.Write("waiting for another program to finish with " + PrintableName(options.DataFileName) +
              "...\n");
    err.Flush();
  });
  return ImportLocked(options, out);
}

}  // namespace

int RunTextMode(const DateditOptions& options, PlainConsole& out, PlainConsole& err) {
  try {
    switch (options.Mode) {
      case DateditMode::Help:
        out.Write(UsageText());
        out.Flush();
        return 0;
      case DateditMode::Export:
        return Export(options, out, err);
      case DateditMode::Import:
        return Import(options, out, err);
      default:
        err.Write("datedit: " + options.CommandLineError + "\n" + UsageText());
        return 1;
    }
  } catch (const Refusal& refusal) {
    err.Write("datedit: " + refusal.message + "\n");
    err.Flush();
    return 1;
  }
}

}  // namespace vantor::datedit
