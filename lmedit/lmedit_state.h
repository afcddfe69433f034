// The editor state of lmedit: one instance for the program run, shared by
// every procedure of the program.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "console/console.h"
#include "records/record_file.h"

namespace vantor::lmedit {

inline constexpr int kRecordSize = 63;
inline constexpr size_t kMaxFileName = 128;

// The 100 header bytes of a landmark file.
using LandmarkHeader = RecordFile::Header;
// The 63 bytes of one landmark record, as they lie in the file.
using LandmarkRecord = std::array<uint8_t, kRecordSize>;

// The open documents: both landmark files and the header they share. Both
// files are read afresh by every command that shows or uses a record, so
// that what another program wrote meanwhile is never undone.
struct LandmarkFiles {
  RecordFile TemplateFile;
  RecordFile OutputFile;
  std::string TemplateName;
  std::string OutputName;
  // The template's header as last read, bytes 26 to 99 zero; its record count
  // is the count of both files.
  LandmarkHeader Header{};
};

// The editor state: the files, and the run around them (the console, the
// current record and the records on the screen).
struct LmeditState : LandmarkFiles {
  explicit LmeditState(Console& console) : Con(console) {}

  Console& Con;

  // The record on the screen, from 1; -1 when typed at the jump prompt.
  int32_t CurrentRecord = 1;
  // Set by "E" and by -1 at the jump prompt: the main loop ends.
  bool Quit = false;
  LandmarkRecord TemplateRecord{};
  LandmarkRecord OutputRecord{};
  LandmarkRecord PasteBuffer{};
  const LandmarkRecord BlankRecord{};
  // Written in front of the next file-name prompt of the start-up.
  std::string PromptNote;
  // Written once on row 2 of the next main screen: why the last command
  // wrote nothing.
  std::string ScreenNote;
};

}  // namespace vantor::lmedit
