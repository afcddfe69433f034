// The browser state of datedit: one instance for the program run, shared by
// every procedure of the program.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "console/console.h"
#include "name_tables.h"
#include "records/record_file.h"

namespace vantor::datedit {

inline constexpr int kHeaderTextSize = 20;
inline constexpr int kRecordBufferSize = 10000;
inline constexpr int kMaxFields = 128;
inline constexpr size_t kMaxFieldName = 30;

// One field of a record layout, as read from a format file.
struct FieldDef {
  char Indicator = '\0';  // the type letter
  uint16_t Len = 0;       // bytes; 0 ends the layout
  std::string Name;
};

// Entry n of a format file is element n - 1.
using FieldDefs = std::array<FieldDef, kMaxFields>;

using RecordBytes = std::array<uint8_t, kRecordBufferSize>;

// The open document: the data file, its header and the layout of its
// records. Read from the disk whenever a command needs it: another program
// may change the file while datedit waits for a key.
struct DataDocument {
  RecordFile DataFile;
  std::string DataFileName;
  // HeaderText and RecCount as the header held when last read (every pass
  // and every command reads them anew); RecSize as at the open.
  std::array<uint8_t, kHeaderTextSize> HeaderText{};
  int32_t RecCount = 0;
  int32_t RecSize = 0;
  FieldDefs FieldTable{};
};

// The browser state: the document, and the run around it (the console, the
// name tables, the view and the current record).
struct DateditState : DataDocument {
  explicit DateditState(Console& console) : Con(console) {}

  Console& Con;
  NameTables Names;

  int32_t RecNow = 0;
  bool AsciiMode = false;
  bool FormattedView = false;
  bool FormatLoaded = false;
  // The current record as last read for the screen.
  RecordBytes RecordBuffer{};
  std::string ProgramDir;
  std::string LastFileName;
  // Written once below the menu of the next screen: why the last command
  // wrote nothing.
  std::string ScreenNote;
};

}  // namespace vantor::datedit
