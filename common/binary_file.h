// Files of bytes: the data, landmark, record and volume files. Reads and
// writes go through one block buffer, so that record-by-record work costs a
// system call per block, not per record. Every failure raises a RunTimeError
// naming the file and the system's reason.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vantor {

class BinaryFile {
 public:
  enum class Access { ReadOnly, ReadWrite };

  // An existing file; it must exist.
  static BinaryFile OpenExisting(const std::string& name, Access access);
  // A new empty file, replacing one of that name; open for reading and writing.
  static BinaryFile Create(const std::string& name);
  // A new file under the name: whatever stands there (a file, a hard or a
  // symbolic link) is removed first and never written through.
  static BinaryFile CreateUnlinked(const std::string& name);
  // Like Create, but the bytes go to a temporary file beside `name` that only
  // Commit renames into place: a failed run leaves an existing file untouched.
  static BinaryFile CreateReplacing(const std::string& name);

  BinaryFile() = default;
  BinaryFile(BinaryFile&& other) noexcept;
  BinaryFile& operator=(BinaryFile&& other) noexcept;
  BinaryFile(const BinaryFile&) = delete;
  BinaryFile& operator=(const BinaryFile&) = delete;
  // Writes what is buffered and closes; a failure there is lost, so callers
  // that care call Close.
  ~BinaryFile();

  bool IsOpen() const { return fd_ >= 0; }
  const std::string& Name() const { return name_; }

  // Exactly n bytes, or a run-time error (the file ends too early).
  void ReadExact(void* buffer, size_t n);
  // Up to n bytes; fewer only at the end of the file.
  size_t ReadUpTo(void* buffer, size_t n);
  void Write(const void* buffer, size_t n);

  // Positions past the end are allowed; a later write fills the gap with zeros.
  void Seek(int64_t position);
  int64_t Position() const;
  int64_t Size() const;
  bool AtEnd() const;
  // Ends the file at the current position.
  void Truncate();

  // Makes sure the disk holds room for `length` more bytes after `offset`
  // without changing the file's size, so that a later write there cannot fail
  // for want of space. The system's reason when it cannot.
  std::optional<std::string> ReserveSpace(int64_t offset, int64_t length);

  // Copies up to `length` bytes of `from`, starting at `fromOffset`, to this
  // file's position, which moves on by the bytes copied. Fewer bytes are
  // copied only when `from` ends first. The kernel copies where it can.
  int64_t CopyFrom(BinaryFile& from, int64_t fromOffset, int64_t length);

  // Hands buffered writes to the system.
  void Flush();
  // Flushes, closes, and for CreateReplacing leaves the temporary file behind
  // unrenamed (removed); use Commit to keep it.
  void Close();
  // For CreateReplacing: flushes, closes and renames the file into place.
  void Commit();

 private:
  BinaryFile(int fd, std::string name, int64_t size);
  void RequireOpen() const;
  void LoadBlock();
  bool TakeSpareBlock();
  int64_t CopyThroughBuffer(BinaryFile& from, int64_t fromOffset, int64_t length);
  void DropBlock();
  void WriteThrough(const void* buffer, size_t n);
  void Release() noexcept;

  int fd_ = -1;
  std::string name_;
  std::string temporaryName_;  // set while a CreateReplacing file is uncommitted
  int64_t position_ = 0;
  int64_t size_ = 0;
  // One block of the file: bytes [blockStart_, blockStart_ + blockLength_) are
  // valid in block_, of which [dirtyBegin_, dirtyEnd_) still wait to be written.
  std::vector<uint8_t> block_;
  int64_t blockStart_ = 0;
  size_t blockLength_ = 0;
  size_t dirtyBegin_ = 0;
  size_t dirtyEnd_ = 0;
  // Where the last block loaded lay: a read that goes on within or right
  // after it is sequential and loads a whole block; one elsewhere loads a
  // small one.
  int64_t lastLoadStart_ = 0;
  int64_t lastLoadEnd_ = 0;
  // The block loaded before the current one, kept for reading only: a walk
  // that goes back and forth between two places (an index entry's data and
  // its name) then reads each place once. Any write drops it.
  std::vector<uint8_t> spare_;
  int64_t spareStart_ = 0;
  size_t spareLength_ = 0;
};

}  // namespace vantor
