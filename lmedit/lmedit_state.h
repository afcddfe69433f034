// The editor state of lmedit: one instance for the program run, shared by
// every procedure of the program.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "binary_file.h"
#include "console.h"

namespace vantor::lmedit {

inline constexpr int kHeaderSize = 100;
inline constexpr int kRecordSize = 63;
inline constexpr size_t kMaxFileName = 128;
inline constexpr size_t kMaxPromptNote = 80;

// The 100 header bytes of a landmark file.
using LandmarkHeader = std::array<uint8_t, kHeaderSize>;
// The 63 bytes of one landmark record, as they lie in the file.
using LandmarkRecord = std::array<uint8_t, kRecordSize>;

struct LmeditState {
  LmeditState(Console& console, std::vector<std::string> arguments)
      : Con(console), Args(std::move(arguments)) {}

  // Argument i of the command line; empty when it was not given.
  std::string Arg(size_t i) const { return i < Args.size() ? Args[i] : std::string(); }

  Console& Con;
  std::vector<std::string> Args;

  BinaryFile TemplateFile;
  BinaryFile OutputFile;
  std::string TemplateName;
  std::string OutputName;
  // The template's header as last read, bytes 26 to 99 zero; its record count
  // is the count of both files.
  LandmarkHeader Header{};
  int32_t CurrentRecord = 1;  // -1 ends the program
  LandmarkRecord TemplateRecord{};
  LandmarkRecord OutputRecord{};
  LandmarkRecord PasteBuffer{};
  const LandmarkRecord BlankRecord{};
  // Written in front of the next file-name prompt of the start-up.
  std::string PromptNote;
};

}  // namespace vantor::lmedit
