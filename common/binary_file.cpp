#include "binary_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

#include "fault_injection.h"
#include "platform.h"
#include "run_time_error.h"
#include "temporary_names.h"

namespace vantor {
namespace {

constexpr size_t kBlockSize = 64 * 1024;
// Reads that jump about (a block head here, a name there) load only this much.
constexpr size_t kSmallBlockSize = 4 * 1024;

// Reads until n bytes or the end of the file; -1 on a failure (errno set).
ssize_t ReadFully(int fd, void* buffer, size_t n, int64_t offset) {
  size_t total = 0;
  while (total < n) {
    ssize_t got = pread(fd, static_cast<char*>(buffer) + total, n - total, offset + total);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return -1;
    if (got == 0) break;
    total += static_cast<size_t>(got);
  }
  return static_cast<ssize_t>(total);
}

bool WriteFully(int fd, const void* buffer, size_t n, int64_t offset) {
  size_t total = 0;
  while (total < n) {
    ssize_t put = pwrite(fd, static_cast<const char*>(buffer) + total, n - total, offset + total);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) {
      if (put == 0) errno = ENOSPC;
      return false;
    }
    total += static_cast<size_t>(put);
  }
  return true;
}

int64_t SizeOf(int fd) {
  struct stat info {};
  return fstat(fd, &info) == 0 ? static_cast<int64_t>(info.st_size) : 0;
}

// The mode a new file gets: read and write for all, less the umask.
mode_t ModeForNewFile() {
  static const mode_t mode = [] {
    mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
  }();
  return mode;
}

// The mode of the file that a new one replaces, less set-user-ID and the
// like, which new content must not inherit; nothing when there is none. A
// file that may not be written is refused, as opening it for writing would be.
std::optional<mode_t> ModeToKeep(const std::string& name) {
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
  return info.st_mode & 0777;
}

// A failure that a test asked for, with the error a failing medium gives.
void FailIfInjected(FileOperation op, const std::string& name) {
  if (faults::NextOperationFails()) throw FileError(op, name, EIO);
}

// The folder a file of that name lies in, for the calls that want a folder.
std::string FolderOf(const std::string& name) {
  std::string folder(DirectoryPart(name));
  return folder.empty() ? "." : folder;
}

// A file without a name in the folder of `name`; -1 with errno set.
int OpenUnnamedFile(const std::string& name, mode_t mode) {
  if (faults::UnnamedFilesRefused()) {
    errno = EOPNOTSUPP;
    return -1;
  }
  return open(FolderOf(name).c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, mode);
}

// File systems and kernels without unnamed files answer with one of these.
bool UnnamedFilesUnsupported(int reason) {
  return reason == EOPNOTSUPP || reason == EISDIR || reason == EINVAL;
}

// Six characters for a temporary name that is not there yet.
std::string UniqueSuffix() {
  static const char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
  static uint64_t counter = 0;
  struct timespec now {};
  clock_gettime(CLOCK_REALTIME, &now);
  uint64_t mix = (static_cast<uint64_t>(getpid()) << 40) ^ static_cast<uint64_t>(now.tv_nsec) ^
                 (++counter * 0x9E3779B97F4A7C15ULL);
  std::string suffix;
  for (int i = 0; i < 6; ++i) {
    suffix.push_back(kDigits[mix % 62]);
    mix /= 62;
  }
  return suffix;
}

// Makes a rename in the folder last through a power cut.
bool SyncFolder(const std::string& folder) {
  int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  bool synced = fsync(fd) == 0 || errno == EINVAL;  // some file systems cannot
  close(fd);
  return synced;
}

}  // namespace

BinaryFile::BinaryFile(int fd, std::string name, int64_t size)
    : fd_(fd), name_(std::move(name)), size_(size) {}

BinaryFile BinaryFile::OpenExisting(const std::string& name, Access access) {
  FailIfInjected(FileOperation::Open, name);
  // Without blocking: opening a FIFO would wait for a writer forever.
  int flags = (access == Access::ReadWrite ? O_RDWR : O_RDONLY) | O_CLOEXEC | O_NONBLOCK;
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
  return BinaryFile(fd, name, static_cast<int64_t>(info.st_size));
}

