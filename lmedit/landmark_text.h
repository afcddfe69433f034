// The text forms of a landmark file: --export writes every record as a row
// of CSV or JSON, --import writes back the values of such a file that differ
// from the file's bytes. The header is never part of them and stays as it is.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "console/plain_console.h"
#include "lmedit_state.h"

namespace vantor::lmedit {

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
inline constexpr size_t kLandmarkColumns = 11;

std::string_view ColumnName(LandmarkColumn column);

// A column's value in a record, as text: lm_id in decimal, spare and
// lo_file_id as upper-case hex digits, type and side as the screen names
// them, the reals in the shortest text that reads back to the same bits, the
// name as UTF-8 from code page 437 up to its first zero byte (all 40 bytes
// when it has none). Empty for the record number.
std::string CellText(LandmarkColumn column, const LandmarkRecord& record);

// The record with a cell's text put into its column: unchanged when the text
// is what CellText gives, otherwise read under the record editor's rules
// (lm_id 0 to 65535, reals that fit single precision, six hex digits for the
// Lo file ID) and, for a name, at most 39 characters so that its terminating
// zero fits. Returns why the text is refused; nothing when it is taken.
std::optional<std::string> PutCellText(LandmarkColumn column, std::string_view text,
                                       LandmarkRecord& record);

// --export to `outputName` (standard output when empty) as CSV or JSON.
int ExportLandmarks(const std::string& fileName, const std::string& outputName, bool json,
                    PlainConsole& out);

// --import of `inputName` into `fileName`; a dry run lists the changes.
int ImportLandmarks(const std::string& fileName, const std::string& inputName, bool dryRun,
                    PlainConsole& out, PlainConsole& err);

}  // namespace vantor::lmedit
