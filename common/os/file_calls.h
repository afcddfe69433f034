// The few system calls under BinaryFile and FileLock, as one table of
// functions with one implementation per platform (posix/file_calls.cpp,
// win32/file_calls.cpp); the buffering and every rule about files stay in
// binary_file.cpp. Internal to common/.
//
// A failed call reports its reason as an errno value (on Windows the system's
// error translated), so that messages and run-time error numbers are the
// same on every platform.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "base/run_time_error.h"
#include "os/platform.h"

namespace vantor::file_calls {

// A file descriptor, or a Windows handle.
using Handle = std::intptr_t;
inline constexpr Handle kNoFile = -1;

// What the system keeps of a file's permissions: the mode bits, or nothing
// on Windows, where a replaced file's attributes move to the new one.
using Permissions = uint32_t;

// What a file that replaces another keeps of it: its permissions, and where
// the system has owners, its owner and group.
struct KeptAttributes {
  Permissions permissions = 0;
  uint32_t owner = 0;
  uint32_t group = 0;
};

enum class CopyOutcome { Copied, Unsupported, ReadFailed, WriteFailed };
struct CopyResult {
  CopyOutcome outcome;
  int64_t bytes;  // copied before the end of `from` or the failure
  int reason;     // errno for a failure
};

// Every call that reaches a file on the disk, as one table, the way embedded
// databases keep their calls to the system: the programs use the system's,
// and a table put in its place sees every call (the tests count them and
// make one fail, as a full disk or a broken medium would).
struct Table {
  // An existing file for reading or for reading and writing, never waiting
  // on a FIFO; its size in `size`. A run-time error when it cannot be
  // opened, is a folder or is no ordinary file (a FIFO, a device such as NUL).
  Handle (*openExistingFile)(const std::string& name, bool forWriting, int64_t& size);
  // A text to be read once, in order: an ordinary file or a pipe (a FIFO, a
  // shell's `<(...)`), waiting for a FIFO's writer; standard input when
  // `name` is empty. A run-time error when it cannot be opened or is a
  // folder, a device or anything else.
  Handle (*openSequential)(const std::string& name);
  // Up to n bytes from where the last read ended, fewer when no more have
  // come yet; 0 at the end; -1 and errno.
  int64_t (*readNext)(Handle file, void* buffer, size_t n);
  // A file opened for reading and writing, created when missing, emptied
  // when `truncate`; kNoFile and errno on a failure.
  Handle (*openForWriting)(const std::string& name, bool truncate);
  // For a file that is to replace the one under `name`: a run-time error
  // when that one is a folder, no ordinary file, may not be written, or has
  // an owner or group that this program cannot give the new file
  // (OwnerRefusal); what the new file keeps; nothing when there is none.
  std::optional<KeptAttributes> (*attributesToKeep)(const std::string& name);
  // Gives a new file what it keeps of the one it replaces; false and errno
  // when the system refuses the owner or group.
  bool (*giveAttributes)(Handle file, const KeptAttributes& kept);
  // A file without a name in the folder of `name`; kNoFile and errno where
  // it cannot be made, and UnnamedFilesUnsupported(errno) where the system
  // or the file system has no such files.
  Handle (*openUnnamedBeside)(const std::string& name);
  // Gives an unnamed file the name `linkName`; false and errno (EEXIST when
  // the name is taken).
  bool (*linkUnnamed)(Handle file, const std::string& linkName);
  // A new file under a name that no file has; kNoFile and errno (EEXIST
  // when the name is taken).
  Handle (*createNew)(const std::string& name, Permissions permissions);
  // Up to n bytes from `offset`, fewer only at the end of the file; -1 and
  // errno.
  int64_t (*readAt)(Handle file, void* buffer, size_t n, int64_t offset);
  // All n bytes at `offset`; false and errno (ENOSPC for a write that the
  // system took none of).
  bool (*writeAt)(Handle file, const void* buffer, size_t n, int64_t offset);
  // The size on disk; 0 when it cannot be asked.
  int64_t (*sizeOf)(Handle file);
  FileIdentity (*identityOf)(Handle file);
  bool (*setSize)(Handle file, int64_t size);
  // Copies up to `length` bytes inside the system, stopping early only at
  // the end of `from`. Unsupported (nothing copied) where the system cannot
  // copy between these two files: the caller copies through its buffer.
  CopyResult (*copyRange)(Handle from, int64_t fromOffset, Handle to, int64_t toOffset,
                          int64_t length);
  // Room on the disk for `length` bytes after `offset`, the size unchanged:
  // 0, or the errno of why not (ENOSPC when the disk lacks the space).
  int (*reserveSpace)(Handle file, int64_t offset, int64_t length);
  // The file's data on the disk; false and errno.
  bool (*syncData)(Handle file);
  bool (*close)(Handle file);
  bool (*removeName)(const std::string& name);
  // Puts the file `temporaryName` under `name` in one step, replacing what
  // stands there; false and errno.
  bool (*moveIntoPlace)(const std::string& temporaryName, const std::string& name);
  // Makes the last rename in `folder` survive a power cut; false and errno.
  bool (*syncFolder)(const std::string& folder);

  // What a lock on the file or folder `path` is taken through: the file
  // itself, or on Windows a mutex named after it; kNoFile and errno.
  Handle (*openForLock)(const std::string& path);
  // Takes the lock without waiting: 1, 0 when another run holds it, -1 and
  // errno.
  int (*tryLock)(Handle lock);
  // Gives the lock back, if it was taken, and closes its handle.
  void (*unlock)(Handle lock);
};

// The system's own calls.
const Table& SystemCalls();
// The calls in use: the system's, or the table last installed.
const Table& Calls();
// Puts `table` in place of the calls in use until another is installed;
// nullptr puts the system's back. The table must outlive its use.
void Install(const Table* table);

// Whether this program may give a file it makes this owner and group: a
// program run by root may give any; another only itself as the owner and
// one of its own groups. Always on Windows, which has no such change.
bool MayGiveOwner(uint32_t owner, uint32_t group);
// Why a file is not replaced: the new one would change hands.
RunTimeError OwnerRefusal(const std::string& name);
// What a new file gets: read and write for all, less the umask.
Permissions PermissionsForNewFile();
// Whether the reason a file without a name could not be made is that the
// system or the file system has none.
bool UnnamedFilesUnsupported(int reason);

}  // namespace vantor::file_calls
