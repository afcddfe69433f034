#include "text_forms.h"

#include <algorithm>
#include <vector>

#include "base/json_text.h"
#include "base/run_time_error.h"
#include "base/text_format.h"
#include "data_file.h"
#include "files/binary_file.h"
#include "files/text_file.h"
#include "format_file.h"
#include "format_seek.h"
#include "format_table.h"
#include "os/platform.h"
#include "records/record_file.h"
#include "textform/record_table.h"
#include "textform/text_form_arguments.h"
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
  data.file = OpenStructuredFile(name, access);
  data.count = data.file.Count();
  data.recordSize = data.file.RecordSize();
  return data;
}

// A name that holds a separator is a path; a bare name is looked up in the
// program's folder, as the screen looks it up.
std::string FormatPath(const std::string& programDir, const std::string& name) {
  if (name.find(kPathSeparator) != std::string::npos) return name;
  return FormatFilePath(programDir, name);
}

Format LoadFormat(const std::string& path, const std::string& shownName) {
  TextFileReader file(path);
  Format format{shownName, path, ParseFormat(file, file.Name()).Fields};
  file.Close();
  return format;
}

}  // namespace

Format FindFormat(const DateditOptions& options) {
  if (options.FormatFileName) {
    return LoadFormat(FormatPath(options.ProgramDir, *options.FormatFileName),
                      *options.FormatFileName);
  }
  auto found = SeekTextFormFormat(options.ProgramDir, options.DataFileName);
  if (!found) return Format{};
  return LoadFormat(FormatFilePath(options.ProgramDir, *found), *found);
}

namespace {

void WarnAboutSize(const FormatTable& table, const Format& format, uint16_t recordSize,
                   TextOutput& err) {
  int64_t sum = 0;
  for (const FieldDef& field : format.fields)
    sum += field.Len;
  if (!format.name.empty() && sum != recordSize) {
    err.Write("datedit: warning: the fields of " + PrintableName(format.name) + " take " +
              std::to_string(sum) + " bytes, the records " + std::to_string(recordSize) +
              "; the bytes no field covers are in the column \"" + table.Columns().back().name +
              "\"\n");
  }
}

// A field that reaches past the record's end has no column, nor have the
// fields after it: say which, so that no value goes missing unnoticed.
void WarnAboutLeftOutFields(const FormatTable& table, const Format& format, uint16_t recordSize,
                            TextOutput& err) {
  if (!table.LeftOut()) return;
  auto [first, count] = *table.LeftOut();
  std::string text = "datedit: warning: field \"" +
                     PrintableName(FieldHeading(format.fields[first], first)) + "\" (entry " +
                     std::to_string(first + 1) + ") does not fit the " +
                     std::to_string(recordSize) + "-byte record and is left out";
  if (count == 2) text += ", with the field after it";
  if (count > 2) text += ", with the " + std::to_string(count - 1) + " fields after it";
  err.Write(text + "\n");
}

// The data file's records read a run at a time where they are visited in
// order, as an export does and as an import of an export's rows does: one
// read per run spares a read, and the check that the file is still the one
// named, per record. Rows in another order are read one record at a time.
class RecordRuns {
 public:
  explicit RecordRuns(DataTable& data)
      : data_(data),
        runLength_(std::max<int64_t>(1, kRunBytes / std::max<int64_t>(1, data.recordSize))) {}

  void Read(int64_t number, std::span<uint8_t> bytes) {
    if (number < first_ || number >= first_ + held_) Load(number);
    auto start = run_.begin() + (number - first_) * data_.recordSize;
    std::copy_n(start, bytes.size(), bytes.begin());
  }

 private:
  static constexpr int64_t kRunBytes = 1 << 16;

  void Load(int64_t number) {
    const bool inOrder = number == first_ + held_;
    held_ = std::min<int64_t>(inOrder ? runLength_ : 1, data_.count - number);
    run_.resize(static_cast<size_t>(held_ * data_.recordSize));
    first_ = number;
    if (data_.file.ReadRunUpTo(number, data_.recordSize, run_) != run_.size()) {
      held_ = 0;
      throw FileError(FileOperation::Read, data_.file.Name(), 0);
    }
  }