BinaryFile BinaryFile::Create(const std::string& name) {
  FailIfInjected(FileOperation::Create, name);
  int fd = open(name.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) throw FileError(FileOperation::Create, name, errno);
  return BinaryFile(fd, name, 0);
}

BinaryFile BinaryFile::CreateOverwriting(const std::string& name) {
  FailIfInjected(FileOperation::Create, name);
  int fd = open(name.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) throw FileError(FileOperation::Create, name, errno);
  BinaryFile file(fd, name, 0);
  file.cutAtClose_ = true;
  return file;
}

BinaryFile BinaryFile::CreateReplacing(const std::string& name, Replace how) {
  FailIfInjected(FileOperation::Create, name);
  std::optional<mode_t> kept = ModeToKeep(name);
  int fd = OpenUnnamedFile(name, 0666);
  if (fd < 0 && UnnamedFilesUnsupported(errno)) return CreateNamedTemporary(name, how);
  if (fd < 0) throw FileError(FileOperation::Create, name, errno);
  if (kept) fchmod(fd, *kept);  // the creation mode was cut by the umask
  BinaryFile file(fd, name, 0);
  file.replacing_ = true;
  file.unnamed_ = true;
  file.durable_ = how == Replace::Durably;
  return file;
}

BinaryFile BinaryFile::CreateReplacingNamed(const std::string& name, Replace how) {
  FailIfInjected(FileOperation::Create, name);
  return CreateNamedTemporary(name, how);
}

BinaryFile BinaryFile::CreateNamedTemporary(const std::string& name, Replace how) {
  mode_t mode = ModeToKeep(name).value_or(ModeForNewFile());
  std::string pattern = name + ".XXXXXX";
  std::vector<char> temporary(pattern.begin(), pattern.end());
  temporary.push_back('\0');
  FatalSignalsHeld held;
  int fd = mkostemp(temporary.data(), O_CLOEXEC);
  if (fd < 0) throw FileError(FileOperation::Create, name, errno);
  fchmod(fd, mode);
  BinaryFile file(fd, name, 0);
  file.replacing_ = true;
  file.durable_ = how == Replace::Durably;
  file.temporaryName_ = temporary.data();
  file.cleanupSlot_ = NoteTemporaryName(file.temporaryName_);
  return file;
}

BinaryFile::BinaryFile(BinaryFile&& other) noexcept {
  *this = std::move(other);
}

BinaryFile& BinaryFile::operator=(BinaryFile&& other) noexcept {
  if (this != &other) {
    Release();
    fd_ = std::exchange(other.fd_, -1);
    name_ = std::move(other.name_);
    cutAtClose_ = std::exchange(other.cutAtClose_, false);
    replacing_ = std::exchange(other.replacing_, false);
    unnamed_ = std::exchange(other.unnamed_, false);
    durable_ = other.durable_;
    temporaryName_ = std::exchange(other.temporaryName_, {});
    cleanupSlot_ = std::exchange(other.cleanupSlot_, -1);
    position_ = other.position_;
    size_ = other.size_;
    block_ = std::move(other.block_);
    blockStart_ = other.blockStart_;
    blockLength_ = std::exchange(other.blockLength_, 0);
    dirtyBegin_ = std::exchange(other.dirtyBegin_, 0);
    dirtyEnd_ = std::exchange(other.dirtyEnd_, 0);
    lastLoadStart_ = other.lastLoadStart_;
    lastLoadEnd_ = other.lastLoadEnd_;
  }
  return *this;
}

BinaryFile::~BinaryFile() {
  Release();
}

void BinaryFile::Release() noexcept {
  if (fd_ < 0) return;
  if (!replacing_) {
    try {
      Flush();
    } catch (const RunTimeError&) {
      // Nobody is left to hear of it; callers that care call Close.
    }
  }
  close(fd_);
  fd_ = -1;
  ThrowAwayTemporary();
}

// Closes a replacing file that is not to be kept, and removes it.
void BinaryFile::Abandon() noexcept {
  DropBlock();
  close(std::exchange(fd_, -1));
  ThrowAwayTemporary();
}

void BinaryFile::ThrowAwayTemporary() noexcept {
  if (!temporaryName_.empty()) unlink(temporaryName_.c_str());
  ForgetTemporaryName(cleanupSlot_);
  cleanupSlot_ = -1;
  temporaryName_.clear();
  replacing_ = false;
  unnamed_ = false;
}

