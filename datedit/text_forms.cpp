#include "text_forms.h"

#include <algorithm>
#include <charconv>

#include "base/json_text.h"
#include "base/run_time_error.h"
#include "base/text_format.h"
#include "data_file.h"
#include "files/binary_file.h"
#include "files/text_file.h"
#include "format_file.h"
#include "format_seek.h"
#include "os/platform.h"
#include "record_table.h"
#include "records/record_file.h"
#include "textform/csv_text.h"
#include "textform/text_form_import.h"

namespace vantor::datedit {
namespace {

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
    throw TextFormRefusal{PrintableName(name) + ": Not a structured dat file"};
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
  std::string path;  // the file read
  FieldDefs fields{};
};

Format LoadFormat(const std::string& path, const std::string& shownName) {
  TextFileReader file(path);
  Format format{shownName, path, ParseFormat(file, file.Name()).Fields};
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

int Export(const DateditOptions& options, PlainConsole& out, PlainConsole& err) {
  RefuseToReplace(options.OutputName, options.DataFileName, "the export",
                  "the data file " + PrintableName(options.DataFileName));
  DataTable data = OpenData(options.DataFileName, BinaryFile::Access::ReadOnly);
  Format format = FindFormat(options);
  RefuseToReplace(options.OutputName, format.path, "the export",
                  "the format file " + PrintableName(format.name));
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

// The shape of an input for the data file: its columns, records and size.
TextFormShape ShapeOf(const std::vector<TableColumn>& columns, const DataTable& data) {
  TextFormShape shape;
  for (const TableColumn& column : columns) {
    TextColumnRole role = column.Role == ColumnRole::Record      ? TextColumnRole::Record
                          : column.Role == ColumnRole::Neighbour ? TextColumnRole::ReadOnly
                                                                 : TextColumnRole::Value;
    shape.columns.push_back({column.Name, role});
  }
  shape.count = data.count;
  shape.recordSize = data.recordSize;
  shape.documentMembers = {"file", "format", "record_size"};
  shape.fileKind = "data file";
  return shape;
}

// A row checked against its record as the file holds it now.
void CompareRow(const std::string& inName, const TextRow& row,
                const std::vector<TableColumn>& columns, const NameTables& names, DataTable& data,
                ImportChanges& result) {
  std::vector<uint8_t> current(data.recordSize);
  data.file.Read(row.record, current);
  std::vector<uint8_t> edited = current;
  for (const TextCell& cell : row.cells) {
    const TableColumn& column = columns[cell.column];
    if (auto why = PutCellText(names, column, cell.text, edited)) {
      RefuseAt(inName, cell.place, "column \"" + column.Name + "\": " + *why);
    }
    if (!std::equal(edited.begin() + column.Offset, edited.begin() + column.Offset + column.Length,
                    current.begin() + column.Offset)) {
      result.changes.push_back({row.record, column.Name, CellText(names, column, current),
                                CellText(names, column, edited)});
    }
  }
  if (edited != current) {
    result.patches.push_back({row.record, edited});
  }
}

// The count and the records are read inside the lock of a real import, so
// that nothing another run writes meanwhile is lost.
int Import(const DateditOptions& options, PlainConsole& out, PlainConsole& err) {
  return WithImportLock(options.DataFileName, options.DryRun, err, [&] {
    DataTable data = OpenData(options.DataFileName, options.DryRun ? BinaryFile::Access::ReadOnly
                                                                   : BinaryFile::Access::ReadWrite);
    Format format = FindFormat(options);
    std::vector<TableColumn> columns = TableColumns(format.fields, data.recordSize);
    NameTables names;
    InitNameTables(names);
    ImportChanges result;
    ReadTextRows(options.InputName, ShapeOf(columns, data), [&](const TextRow& row) {
      CompareRow(options.InputName, row, columns, names, data, result);
    });
    data.file.Close();
    ApplyImport(options.DataFileName, options.DryRun, std::move(result), out);
    return 0;
  });
}

}  // namespace

int RunTextMode(const DateditOptions& options, PlainConsole& out, PlainConsole& err) {
  return RunRefusable("datedit", err, [&] {
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
  });
}

}  // namespace vantor::datedit
