// Files of one 100-byte header and records of one length: datedit's data
// files and lmedit's landmark files. The header holds the record count at
// byte 20 and the record length at byte 22; records start at byte 100.
//
// Nothing of the file is kept between calls: every read goes to the disk,
// and every write reaches the system at once, so that what one command shows
// or writes back is what the file holds at that moment, even when another
// program changed it in between. When another program put a new file under
// the name (an insert does), the next call works on the new file; Replaced
// tells a command that writes whether that happened since the records it
// shows were read.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "files/binary_file.h"
#include "os/platform.h"

namespace vantor {

class RecordFile {
 public:
  static constexpr int64_t kHeaderSize = 100;
  static constexpr size_t kCountOffset = 20;
  static constexpr size_t kRecordSizeOffset = 22;
  static constexpr uint16_t kMaxCount = 65535;
  using Header = std::array<uint8_t, kHeaderSize>;

  RecordFile() = default;
  // An existing ordinary file; a run-time error otherwise.
  static RecordFile Open(const std::string& name, BinaryFile::Access access);

  bool IsOpen() const { return open_; }
  const std::string& Name() const { return file_.Name(); }
  void Close();

  int64_t Size();
  // The first bytes of the header, up to its 100; fewer only when the file
  // is shorter.
  size_t ReadHeader(std::span<uint8_t> bytes);
  // The count and the length as the header says now; a file too short to
  // hold them is a run-time error.
  uint16_t Count();
  uint16_t RecordSize();

  // Record `index` (from 0) of records as long as `record`: exactly, or a
  // run-time error when the file ends first.
  void Read(int64_t index, std::span<uint8_t> record);
  // As Read, but fewer bytes where the file ends; returns how many.
  size_t ReadUpTo(int64_t index, std::span<uint8_t> record);
  void Write(int64_t index, std::span<const uint8_t> record);
  void WriteHeader(std::span<const uint8_t> header);
  void SetCount(uint16_t count);

  // Puts `record` before record `index` and counts it in the header, as one
  // step that either happens whole or not at all: the new file is built
  // beside the old one (room for it reserved first, the old file's mode
  // kept), flushed to the disk and renamed over the file the name leads to.
  // A file that may not be written is refused as an open would refuse it.
  // Returns why nothing was changed when the disk has no room for the new
  // file; other failures are run-time errors, and leave the old file.
  std::optional<std::string> Insert(int64_t index, std::span<const uint8_t> record);

  // Whether the name now leads to another file than the known one (the file
  // opened, put there by this program's own insert, or last taken in by
  // Adopt), or that file's header now gives another record length: another
  // program put a new file there (an insert, an import, a move) or reshaped
  // it. Records read before then belong to another layout or another file.
  bool Replaced();
  // Takes in the file under the name as it is now: it becomes the known one.
  void Adopt();

 private:
  // Which file, and the record length its header gave; none when the file
  // is too short to hold one.
  struct Known {
    FileIdentity identity;
    std::optional<uint16_t> recordSize;
    bool operator==(const Known&) const = default;
  };
  static Known KnownOf(BinaryFile& file);

  explicit RecordFile(BinaryFile file, BinaryFile::Access access)
      : file_(std::move(file)), access_(access), open_(true), known_(KnownOf(file_)) {}
  // The file as it is under its name now.
  BinaryFile& Current();

  // Open until Close; `file_` is closed in between when an insert put a new
  // file under the name.
  BinaryFile file_;
  BinaryFile::Access access_ = BinaryFile::Access::ReadOnly;
  bool open_ = false;
  Known known_;
};

// What a command that writes says when it wrote nothing because another
// program put a new file under `name` (RecordFile::Replaced).
std::string ReplacedFileNote(std::string_view name);

// The bytes of `edited` that differ from `base` put into `current`: a record
// edited on the screen written back over what the file holds now, so that
// what another program changed meanwhile in other bytes stays.
void MergeChanges(std::span<const uint8_t> base, std::span<const uint8_t> edited,
                  std::span<uint8_t> current);

}  // namespace vantor
