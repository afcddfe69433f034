// The state of vtvolx for one run: the command line, where the program lives,
// the volume's header as read, and the walk's counters.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "binary_file.h"
#include "plain_console.h"

namespace vantor::vtvolx {

// Every copy goes through one buffer of this size, in reads of this size.
inline constexpr size_t kCopyBufferSize = 10000;
inline constexpr int64_t kNameTableStart = 28;
inline constexpr size_t kIndexRecordSize = 14;
inline constexpr size_t kBlockHeadSize = 8;

using Tag = std::array<char, 4>;

struct VolumeHeader {
  Tag VolTag{}, VolhTag{}, VolsTag{}, VoliTag{};
  int32_t VblkPos = 0;
  int32_t VolhEnd = 0;
  int32_t VoliPos = 0;
  int32_t NameTableSize = 0;
  int32_t NameTableStart = 0;
  int32_t IndexSize = 0;
  int32_t VoliUnk = 0;
  int32_t IndexStart = 0;
};

struct IndexRecord {
  int32_t NameOffset = 0;
  int32_t DataPosition = 0;
  int32_t RealSize = 0;
  uint8_t Flag12 = 0;
  uint8_t Flag13 = 0;
};

struct VtvolxState {
  VtvolxState(PlainConsole& console, std::vector<std::string> arguments)
      : Con(console), Args(std::move(arguments)) {}

  // Argument i of the command line; empty when it was not given.
  std::string Arg(size_t i) const { return i < Args.size() ? Args[i] : std::string(); }
  // The number of arguments after the program's own path.
  size_t ArgCount() const { return Args.empty() ? 0 : Args.size() - 1; }

  PlainConsole& Con;
  std::vector<std::string> Args;
  std::string ProgramDir;
  std::string ProgramName;

  VolumeHeader Header;
  BinaryFile VolumeFile;
  std::string CurrentName;

  std::string ModeWord;
  std::string FilterWord;
  bool IsTed = false;
  int32_t RecordBytes = 0;
  int32_t ExtractCount = 0;
  int32_t SelectedCount = 0;

  // Set when an entry was refused, cut short or not unpacked: the run still
  // handles every other entry, then ends with exit code 1.
  bool SomeEntryFailed = false;
};

}  // namespace vantor::vtvolx
