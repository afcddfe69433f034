// The state of vtvolx for one run: the options, the volume's header as read
// with its open file and name table, and the walk's counters.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "command_line.h"
#include "console/plain_console.h"
#include "files/binary_file.h"
#include "volume_format.h"
#include "written_files.h"

namespace vantor::vtvolx {

// The name table of the volume being read, loaded once.
class NameTable {
 public:
  // The table's bytes from byte 28, as far as the volume holds them; beyond
  // a limit the rest stays on the disk.
  void Load(BinaryFile& volume, int32_t tableSize);
  // The bytes before the first 0 byte among the first 40 at 28 + offset,
  // read where the offset points. `problem` says why they name no file: the
  // name lies outside the table, or has no 0 byte among its first 40 bytes.
  std::string NameAt(BinaryFile& volume, int64_t offset, std::string& problem) const;

 private:
  std::vector<char> bytes_;  // the table, or its first part
  int64_t size_ = 0;         // the table's size, as far as the volume holds it
};

// The volume being read: its header, its open file and its name table.
struct OpenVolume {
  VolumeHeader Header;
  BinaryFile VolumeFile;
  NameTable Names;
};

// The reader state: the open volume, and the run around it (the console,
// the options and the walk's counters).
struct VtvolxState : OpenVolume {
  VtvolxState(PlainConsole& console, Options options) : Con(console), Opt(std::move(options)) {}

  PlainConsole& Con;
  Options Opt;

  int32_t RecordBytes = 0;
  int32_t ExtractCount = 0;
  int32_t SelectedCount = 0;
  WrittenFiles Written;

  // Set when an entry was refused, cut short or not unpacked, or the volume
  // is damaged: the run still handles every entry it can, then ends with
  // exit code 1.
  bool SomeEntryFailed = false;
};

}  // namespace vantor::vtvolx
