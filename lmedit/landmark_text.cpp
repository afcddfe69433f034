#include "landmark_text.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <span>
#include <vector>

#include "base/cp437.h"
#include "base/hex.h"
#include "base/json_text.h"
#include "base/text_format.h"
#include "base/text_io.h"
#include "landmark_map.h"
#include "landmark_record.h"
#include "records/landmark_types.h"
#include "textform/csv_text.h"
#include "textform/text_form_import.h"

namespace vantor::lmedit {
namespace {

// The two bytes between the LM ID and the Lo file ID that no field uses.
constexpr size_t kSpareOffset = 2;
constexpr size_t kSpareSize = kLoFileIdOffset - kSpareOffset;
constexpr size_t kLoFileIdSize = 3;
constexpr size_t kMaxName = kLmNameSize - 1;  // and its terminating zero
// Rows are passed on to the export in pieces of about this size.
constexpr size_t kRowsChunk = 1 << 16;

struct ColumnInfo {
  std::string_view name;
  TextColumnRole role;
  size_t offset = 0;  // the bytes the column stands for
  size_t length = 0;
};

constexpr std::array<ColumnInfo, kLandmarkColumns> kColumns = {{
    {"record", TextColumnRole::Record},
    {"lm_id", TextColumnRole::Value, kLmIdOffset, 2},
    {"spare", TextColumnRole::Value, kSpareOffset, kSpareSize},
    {"lo_file_id", TextColumnRole::Value, kLoFileIdOffset, kLoFileIdSize},
    {"type", TextColumnRole::ReadOnly},
    {"side", TextColumnRole::ReadOnly},
    {"n_coord", TextColumnRole::Value, kNCoordOffset, 4},
    {"e_coord", TextColumnRole::Value, kECoordOffset, 4},
    {"elevation", TextColumnRole::Value, kElevationOffset, 4},
    {"rotation", TextColumnRole::Value, kRotationOffset, 4},
    {"name", TextColumnRole::Value, kLmNameOffset, kLmNameSize},
}};

const ColumnInfo& InfoOf(LandmarkColumn column) {
  return kColumns[static_cast<size_t>(column)];
}

std::span<const uint8_t> BytesOf(LandmarkColumn column, const LandmarkRecord& record) {
  return std::span<const uint8_t>(record).subspan(InfoOf(column).offset, InfoOf(column).length);
}

std::span<uint8_t> BytesOf(LandmarkColumn column, LandmarkRecord& record) {
  return std::span<uint8_t>(record).subspan(InfoOf(column).offset, InfoOf(column).length);
}

bool IsReal(LandmarkColumn column) {
  return column >= LandmarkColumn::NCoord && column <= LandmarkColumn::Rotation;
}

std::optional<std::string> PutLmId(std::string_view text, LandmarkRecord& record) {
  std::optional<int32_t> id = ParseIntegerToken(TrimBlanks(text));
  if (!id) return "\"" + std::string(text) + "\" is not an integer";
  if (*id < 0 || *id > 0xFFFF) return std::to_string(*id) + " is outside 0 to 65535";
  SetLmId(record, static_cast<uint16_t>(*id));
  return std::nullopt;
}

// As the editor takes a real: any number whose single-precision value is finite.
std::optional<std::string> PutReal(size_t offset, std::string_view text, LandmarkRecord& record) {
  std::optional<double> value = ParseRealToken(TrimBlanks(text));
  if (!value || !std::isfinite(*value)) return "\"" + std::string(text) + "\" is not a number";
  auto single = static_cast<float>(*value);
  if (std::isinf(single)) return "\"" + std::string(text) + "\" is too large for a 32-bit real";
  SetRealAt(record, offset, single);
  return std::nullopt;
}

// The name written as the editor writes one: the field zeroed behind it.
std::optional<std::string> PutName(std::string_view text, LandmarkRecord& record) {
  std::string bytes;
  if (auto why = CellTextAsCp437(text, bytes)) return why;
  if (bytes.find('\0') != std::string::npos) return "the name holds a zero character";
  if (bytes.size() > kMaxName) {
    return "the name has " + std::to_string(bytes.size()) + " characters, the field holds " +
           std::to_string(kMaxName);
  }
  StoreName(record, bytes);
  return std::nullopt;
}

TextFormShape LandmarkShape(int64_t count) {
  TextFormShape shape;
  for (const ColumnInfo& column : kColumns)
    shape.columns.push_back({std::string(column.name), column.role});
  shape.firstRecord = 1;
  shape.count = count;
  shape.recordSize = kRecordSize;
  shape.documentMembers = {"file", "record_size"};
  shape.fileKind = "landmark file";
  return shape;
}

template <typename Number>
void AppendNumber(std::string& text, Number value) {
  char buffer[32];
  text.append(buffer, std::to_chars(buffer, buffer + sizeof buffer, value).ptr);
}

// A row written straight into `text`: the export's own loop. Only the name
// can hold what CSV must quote.
void AppendCsvLine(std::string& text, int64_t n, const LandmarkRecord& record) {
  AppendNumber(text, n);
  for (size_t c = 1; c < kLandmarkColumns; ++c) {
    const auto column = static_cast<LandmarkColumn>(c);
    text += ',';
    if (IsReal(column)) {
      AppendNumber(text, RealAt(record, kColumns[c].offset));
    } else if (column == LandmarkColumn::Name) {
      text += CsvField(CellText(column, record));
    } else {
      text += CellText(column, record);
    }
  }
  text += "\r\n";
}

std::string JsonObject(int64_t n, const LandmarkRecord& record) {
  std::string object = "{\"record\": " + std::to_string(n);
  for (size_t c = 1; c < kLandmarkColumns; ++c) {
    const auto column = static_cast<LandmarkColumn>(c);
    std::string text = CellText(column, record);
    object += ", \"";
    object += kColumns[c].name;
    object += "\": ";
    // Infinities and not-a-numbers have no JSON number.
    bool number = column == LandmarkColumn::LmId ||
                  (IsReal(column) && text.find_first_of("ni") == std::string::npos);
    object += number ? text : JsonString(text);
  }
  return object + "}";
}

// A row checked against its record as the file holds it now.
void CompareRow(const std::string& inName, const TextRow& row,
                const std::vector<LandmarkRecord>& records, ImportChanges& result) {
  const LandmarkRecord& current = records[static_cast<size_t>(row.record - 1)];
  LandmarkRecord edited = current;
  for (const TextCell& cell : row.cells) {
    const auto column = static_cast<LandmarkColumn>(cell.column);
    if (auto why = PutCellText(column, cell.text, edited)) {
      RefuseAt(inName, cell.place, "column \"" + std::string(ColumnName(column)) + "\": " + *why);
    }
    if (!std::ranges::equal(BytesOf(column, edited), BytesOf(column, current))) {
      result.changes.push_back({row.record, std::string(ColumnName(column)),
                                CellText(column, current), CellText(column, edited)});
    }
  }
  if (edited != current) {
    result.patches.push_back({row.record - 1, std::vector<uint8_t>(edited.begin(), edited.end())});
  }
}

}  // namespace

std::string_view ColumnName(LandmarkColumn column) {
  return InfoOf(column).name;
}

std::string CellText(LandmarkColumn column, const LandmarkRecord& record) {
  const uint8_t type = ObjectType(record), side = Side(record);
  switch (column) {
    case LandmarkColumn::Record:
      return std::string();
    case LandmarkColumn::LmId:
      return std::to_string(LmId(record));
    case LandmarkColumn::Spare:
    case LandmarkColumn::LoFileId:
      return BytesToHex(BytesOf(column, record));
    case LandmarkColumn::Type:
      return TrimBlanks(type < LandmarkScreenTypeTexts.size() ? LandmarkScreenTypeTexts[type]
                                                              : kUnknownLandmarkTypeText);
    case LandmarkColumn::Side:
      return side == 0 ? "Central" : side == 1 ? "Allied" : "Invalid side";
    case LandmarkColumn::Name: {
      std::string_view field = NameField(record);
      return Cp437ToUtf8(field.substr(0, field.find('\0')));
    }
    default:
      return ShortestReal(RealAt(record, InfoOf(column).offset));
  }
}

std::optional<std::string> PutCellText(LandmarkColumn column, std::string_view text,
                                       LandmarkRecord& record) {
  if (text == CellText(column, record)) return std::nullopt;
  switch (column) {
    case LandmarkColumn::LmId:
      return PutLmId(text, record);
    case LandmarkColumn::Spare:
    case LandmarkColumn::LoFileId:
      return PutHexDigits(text, BytesOf(column, record));
    case LandmarkColumn::Name:
      return PutName(text, record);
    default:
      if (IsReal(column)) return PutReal(InfoOf(column).offset, text, record);
      return std::nullopt;  // the record number and the read-only names
  }
}

int ExportLandmarks(const std::string& fileName, const std::string& outputName, bool json,
                    PlainConsole& out) {
  RefuseToReplace(outputName, fileName, "the export",
                  "the landmark file " + PrintableName(fileName));
  std::vector<LandmarkRecord> records = ReadAllLandmarks(fileName);
  ExportSink sink(outputName, out);
  if (json) {
    sink.Write("{\"file\": " + JsonString(Utf8OrCp437(fileName)) +
               ",\n \"record_size\": " + std::to_string(kRecordSize) + ",\n \"records\": [");
  } else {
    std::vector<std::string> header;
    for (const ColumnInfo& column : kColumns)
      header.emplace_back(column.name);
    sink.Write(CsvRow(header));
  }
  std::string rows;
  for (size_t i = 0; i < records.size(); ++i) {
    const auto n = static_cast<int64_t>(i) + 1;
    if (json) {
      rows += i == 0 ? "\n  " : ",\n  ";
      rows += JsonObject(n, records[i]);
    } else {
      AppendCsvLine(rows, n, records[i]);
    }
    if (rows.size() >= kRowsChunk) {
      sink.Write(rows);
      rows.clear();
    }
  }
  sink.Write(rows);
  if (json) sink.Write(records.empty() ? "]}\n" : "\n]}\n");
  sink.Finish();
  return 0;
}

int ImportLandmarks(const std::string& fileName, const std::string& inputName, bool dryRun,
                    PlainConsole& out, PlainConsole& err) {
  // A file that may not be written is refused before anything is read.
  if (!dryRun) RecordFile::Open(fileName, BinaryFile::Access::ReadWrite).Close();
  return WithImportLock(fileName, dryRun, err, [&] {
    std::vector<LandmarkRecord> records = ReadAllLandmarks(fileName);
    ImportChanges result;
    ReadTextRows(inputName, LandmarkShape(static_cast<int64_t>(records.size())),
                 [&](const TextRow& row) { CompareRow(inputName, row, records, result); });
    ApplyImport(fileName, dryRun, std::move(result), out);
    return 0;
  });
}

}  // namespace vantor::lmedit
