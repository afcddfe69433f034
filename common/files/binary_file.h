// Files of bytes: the data, landmark, record and volume files. Reads and
// writes go through one block buffer, so that record-by-record work costs a
// system call per block, not per record. Every failure raises a RunTimeError
// naming the file and the system's reason.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "os/platform.h"

namespace vantor {

class BinaryFile {
 public:
  enum class Access { ReadOnly, ReadWrite };

  // An existing file; it must exist.
  static BinaryFile OpenExisting(const std::string& name, Access access);
  // A new empty file, replacing one of that name; open for reading and writing.
  static BinaryFile Create(const std::string& name);
  // A file written from its start, in order, over the one of that name: the
  // old file's blocks are written over rather than freed first (freeing and
  // taking them again makes some file systems write the data twice). It
  // counts as empty; Close cuts what is left of the old file past the bytes
  // written. For working files that are written anew on every run.
  static BinaryFile CreateOverwriting(const std::string& name);

  // How a file that replaces another reaches its name.
  enum class Replace {
    // Flushed to the disk before the rename, and the folder after it: a
    // power cut leaves the old file or the new one, never an empty one.
    Durably,
    // For many small files, such as entries: a new file is left to the
    // system's cache, one that replaces an existing file is flushed as
    // Durably does.
    Quickly,
    // Never flushed: a working file of the program's own, which no one keeps.
    Scratch,
  };
  // How every temporary name begins: what a killed program leaves behind is
  // plainly the suite's.
  static constexpr std::string_view kTemporaryPrefix = ".vantor-tmp-";
  // Like Create, but the bytes go to a temporary file in the folder of `name`
  // that only Commit renames into place: a failed or interrupted run leaves
  // an existing file untouched and nothing else behind. The temporary file
  // has no name where the system allows, so that not even a killed program
  // leaves it. Whatever stands under `name` is replaced, never written
  // through. The new file keeps the mode, owner and group of the one it
  // replaces; where this program cannot give it that owner or group (one
  // user replacing another's file), a run-time error refuses the file before
  // anything is written. The temporary name, where there is one, is short
  // (kTemporaryPrefix and eight characters), so it fits where `name` fits.
  static BinaryFile CreateReplacing(const std::string& name, Replace how = Replace::Durably);
  // Like CreateReplacing, but the temporary file has a name from the start
  // (TemporaryName), for another program to write; a fatal signal removes it.
  static BinaryFile CreateReplacingNamed(const std::string& name, Replace how);

  BinaryFile() = default;
  BinaryFile(BinaryFile&& other) noexcept;
  BinaryFile& operator=(BinaryFile&& other) noexcept;
  BinaryFile(const BinaryFile&) = delete;
  BinaryFile& operator=(const BinaryFile&) = delete;
  // Writes what is buffered and closes; a failure there is lost, so callers
  // that care call Close.
  ~BinaryFile();

  bool IsOpen() const { return handle_ != -1; }
  const std::string& Name() const { return name_; }
  // The name a CreateReplacingNamed file has until Commit.
  const std::string& TemporaryName() const { return temporaryName_; }

  // Exactly n bytes, or a run-time error (the file ends too early).
  void ReadExact(void* buffer, size_t n);
  // Up to n bytes; fewer only at the end of the file.
  size_t ReadUpTo(void* buffer, size_t n);
  void Write(const void* buffer, size_t n);
  // Up to n bytes from `offset`, fewer only at the end of the file; the
  // position stays where it is.
  size_t ReadAt(int64_t offset, void* buffer, size_t n);
  // Writes n bytes at `offset` straight to the system; the position stays
  // where it is.
  void WriteAt(int64_t offset, const void* buffer, size_t n);
  // Forgets what is kept of the file, so that the next read and Size see the
  // file as it is now on disk, also after another program changed it.
  void Refresh();
  // Which file on disk this is.
  FileIdentity Identity() const;

  // Positions past the end are allowed; a later write fills the gap with zeros.
  void Seek(int64_t position);
  int64_t Position() const;
  int64_t Size() const;
  bool AtEnd() const;
  // Ends the file at the current position.
  void Truncate();

  // Makes sure the disk holds room for `length` more bytes after `offset`
  // without changing the file's size, so that a later write there cannot fail
  // for want of space. The system's error number when it cannot, 0 when it
  // can.
  int ReserveSpace(int64_t offset, int64_t length);

  // Copies up to `length` bytes of `from`, starting at `fromOffset`, to this
  // file's position, which moves on by the bytes copied. Fewer bytes are
  // copied only when `from` ends first. The system copies where it can.
  int64_t CopyFrom(BinaryFile& from, int64_t fromOffset, int64_t length);

  // Hands buffered writes to the system.
  void Flush();
  // Flushes and closes; a CreateReplacing file is thrown away (the file it
  // was to replace stays). Use Commit to keep it.
  void Close();
  // For CreateReplacing: flushes, closes and puts the file in place.
  void Commit();

 private:
  BinaryFile(std::intptr_t handle, std::string name, int64_t size);
  void RequireOpen() const;
  void LoadBlock();
  int64_t CopyThroughBuffer(BinaryFile& from, int64_t fromOffset, int64_t length);
  void DropBlock();
  void WriteThrough(const void* buffer, size_t n);
  void WriteDirtyBytes();
  static BinaryFile CreateNamedTemporary(const std::string& name, Replace how);
  void LinkUnnamedFile();
  void FollowTemporaryName();
  void SyncToDisk();
  void PutInPlace();
  void Abandon() noexcept;
  void ThrowAwayTemporary() noexcept;
  void Release() noexcept;

  // The system's handle of the open file (file_calls.h); -1 when closed.
  std::intptr_t handle_ = -1;
  std::string name_;
  // A CreateOverwriting file: Close cuts the old file's rest.
  bool cutAtClose_ = false;
  // While a CreateReplacing file is uncommitted: whether it is one, whether
  // it has no name yet, whether Commit flushes it to the disk, its temporary
  // name, its slot for signal cleanup.
  bool replacing_ = false;
  bool unnamed_ = false;
  bool durable_ = false;
  std::string temporaryName_;
  int cleanupSlot_ = -1;
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
};

}  // namespace vantor
