// BinaryFile's system calls on Linux and other POSIX systems. Where the
// system lacks one of Linux's calls (chosen when the build is configured),
// a portable way stands in: plain reads and writes for copy_file_range, the
// free-space check for fallocate, named temporary files for O_TMPFILE.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <vector>

#include "base/run_time_error.h"
#include "os/file_calls.h"
#include "os/platform.h"
#include "os/system_file_calls.h"

#if defined(O_TMPFILE) && !defined(VANTOR_PORTABLE_FALLBACKS)
#define VANTOR_UNNAMED_FILES 1
#endif

namespace vantor::file_calls {
namespace {

int Fd(Handle file) {
  return static_cast<int>(file);
}

#ifdef VANTOR_UNNAMED_FILES
// The folder a file of that name lies in, for the calls that want a folder.
std::string FolderOf(const std::string& name) {
  std::string folder(DirectoryPart(name));
  return folder.empty() ? "." : folder;
}
#endif

bool EnoughFreeSpace(int fd, int64_t length) {
  struct statvfs volume {};
  return fstatvfs(fd, &volume) != 0 ||
         static_cast<int64_t>(volume.f_bavail) * static_cast<int64_t>(volume.f_frsize) >= length;
}

}  // namespace

namespace system {

Handle OpenExistingFile(const std::string& name, bool forWriting, int64_t& size) {
  // Without blocking: opening a FIFO would wait for a writer forever.
  int flags = (forWriting ? O_RDWR : O_RDONLY) | O_CLOEXEC | O_NONBLOCK;
  int fd = open(name.c_str(), flags);
  if (fd < 0) throw FileError(FileOperation::Open, name, errno);
  struct stat info {};
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    close(fd);
    if (S_ISDIR(info.st_mode)) throw FileError(FileOperation::Open, name, EISDIR);
    throw RunTimeError(ErrorCode::AccessDenied,
                       "cannot open \"" + name + "\": not an ordinary file");
  }
  fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  size = static_cast<int64_t>(info.st_size);
  return fd;
}

Handle OpenSequential(const std::string& name) {
  if (name.empty()) {
    // A handle of its own, so that closing it leaves standard input open.
    int fd = fcntl(STDIN_FILENO, F_DUPFD_CLOEXEC, 0);
    if (fd < 0) throw FileError(FileOperation::Open, "standard input", errno);
    return fd;
  }
  // Asked before the open, which a device could answer by doing something.
  struct stat info {};
  if (stat(name.c_str(), &info) != 0) throw FileError(FileOperation::Open, name, errno);
  if (S_ISDIR(info.st_mode)) throw FileError(FileOperation::Open, name, EISDIR);
  if (!S_ISREG(info.st_mode) && !S_ISFIFO(info.st_mode)) {
    throw RunTimeError(ErrorCode::AccessDenied,
                       "cannot open \"" + name + "\": not an ordinary file or a pipe");
  }
  int fd = open(name.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) throw FileError(FileOperation::Open, name, errno);
  return fd;
}

int64_t ReadNext(Handle file, void* buffer, size_t n) {
  for (;;) {
    ssize_t got = read(Fd(file), buffer, n);
    if (got < 0 && errno == EINTR) continue;
    return got;
  }
}

Handle OpenForWriting(const std::string& name, bool truncate) {
  int fd = open(name.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | (truncate ? O_TRUNC : 0), 0666);
  return fd < 0 ? kNoFile : fd;
}

std::optional<KeptAttributes> AttributesToKeep(const std::string& name) {
  struct stat info {};
  if (stat(name.c_str(), &info) != 0) return std::nullopt;
  // A folder, a FIFO or a device under the name is not the user's file to
  // replace with an ordinary one.
  if (S_ISDIR(info.st_mode)) throw FileError(FileOperation::Create, name, EISDIR);
  if (!S_ISREG(info.st_mode)) {
    throw RunTimeError(ErrorCode::AccessDenied,
                       "cannot create \"" + name + "\": not an ordinary file");
  }
  if (access(name.c_str(), W_OK) != 0) throw FileError(FileOperation::Create, name, errno);
  // Decided before a byte is written: a file that another user may write
  // stays that user's, or is not replaced at all.
  if (!MayGiveOwner(info.st_uid, info.st_gid)) throw OwnerRefusal(name);
  // Set-user-ID and the like are not for new content.
  return KeptAttributes{info.st_mode & 0777, info.st_uid, info.st_gid};
}

bool GiveAttributes(Handle file, const KeptAttributes& kept) {
  struct stat info {};
  if (fstat(Fd(file), &info) != 0) return false;
  // Only what differs: a program that is not root may change the group alone.
  uid_t owner = info.st_uid == kept.owner ? static_cast<uid_t>(-1) : kept.owner;
  gid_t group = info.st_gid == kept.group ? static_cast<gid_t>(-1) : kept.group;
  if ((owner != static_cast<uid_t>(-1) || group != static_cast<gid_t>(-1)) &&
      fchown(Fd(file), owner, group) != 0) {
    return false;
  }
  // After the owner: a change of owner may clear mode bits.
  return fchmod(Fd(file), static_cast<mode_t>(kept.permissions)) == 0;
}

Handle OpenUnnamedBeside(const std::string& name) {
#ifdef VANTOR_UNNAMED_FILES
  int fd = open(FolderOf(name).c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
  return fd < 0 ? kNoFile : fd;
#else
  (void)name;
  errno = EOPNOTSUPP;
  return kNoFile;
#endif
}

bool LinkUnnamed(Handle file, const std::string& linkName) {
#ifdef VANTOR_UNNAMED_FILES
  std::string self = "/proc/self/fd/" + std::to_string(Fd(file));
  if (linkat(AT_FDCWD, self.c_str(), AT_FDCWD, linkName.c_str(), AT_SYMLINK_FOLLOW) == 0) {
    return true;
  }
  // Without /proc, the file itself can be linked where that is allowed.
  return errno == ENOENT && linkat(Fd(file), "", AT_FDCWD, linkName.c_str(), AT_EMPTY_PATH) == 0;
#else
  (void)file;
  (void)linkName;
  errno = EOPNOTSUPP;
  return false;
#endif
}

Handle CreateNew(const std::string& name, Permissions permissions) {
  int fd = open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd < 0) return kNoFile;
  fchmod(fd, static_cast<mode_t>(permissions));  // not cut by the umask
  return fd;
}

int64_t ReadAt(Handle file, void* buffer, size_t n, int64_t offset) {
  size_t total = 0;
  while (total < n) {
    ssize_t got = pread(Fd(file), static_cast<char*>(buffer) + total, n - total,
                        static_cast<off_t>(offset + static_cast<int64_t>(total)));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return -1;
    if (got == 0) break;
    total += static_cast<size_t>(got);
  }
  return static_cast<int64_t>(total);
}

bool WriteAt(Handle file, const void* buffer, size_t n, int64_t offset) {
  size_t total = 0;
  while (total < n) {
    ssize_t put = pwrite(Fd(file), static_cast<const char*>(buffer) + total, n - total,
                         static_cast<off_t>(offset + static_cast<int64_t>(total)));
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) {
      if (put == 0) errno = ENOSPC;
      return false;
    }
    total += static_cast<size_t>(put);
  }
  return true;
}

