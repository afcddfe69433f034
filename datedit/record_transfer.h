// Whole records between the data file and other files: save one (w), read
// one back (r), insert one (i), save all records without the header (s).
#pragma once

#include "datedit.h"
#include "datedit_state.h"

namespace vantor::datedit {

inline constexpr int kMaxRecordCount = 65535;

void SaveRecordToFile(DateditState& s);
void ReadRecordFromFile(DateditState& s);
// Ends by opening the data file anew, as at the start.
void InsertRecord(DateditState& s, const DateditOptions& options);
void SaveRawData(DateditState& s);

}  // namespace vantor::datedit
