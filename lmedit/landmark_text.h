// The text forms of a landmark file: --export writes every record as a row
// of CSV or JSON, --import writes back the values of such a file that differ
// from the file's bytes. The header is never part of them and stays as it is.
#pragma once

#include <memory>
#include <string>

#include "base/text_io.h"
#include "lmedit_state.h"
#include "textform/record_table.h"

namespace vantor::lmedit {

// A landmark record's fields as the text forms' columns: lm_id, spare,
// lo_file_id, type and side (read-only), the four reals, name.
std::unique_ptr<RecordTable> MakeLandmarkTable();

// --export to `outputName` (standard output when empty) as CSV or JSON.
int ExportLandmarks(const std::string& fileName, const std::string& outputName, bool json,
                    TextOutput& out);

// --import of `inputName` into `fileName`; a dry run lists the changes.
int ImportLandmarks(const std::string& fileName, const std::string& inputName, bool dryRun,
                    TextOutput& out, WaitOutput& err);

}  // namespace vantor::lmedit