int64_t SizeOf(Handle file) {
  struct stat info {};
  return fstat(Fd(file), &info) == 0 ? static_cast<int64_t>(info.st_size) : 0;
}

FileIdentity IdentityOf(Handle file) {
  struct stat info {};
  if (fstat(Fd(file), &info) != 0) return {};
  return {static_cast<uint64_t>(info.st_dev), static_cast<uint64_t>(info.st_ino)};
}

bool SetSize(Handle file, int64_t size) {
  return ftruncate(Fd(file), static_cast<off_t>(size)) == 0;
}

CopyResult CopyRange(Handle from, int64_t fromOffset, Handle to, int64_t toOffset, int64_t length) {
  int64_t copied = 0;
#if defined(VANTOR_HAVE_COPY_FILE_RANGE) && !defined(VANTOR_PORTABLE_FALLBACKS)
  while (copied < length) {
    loff_t in = fromOffset + copied;
    loff_t out = toOffset + copied;
    ssize_t got =
        copy_file_range(Fd(from), &in, Fd(to), &out, static_cast<size_t>(length - copied), 0);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      int reason = errno;
      if (copied == 0 && (reason == EXDEV || reason == EINVAL || reason == ENOSYS ||
                          reason == EOPNOTSUPP || reason == EBADF)) {
        return {CopyOutcome::Unsupported, 0, reason};
      }
      bool writing = reason == ENOSPC || reason == EFBIG || reason == EDQUOT;
      return {writing ? CopyOutcome::WriteFailed : CopyOutcome::ReadFailed, copied, reason};
    }
    if (got == 0) break;  // the source has ended
    copied += got;
  }
  return {CopyOutcome::Copied, copied, 0};
