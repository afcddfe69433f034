#include "landmark_text.h"

#include <algorithm>
#include <span>
#include <vector>

#include "base/cp437.h"
#include "base/json_text.h"
#include "base/text_format.h"
#include "base/text_io.h"
#include "landmark_map.h"
#include "landmark_record.h"
#include "records/landmark_types.h"
#include "textform/cell_values.h"
#include "textform/record_table.h"
#include "textform/text_form_import.h"

namespace vantor::lmedit {
namespace {

// The two bytes between the LM ID and the Lo file ID that no field uses.
constexpr size_t kSpareOffset = 2;
constexpr size_t kSpareSize = kLoFileIdOffset - kSpareOffset;
constexpr size_t kLoFileIdSize = 3;
constexpr size_t kMaxName = kLmNameSize - 1;  // and its terminating zero

// The columns of a record, in their order.
enum class LandmarkColumn {
  Record,
  LmId,
  Spare,  // the bytes no field uses, as hex
  LoFileId,
  Type,  // read only
  Side,  // read only
  NCoord,
  ECoord,
  Elevation,
  Rotation,
  Name,
};

const std::vector<TextColumn>& LandmarkColumns() {
  using R = TextColumnRole;
  static const std::vector<TextColumn> columns = {
      {"record", R::Record},
      {"lm_id", R::Value, kLmIdOffset, 2, JsonKind::Integer},
      {"spare", R::Value, kSpareOffset, kSpareSize},
      {"lo_file_id", R::Value, kLoFileIdOffset, kLoFileIdSize},
      {"type", R::ReadOnly},
      {"side", R::ReadOnly},
      {"n_coord", R::Value, kNCoordOffset, 4, JsonKind::Real},
      {"e_coord", R::Value, kECoordOffset, 4, JsonKind::Real},
      {"elevation", R::Value, kElevationOffset, 4, JsonKind::Real},
      {"rotation", R::Value, kRotationOffset, 4, JsonKind::Real},
      {"name", R::Value, kLmNameOffset, kLmNameSize},
  };
  return columns;
}

bool IsReal(LandmarkColumn column) {
  return column >= LandmarkColumn::NCoord && column <= LandmarkColumn::Rotation;
}

std::optional<std::string> PutLmId(std::string_view text, LandmarkRecord& record) {
  std::optional<int32_t> id = ParseIntegerToken(TrimBlanks(text));
  if (!id) return QuotedCell(text) + " is not an integer";
  if (*id < 0 || *id > 0xFFFF) return std::to_string(*id) + " is outside 0 to 65535";
  SetLmId(record, static_cast<uint16_t>(*id));
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

LandmarkRecord RecordOf(std::span<const uint8_t> bytes) {
  LandmarkRecord record;
  std::copy(bytes.begin(), bytes.end(), record.begin());
  return record;
}

// The landmark layout as a table: lm_id in decimal, spare and lo_file_id as
// hex cells, type and side as the screen names them, the reals as real cells
// (textform/cell_values.h), the name as UTF-8 from code page 437 up to its
// first zero byte (all 40 bytes when it has none). Cells are read back under
// the record editor's rules: lm_id 0 to 65535, reals that fit single
// precision, and at most 39 characters of name so that its terminating zero
// fits.
class LandmarkTable : public RecordTable {
 public:
  const std::vector<TextColumn>& Columns() const override { return LandmarkColumns(); }

  std::string CellText(size_t column, std::span<const uint8_t> bytes) const override {
    const LandmarkRecord record = RecordOf(bytes);
    const TextColumn& cell = Columns()[column];
    switch (static_cast<LandmarkColumn>(column)) {
      case LandmarkColumn::LmId:
        return std::to_string(LmId(record));
      case LandmarkColumn::Spare:
      case LandmarkColumn::LoFileId:
        return HexCell(bytes.subspan(cell.offset, cell.length));
      case LandmarkColumn::Type: {
        const uint8_t type = ObjectType(record);
        return TrimBlanks(type < LandmarkScreenTypeTexts.size() ? LandmarkScreenTypeTexts[type]
                                                                : kUnknownLandmarkTypeText);
      }
      case LandmarkColumn::Side: {
        const uint8_t side = Side(record);
        return side == 0 ? "Central" : side == 1 ? "Allied" : "Invalid side";
      }
      case LandmarkColumn::Name: {
        std::string_view field = NameField(record);
        return Cp437ToUtf8(field.substr(0, field.find('\0')));
      }
      default:
        return IsReal(static_cast<LandmarkColumn>(column)) ? RealCell(RealAt(record, cell.offset))
                                                           : std::string();
    }
  }

  std::optional<std::string> PutCellText(size_t column, std::string_view text,
                                         std::span<uint8_t> bytes) const override {
    LandmarkRecord record = RecordOf(bytes);
    const TextColumn& cell = Columns()[column];
    std::optional<std::string> why;
    switch (static_cast<LandmarkColumn>(column)) {
      case LandmarkColumn::LmId:
        why = PutLmId(text, record);
        break;
      case LandmarkColumn::Spare:
      case LandmarkColumn::LoFileId:
        why = PutHexCell(text, std::span(record).subspan(cell.offset, cell.length));
        break;
      case LandmarkColumn::Name:
        why = PutName(text, record);
        break;
      default:
        if (IsReal(static_cast<LandmarkColumn>(column)))
          why = PutRealCell(text, std::span(record).subspan(cell.offset, cell.length));
    }
    std::copy(record.begin(), record.end(), bytes.begin());
    return why;
  }
};

// The landmark file as the text forms' drivers see it.
TableFile TableFileOf(const std::string& fileName, const std::vector<LandmarkRecord>& records) {
  TableFile file;
  file.shape.firstRecord = 1;
  file.shape.count = static_cast<int64_t>(records.size());
  file.shape.recordSize = kRecordSize;
  file.shape.fileKind = "landmark file";
  file.documentHead = {{"file", JsonString(Utf8OrCp437(fileName))}};
  file.read = [&records](int64_t number, std::span<uint8_t> bytes) {
    const LandmarkRecord& record = records[static_cast<size_t>(number - 1)];
    std::copy(record.begin(), record.end(), bytes.begin());
  };
  return file;
}

}  // namespace

std::unique_ptr<RecordTable> MakeLandmarkTable() {
  return std::make_unique<LandmarkTable>();
}

int ExportLandmarks(const std::string& fileName, const std::string& outputName, bool json,
                    TextOutput& out) {
  RefuseToReplace(outputName, fileName, "the export",
                  "the landmark file " + PrintableName(fileName));
  std::vector<LandmarkRecord> records = ReadAllLandmarks(fileName);
  ExportTable(LandmarkTable(), TableFileOf(fileName, records), json, outputName, out);
  return 0;
}

int ImportLandmarks(const std::string& fileName, const std::string& inputName, bool dryRun,
                    TextOutput& out, WaitOutput& err) {
  // A file that may not be written is refused before anything is read.
  if (!dryRun) RecordFile::Open(fileName, BinaryFile::Access::ReadWrite).Close();
  return WithImportLock(fileName, dryRun, err, [&] {
    std::vector<LandmarkRecord> records = ReadAllLandmarks(fileName);
    ImportChanges changes =
        ReadTableChanges(LandmarkTable(), TableFileOf(fileName, records), inputName);
    ApplyImport(fileName, dryRun, std::move(changes), out);
    return 0;
  });
}

}  // namespace vantor::lmedit