  DataTable& data_;
  const int64_t runLength_;
  int64_t first_ = 0, held_ = 0;
  std::vector<uint8_t> run_;
};

// The data file as the text forms' drivers see it.
TableFile TableFileOf(const DateditOptions& options, const Format& format, DataTable& data,
                      RecordRuns& runs) {
  TableFile file;
  file.shape.count = data.count;
  file.shape.recordSize = data.recordSize;
  file.shape.fileKind = "data file";
  file.documentHead = {
      {"file", JsonString(Utf8OrCp437(options.DataFileName))},
      {"format", format.name.empty() ? "null" : JsonString(Utf8OrCp437(format.name))}};
  file.read = [&runs](int64_t number, std::span<uint8_t> bytes) { runs.Read(number, bytes); };
  return file;
}

int Export(const DateditOptions& options, TextOutput& out, TextOutput& err) {
  RefuseToReplace(options.OutputName, options.DataFileName, "the export",
                  "the data file " + PrintableName(options.DataFileName));
  // Refused before the format is looked for, as the screen refuses it.
  OpenData(options.DataFileName, BinaryFile::Access::ReadOnly).file.Close();
  Format format = FindFormat(options);
  RefuseToReplace(options.OutputName, format.path, "the export",
                  "the format file " + PrintableName(format.name));
  NameTables names;
  InitNameTables(names);
  ExportDataFile(options, format, names, out, err);
  return 0;
}

// The count and the records are read inside the lock of a real import, so
// that nothing another run writes meanwhile is lost.
int Import(const DateditOptions& options, TextOutput& out, WaitOutput& err) {
  return WithImportLock(options.DataFileName, options.DryRun, err, [&] {
    DataTable data = OpenData(options.DataFileName, options.DryRun ? BinaryFile::Access::ReadOnly
                                                                   : BinaryFile::Access::ReadWrite);
    Format format = FindFormat(options);
    NameTables names;
    InitNameTables(names);
    FormatTable table(format.fields, data.recordSize, names);
    WarnAboutLeftOutFields(table, format, data.recordSize, err);
    RecordRuns runs(data);
    ImportChanges changes =
        ReadTableChanges(table, TableFileOf(options, format, data, runs), options.InputName);
    data.file.Close();
    ApplyImport(options.DataFileName, options.DryRun, std::move(changes), out);
    return 0;
  });
}

}  // namespace

RecordFile OpenStructuredFile(const std::string& name, BinaryFile::Access access) {
  RecordFile file = RecordFile::Open(name, access);
  if (!IsStructuredFile(file.Size(), file.Count(), file.RecordSize())) {
    throw TextFormRefusal{PrintableName(name) + ": Not a structured dat file"};
  }
  return file;
}

void WarnAboutFormat(const Format& format, uint16_t recordSize, const NameTables& names,
                     TextOutput& err) {
  FormatTable table(format.fields, recordSize, names);
  WarnAboutLeftOutFields(table, format, recordSize, err);
  WarnAboutSize(table, format, recordSize, err);
}

void ExportDataFile(const DateditOptions& options, const Format& format, const NameTables& names,
                    TextOutput& out, TextOutput& err) {
  DataTable data = OpenData(options.DataFileName, BinaryFile::Access::ReadOnly);
  WarnAboutFormat(format, data.recordSize, names, err);
  FormatTable table(format.fields, data.recordSize, names);
  RecordRuns runs(data);
  ExportTable(table, TableFileOf(options, format, data, runs), options.Form == TextForm::Json,
              options.OutputName, out);
}

int RunTextMode(const DateditOptions& options, PlainConsole& out, PlainConsole& err) {
  return RunRefusable("datedit", err, [&] {
    switch (options.Mode) {
      case DateditMode::Export:
        return Export(options, out, err);
      case DateditMode::Import:
        return Import(options, out, err);
      default:
        return AnswerCommandLine(AnswerOfMode(options.Mode),
                                 {"datedit", HelpText(), UsageText(), options.CommandLineError},
                                 out, err);
    }
  });
}

}  // namespace vantor::datedit