#else
  (void)from;
  (void)fromOffset;
  (void)to;
  (void)toOffset;
  (void)length;
  return {CopyOutcome::Unsupported, copied, ENOSYS};
#endif
}

int ReserveSpace(Handle file, int64_t offset, int64_t length) {
#if defined(VANTOR_HAVE_FALLOCATE) && !defined(VANTOR_PORTABLE_FALLBACKS)
  if (fallocate(Fd(file), FALLOC_FL_KEEP_SIZE, static_cast<off_t>(offset),
                static_cast<off_t>(length)) == 0) {
    return 0;
  }
  int reason = errno;
  if (reason != EOPNOTSUPP && reason != ENOSYS) return reason;
#else
  (void)offset;
#endif
  // Where the file system cannot reserve, at least the free space must do.
  return EnoughFreeSpace(Fd(file), length) ? 0 : ENOSPC;
}

bool SyncData(Handle file) {
#if defined(VANTOR_HAVE_FDATASYNC)
  return fdatasync(Fd(file)) == 0;
#else
  return fsync(Fd(file)) == 0;
#endif
}

bool Close(Handle file) {
  return close(Fd(file)) == 0;
}

bool RemoveName(const std::string& name) {
  return unlink(name.c_str()) == 0;
}

bool MoveIntoPlace(const std::string& temporaryName, const std::string& name) {
  return std::rename(temporaryName.c_str(), name.c_str()) == 0;
}

bool SyncFolder(const std::string& folder) {
  int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  bool synced = fsync(fd) == 0 || errno == EINVAL;  // some file systems cannot
  close(fd);
  return synced;
}

Handle OpenForLock(const std::string& path) {
  // Without blocking: opening a FIFO would wait for a writer forever.
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  return fd < 0 ? kNoFile : fd;
}

int TryLock(Handle lock) {
  int result;
  do {
    result = flock(Fd(lock), LOCK_EX | LOCK_NB);
  } while (result != 0 && errno == EINTR);
  if (result == 0) return 1;
  return errno == EWOULDBLOCK ? 0 : -1;
}

void Unlock(Handle lock) {
  close(Fd(lock));  // gives the lock back
}

}  // namespace system

bool MayGiveOwner(uint32_t owner, uint32_t group) {
  // Asked each time: only files that already exist ask.
  const uid_t self = geteuid();
  if (self == 0) return true;
  if (owner != self) return false;
  if (group == getegid()) return true;
  std::vector<gid_t> groups(static_cast<size_t>(std::max(getgroups(0, nullptr), 0)));
  int count = getgroups(static_cast<int>(groups.size()), groups.data());
  groups.resize(static_cast<size_t>(std::max(count, 0)));
  return std::find(groups.begin(), groups.end(), group) != groups.end();
}

RunTimeError OwnerRefusal(const std::string& name) {
  return RunTimeError(ErrorCode::AccessDenied,
                      "cannot replace \"" + name +
                          "\": it belongs to another user or group, and the new file would "
                          "be this user's own; nothing written");
}

Permissions PermissionsForNewFile() {
  static const mode_t mode = [] {
    mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
  }();
  return mode;
}

bool UnnamedFilesUnsupported(int reason) {
  // File systems and kernels without unnamed files answer with one of these.
  return reason == EOPNOTSUPP || reason == EISDIR || reason == EINVAL;
}

}  // namespace vantor::file_calls