void BinaryFile::RequireOpen() const {
  if (fd_ < 0) {
    throw RunTimeError(ErrorCode::FileNotOpen,
                       "file not open" + (name_.empty() ? std::string() : ": \"" + name_ + "\""));
  }
}

void BinaryFile::DropBlock() {
  blockLength_ = 0;
  dirtyBegin_ = dirtyEnd_ = 0;
}

void BinaryFile::Flush() {
  RequireOpen();
  WriteDirtyBytes();
}

void BinaryFile::WriteDirtyBytes() {
  if (dirtyBegin_ == dirtyEnd_) return;
  size_t begin = dirtyBegin_;
  size_t end = dirtyEnd_;
  dirtyBegin_ = dirtyEnd_ = 0;
  if (!WriteFully(fd_, block_.data() + begin, end - begin, blockStart_ + begin)) {
    int reason = errno;
    DropBlock();
    size_ = SizeOf(fd_);
    throw FileError(FileOperation::Write, name_, reason);
  }
}

void BinaryFile::LoadBlock() {
  Flush();
  DropBlock();
  block_.resize(kBlockSize);
  // A read that goes on within or right after the last block loaded is
  // sequential (a write in between may have moved the buffer away).
  bool sequential = position_ >= lastLoadStart_ && position_ <= lastLoadEnd_;
  size_t want = sequential ? kBlockSize : kSmallBlockSize;
  ssize_t got = ReadFully(fd_, block_.data(), want, position_);
  if (got < 0) throw FileError(FileOperation::Read, name_, errno);
  blockStart_ = position_;
  blockLength_ = static_cast<size_t>(got);
  lastLoadStart_ = position_;
  lastLoadEnd_ = position_ + got;
}

size_t BinaryFile::ReadUpTo(void* buffer, size_t n) {
  RequireOpen();
  FailIfInjected(FileOperation::Read, name_);
  auto* out = static_cast<uint8_t*>(buffer);
  size_t total = 0;
  while (total < n && position_ < size_) {
    bool inBlock =
        position_ >= blockStart_ && position_ < blockStart_ + static_cast<int64_t>(blockLength_);
    if (inBlock) {
      size_t offset = static_cast<size_t>(position_ - blockStart_);
      size_t count = std::min(n - total, blockLength_ - offset);
      std::memcpy(out + total, block_.data() + offset, count);
      total += count;
      position_ += static_cast<int64_t>(count);
      continue;
    }
    if (n - total >= kBlockSize) {
      // A large read goes straight to the caller's buffer.
      Flush();
      ssize_t got = ReadFully(fd_, out + total, n - total, position_);
      if (got < 0) throw FileError(FileOperation::Read, name_, errno);
      total += static_cast<size_t>(got);
      position_ += got;
      break;
    }
    LoadBlock();
    if (blockLength_ == 0) break;
  }
  return total;
}

void BinaryFile::ReadExact(void* buffer, size_t n) {
  if (ReadUpTo(buffer, n) != n) throw FileError(FileOperation::Read, name_, 0);
}

size_t BinaryFile::ReadAt(int64_t offset, void* buffer, size_t n) {
  RequireOpen();
  FailIfInjected(FileOperation::Read, name_);
  Flush();  // the disk must hold what was written before
  if (offset < 0) return 0;
  ssize_t got = ReadFully(fd_, buffer, n, offset);
  if (got < 0) throw FileError(FileOperation::Read, name_, errno);
  return static_cast<size_t>(got);
}

void BinaryFile::WriteAt(int64_t offset, const void* buffer, size_t n) {
  RequireOpen();
  FailIfInjected(FileOperation::Write, name_);
  Flush();
  DropBlock();
  if (!WriteFully(fd_, buffer, n, offset)) {
    int reason = errno;
    size_ = SizeOf(fd_);
    throw FileError(FileOperation::Write, name_, reason);
  }
  size_ = std::max(size_, offset + static_cast<int64_t>(n));
}

void BinaryFile::Refresh() {
  RequireOpen();
  Flush();
  DropBlock();
  lastLoadStart_ = lastLoadEnd_ = 0;
  size_ = SizeOf(fd_);
}

