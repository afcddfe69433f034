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
#include <vector>

#include "files/binary_file.h"
#include "os/platform.h"

namespace vantor {

// A record's new bytes, for RecordFile::Patch.
struct RecordPatch {
  int64_t index;  // from 0
  std::vector<uint8_t> bytes;
};

class RecordFile {
 private:
  static constexpr size_t kCountOffset = 20;
  static constexpr size_t kRecordSizeOffset = 22;

 public:
  static constexpr int64_t kHeaderSize = 100;
  // The header's first bytes up to the count and the record length: what a
  // file must hold for them to be read.
  static constexpr size_t kLayoutSize = kRecordSizeOffset + 2;
  static constexpr uint16_t kMaxCount = 65535;
  using Header = std::array<uint8_t, kHeaderSize>;

  // Where record `index` (from 0) of records `recordSize` bytes long begins,
  // which is also the size of a file that holds `index` such records.
  static int64_t OffsetOf(int64_t index, int64_t recordSize);
  // The record at `position`: the one that holds that byte; 0 for records of
  // no length.
  static int64_t IndexAt(int64_t position, int64_t recordSize);
  // How many whole records of `recordSize` bytes follow the header in a file
  // of `fileSize` bytes; none in a file shorter than its header, and none of
  // no length.
  static int64_t RecordsIn(int64_t fileSize, int64_t recordSize);
  // The count and the record length in the first bytes of a header, at
  // least kLayoutSize of them.
  static uint16_t CountIn(std::span<const uint8_t> header);
  static uint16_t RecordSizeIn(std::span<const uint8_t> header);
  static void PutCount(std::span<uint8_t> header, uint16_t count);

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
  // Records `first` on, each `recordSize` bytes long, into `bytes` in one
  // read: fewer bytes where the file ends; returns how many.
  size_t ReadRunUpTo(int64_t first, int64_t recordSize, std::span<uint8_t> bytes);
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
  // Puts each patch's bytes over the record of its index, in one step as
  // Insert does; the records are as long as the patches, and none is
  // patched twice. Nothing is written without patches. A disk without
  // room for the new file is a write error, as writing it would be.
  void Patch(std::vector<RecordPatch> patches);

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

  // What the new file of a rewrite holds in place of the old file's bytes
  // from `position` on, `replaced` of them.
  struct Splice {
    int64_t position;
    int64_t replaced;
    std::span<const uint8_t> bytes;
  };
  // The one way this class puts a new file under the name: `old` (the file
  // as it is now) copied with the splices, which follow each other without
  // overlap, in their place. The system's error number when the disk cannot
  // give the new file its room (nothing is put in place then), 0 when done.
  int Rewrite(BinaryFile& old, std::span<const Splice> splices);

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
