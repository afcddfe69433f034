// The browser state of datedit: one instance for the program run, shared by
// every procedure of the program.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "binary_file.h"
#include "console.h"
#include "name_tables.h"

namespace vantor::datedit {

inline constexpr int kHeadSize = 100;
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

using RecordBytes = std::array<uint8_t, kRecordBufferSize>;

struct DateditState {
  DateditState(Console& console, std::vector<std::string> arguments)
      : Con(console), Args(std::move(arguments)) {}

  // Argument i of the command line; empty when it was not given.
  std::string Arg(size_t i) const { return i < Args.size() ? Args[i] : std::string(); }
  bool HasArg(size_t i) const { return i < Args.size(); }

  Console& Con;
  std::vector<std::string> Args;
  NameTables Names;

  BinaryFile DataFile;
  std::string DataFileName;
  std::array<uint8_t, kHeaderTextSize> HeaderText{};
  int32_t RecCount = 0;
  int32_t RecSize = 0;
  int32_t RecNow = 0;
  bool IsStructured = false;
  bool AsciiMode = false;
  bool FormattedView = false;
  bool FormatLoaded = false;
  RecordBytes RecordBuffer{};
  std::string ProgramDir;
  std::string LastFileName;

  // Entry n of the format file is FieldTable[n - 1].
  std::array<FieldDef, kMaxFields> FieldTable{};
};

}  // namespace vantor::datedit