FileIdentity BinaryFile::Identity() const {
  RequireOpen();
  struct stat info {};
  if (fstat(fd_, &info) != 0) return {};
  return {static_cast<uint64_t>(info.st_dev), static_cast<uint64_t>(info.st_ino)};
}

void BinaryFile::WriteThrough(const void* buffer, size_t n) {
  Flush();
  DropBlock();
  if (!WriteFully(fd_, buffer, n, position_)) {
    int reason = errno;
    size_ = SizeOf(fd_);
    throw FileError(FileOperation::Write, name_, reason);
  }
}

void BinaryFile::Write(const void* buffer, size_t n) {
  RequireOpen();
  FailIfInjected(FileOperation::Write, name_);
  if (n == 0) return;
  if (n >= kBlockSize) {
    WriteThrough(buffer, n);
  } else {
    bool extendsBlock =
        position_ >= blockStart_ && position_ <= blockStart_ + static_cast<int64_t>(blockLength_) &&
        position_ + static_cast<int64_t>(n) <= blockStart_ + static_cast<int64_t>(kBlockSize);
    if (!extendsBlock || block_.empty()) {
      Flush();
      DropBlock();
      block_.resize(kBlockSize);
      blockStart_ = position_;
    }
    size_t offset = static_cast<size_t>(position_ - blockStart_);
    std::memcpy(block_.data() + offset, buffer, n);
    if (dirtyBegin_ == dirtyEnd_) {
      dirtyBegin_ = offset;
      dirtyEnd_ = offset + n;
    } else {
      dirtyBegin_ = std::min(dirtyBegin_, offset);
      dirtyEnd_ = std::max(dirtyEnd_, offset + n);
    }
    blockLength_ = std::max(blockLength_, offset + n);
  }
  position_ += static_cast<int64_t>(n);
  size_ = std::max(size_, position_);
}

void BinaryFile::Seek(int64_t position) {
  RequireOpen();
  FailIfInjected(FileOperation::Seek, name_);
  if (position < 0) {
    throw RunTimeError(ErrorCode::DiskReadError,
                       "cannot seek in \"" + name_ + "\": position before the start of the file");
  }
  position_ = position;
}

int64_t BinaryFile::Position() const {
  RequireOpen();
  return position_;
}

int64_t BinaryFile::Size() const {
  RequireOpen();
  return size_;
}

bool BinaryFile::AtEnd() const {
  return Position() >= size_;
}

void BinaryFile::Truncate() {
  RequireOpen();
  FailIfInjected(FileOperation::Truncate, name_);
  Flush();
  if (ftruncate(fd_, position_) != 0) throw FileError(FileOperation::Truncate, name_, errno);
  size_ = position_;
  if (position_ < blockStart_) {
    DropBlock();
  } else {
    blockLength_ = std::min(blockLength_, static_cast<size_t>(position_ - blockStart_));
  }
}

int64_t BinaryFile::CopyThroughBuffer(BinaryFile& from, int64_t fromOffset, int64_t length) {
  std::vector<uint8_t> buffer(kBlockSize);
  int64_t copied = 0;
  from.Seek(fromOffset);
  while (copied < length) {
    size_t want = static_cast<size_t>(std::min<int64_t>(length - copied, kBlockSize));
    size_t got = from.ReadUpTo(buffer.data(), want);
    if (got == 0) break;
    Write(buffer.data(), got);
    copied += static_cast<int64_t>(got);
  }
  return copied;
}

int64_t BinaryFile::CopyFrom(BinaryFile& from, int64_t fromOffset, int64_t length) {
  RequireOpen();
  from.RequireOpen();
  FailIfInjected(FileOperation::Write, name_);
  if (length <= 0) return 0;
  Flush();
  DropBlock();
  from.Flush();
  int64_t copied = 0;
  while (copied < length) {
    loff_t in = fromOffset + copied;
    loff_t out = position_;
    ssize_t got =
        copy_file_range(from.fd_, &in, fd_, &out, static_cast<size_t>(length - copied), 0);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      // Where the kernel cannot copy between these files, the buffer does.
      if (copied == 0 && (errno == EXDEV || errno == EINVAL || errno == ENOSYS ||
                          errno == EOPNOTSUPP || errno == EBADF)) {
        return CopyThroughBuffer(from, fromOffset, length);
      }
      if (errno == ENOSPC || errno == EFBIG || errno == EDQUOT) {
        throw FileError(FileOperation::Write, name_, errno);
      }
      throw FileError(FileOperation::Read, from.name_, errno);
    }
    if (got == 0) break;  // the source has ended
    copied += got;
    position_ += got;
    size_ = std::max(size_, position_);
  }
  from.position_ = fromOffset + copied;
  return copied;
}

std::optional<std::string> BinaryFile::ReserveSpace(int64_t offset, int64_t length) {
  RequireOpen();
  if (length <= 0) return std::nullopt;
  int result = fallocate(fd_, FALLOC_FL_KEEP_SIZE, offset, length);
  if (result == 0) return std::nullopt;
  int reason = errno;
  if (reason != EOPNOTSUPP && reason != ENOSYS) return std::strerror(reason);
  // Where the file system cannot reserve, at least the free space must do.
  struct statvfs volume {};
  if (fstatvfs(fd_, &volume) == 0 &&
      static_cast<int64_t>(volume.f_bavail) * static_cast<int64_t>(volume.f_frsize) < length) {
    return std::strerror(ENOSPC);
  }
  return std::nullopt;
}

void BinaryFile::Close() {
  if (fd_ < 0) return;
  // Nothing of a file that is not committed is kept.
  if (replacing_) return Abandon();
  try {
    WriteDirtyBytes();
  } catch (...) {
    close(std::exchange(fd_, -1));
    throw;
  }
  DropBlock();
  if (std::exchange(cutAtClose_, false) && ftruncate(fd_, size_) != 0) {
    int reason = errno;
    close(std::exchange(fd_, -1));
    throw FileError(FileOperation::Truncate, name_, reason);
  }
  if (close(std::exchange(fd_, -1)) != 0) throw FileError(FileOperation::Close, name_, errno);
}

void BinaryFile::Commit() {
  RequireOpen();
  FailIfInjected(FileOperation::Create, name_);
  if (!replacing_) return Close();
  try {
    WriteDirtyBytes();
    if (durable_ && fdatasync(fd_) != 0) throw FileError(FileOperation::Write, name_, errno);
    PutInPlace();
  } catch (...) {
    Abandon();
    throw;
  }
  DropBlock();
  int closed = close(std::exchange(fd_, -1));
  int reason = errno;
  if (durable_ && !SyncFolder(FolderOf(name_))) {
    throw FileError(FileOperation::Write, FolderOf(name_), errno);
  }
  if (closed != 0) throw FileError(FileOperation::Close, name_, reason);
}

// Gives the file its final name in one step: a rename from the temporary
// name, which an unnamed file first gets by a link.
void BinaryFile::PutInPlace() {
  FatalSignalsHeld held;
  if (unnamed_) LinkUnnamedFile();
  if (rename(temporaryName_.c_str(), name_.c_str()) != 0) {
    throw FileError(FileOperation::Create, name_, errno);
  }
  ForgetTemporaryName(cleanupSlot_);
  cleanupSlot_ = -1;
  temporaryName_.clear();
  replacing_ = false;
}

void BinaryFile::LinkUnnamedFile() {
  std::string self = "/proc/self/fd/" + std::to_string(fd_);
  for (int attempt = 0;; ++attempt) {
    std::string candidate = name_ + "." + UniqueSuffix();
    int linked = linkat(AT_FDCWD, self.c_str(), AT_FDCWD, candidate.c_str(), AT_SYMLINK_FOLLOW);
    // Without /proc, the file itself can be linked where that is allowed.
    if (linked != 0 && errno == ENOENT) {
      linked = linkat(fd_, "", AT_FDCWD, candidate.c_str(), AT_EMPTY_PATH);
    }
    if (linked == 0) {
      temporaryName_ = candidate;
      unnamed_ = false;
      cleanupSlot_ = NoteTemporaryName(candidate);
      return;
    }
    if (errno != EEXIST || attempt == 100) throw FileError(FileOperation::Create, name_, errno);
  }
}

}  // namespace vantor
