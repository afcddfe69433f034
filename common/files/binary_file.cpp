#include "files/binary_file.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <random>
#include <utility>

#include "base/run_time_error.h"
#include "os/fatal_signals.h"
#include "os/file_calls.h"
#include "os/platform.h"

namespace vantor {
namespace {

namespace sys = file_calls;

constexpr size_t kBlockSize = 64 * 1024;
// Reads that jump about (a block head here, a name there) load only this much.
constexpr size_t kSmallBlockSize = 4 * 1024;

// The folder a file of that name lies in, for the calls that want a folder.
std::string FolderOf(const std::string& name) {
  std::string folder(DirectoryPart(name));
  return folder.empty() ? "." : folder;
}

// Eight characters for a temporary name that is not there yet.
std::string UniqueSuffix() {
  static const char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
  static uint64_t counter = 0;
  static const uint64_t run = static_cast<uint64_t>(std::random_device{}()) << 32;
  auto now = std::chrono::system_clock::now().time_since_epoch();
  uint64_t mix = run ^ static_cast<uint64_t>(std::chrono::nanoseconds(now).count()) ^
                 (++counter * 0x9E3779B97F4A7C15ULL);
  std::string suffix;
  for (int i = 0; i < 8; ++i) {
    suffix.push_back(kDigits[mix % 62]);
    mix /= 62;
  }
  return suffix;
}

// A temporary name in the folder of `name`: short, so that it fits wherever
// `name` fits, and plainly the suite's where a killed program leaves it.
std::string TemporaryNameBeside(const std::string& name) {
  return std::string(DirectoryPart(name)) + std::string(BinaryFile::kTemporaryPrefix) +
         UniqueSuffix();
}

// Whether a replacing file goes to the disk before its rename.
bool Flushed(BinaryFile::Replace how, bool replacesAFile) {
  return how == BinaryFile::Replace::Durably ||
         (how == BinaryFile::Replace::Quickly && replacesAFile);
}

// Why a new file could not be given what it keeps of the one it replaces:
// the owner or group refused, or the system's own failure.
RunTimeError KeepingFailed(const std::string& name, int reason) {
  if (reason == EPERM) return sys::OwnerRefusal(name);
  return FileError(FileOperation::Create, name, reason);
}

// Gives a new file what it keeps of the one it replaces, or refuses to make it.
void GiveKept(sys::Handle handle, const std::string& name, const sys::KeptAttributes& kept) {
  if (sys::Calls().giveAttributes(handle, kept)) return;
  int reason = errno;
  sys::Calls().close(handle);
  throw KeepingFailed(name, reason);
}

}  // namespace

BinaryFile::BinaryFile(std::intptr_t handle, std::string name, int64_t size)
    : handle_(handle), name_(std::move(name)), size_(size) {}

BinaryFile BinaryFile::OpenExisting(const std::string& name, Access access) {
  int64_t size = 0;
  sys::Handle handle = sys::Calls().openExistingFile(name, access == Access::ReadWrite, size);
  return BinaryFile(handle, name, size);
}

BinaryFile BinaryFile::Create(const std::string& name) {
  sys::Handle handle = sys::Calls().openForWriting(name, true);
  if (handle == sys::kNoFile) throw FileError(FileOperation::Create, name, errno);
  return BinaryFile(handle, name, 0);
}

BinaryFile BinaryFile::CreateOverwriting(const std::string& name) {
  sys::Handle handle = sys::Calls().openForWriting(name, false);
  if (handle == sys::kNoFile) throw FileError(FileOperation::Create, name, errno);
  BinaryFile file(handle, name, 0);
  file.cutAtClose_ = true;
  return file;
}

BinaryFile BinaryFile::CreateReplacing(const std::string& name, Replace how) {
  std::optional<sys::KeptAttributes> kept = sys::Calls().attributesToKeep(name);
  sys::Handle handle = sys::Calls().openUnnamedBeside(name);
  if (handle == sys::kNoFile && sys::UnnamedFilesUnsupported(errno)) {
    return CreateNamedTemporary(name, how);
  }
  if (handle == sys::kNoFile) throw FileError(FileOperation::Create, name, errno);
  // Its owner and group, and its mode, which the umask cut.
  if (kept) GiveKept(handle, name, *kept);
  BinaryFile file(handle, name, 0);
  file.replacing_ = true;
  file.unnamed_ = true;
  file.durable_ = Flushed(how, kept.has_value());
  return file;
}

BinaryFile BinaryFile::CreateReplacingNamed(const std::string& name, Replace how) {
  return CreateNamedTemporary(name, how);
}

BinaryFile BinaryFile::CreateNamedTemporary(const std::string& name, Replace how) {
  std::optional<sys::KeptAttributes> kept = sys::Calls().attributesToKeep(name);
  sys::Permissions permissions = kept ? kept->permissions : sys::PermissionsForNewFile();
  std::string temporary;
  FatalSignalsHeld held;
  sys::Handle handle = sys::kNoFile;
  for (int attempt = 0; handle == sys::kNoFile; ++attempt) {
    temporary = TemporaryNameBeside(name);
    handle = sys::Calls().createNew(temporary, permissions);
    if (handle == sys::kNoFile && (errno != EEXIST || attempt == 100)) {
      throw FileError(FileOperation::Create, name, errno);
    }
  }
  if (kept) {
    try {
      GiveKept(handle, name, *kept);
    } catch (const RunTimeError&) {
      sys::Calls().removeName(temporary);
      throw;
    }
  }
  BinaryFile file(handle, name, 0);
  file.replacing_ = true;
  file.durable_ = Flushed(how, kept.has_value());
  file.temporaryName_ = temporary;
  file.cleanupSlot_ = NoteTemporaryName(file.temporaryName_);
  return file;
}

BinaryFile::BinaryFile(BinaryFile&& other) noexcept {
  *this = std::move(other);
}

BinaryFile& BinaryFile::operator=(BinaryFile&& other) noexcept {
  if (this != &other) {
    Release();
    handle_ = std::exchange(other.handle_, sys::kNoFile);
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
  if (handle_ == sys::kNoFile) return;
  if (!replacing_) {
    try {
      Flush();
    } catch (const RunTimeError&) {
      // Nobody is left to hear of it; callers that care call Close.
    }
  }
  sys::Calls().close(std::exchange(handle_, sys::kNoFile));
  ThrowAwayTemporary();
}

// Closes a replacing file that is not to be kept, and removes it.
void BinaryFile::Abandon() noexcept {
  DropBlock();
  sys::Calls().close(std::exchange(handle_, sys::kNoFile));
  ThrowAwayTemporary();
}

void BinaryFile::ThrowAwayTemporary() noexcept {
  if (!temporaryName_.empty()) sys::Calls().removeName(temporaryName_);
  ForgetTemporaryName(cleanupSlot_);
  cleanupSlot_ = -1;
  temporaryName_.clear();
  replacing_ = false;
  unnamed_ = false;
}

void BinaryFile::RequireOpen() const {
  if (handle_ == sys::kNoFile) {
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
  if (!sys::Calls().writeAt(handle_, block_.data() + begin, end - begin, blockStart_ + begin)) {
    int reason = errno;
    DropBlock();
    size_ = sys::Calls().sizeOf(handle_);
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
  int64_t got = sys::Calls().readAt(handle_, block_.data(), want, position_);
  if (got < 0) throw FileError(FileOperation::Read, name_, errno);
  blockStart_ = position_;
  blockLength_ = static_cast<size_t>(got);
  lastLoadStart_ = position_;
  lastLoadEnd_ = position_ + got;
}

size_t BinaryFile::ReadUpTo(void* buffer, size_t n) {
  RequireOpen();
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
      int64_t got = sys::Calls().readAt(handle_, out + total, n - total, position_);
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
  Flush();  // the disk must hold what was written before
  if (offset < 0) return 0;
  int64_t got = sys::Calls().readAt(handle_, buffer, n, offset);
  if (got < 0) throw FileError(FileOperation::Read, name_, errno);
  return static_cast<size_t>(got);
}

void BinaryFile::WriteAt(int64_t offset, const void* buffer, size_t n) {
  RequireOpen();
  Flush();
  DropBlock();
  if (!sys::Calls().writeAt(handle_, buffer, n, offset)) {
    int reason = errno;
    size_ = sys::Calls().sizeOf(handle_);
    throw FileError(FileOperation::Write, name_, reason);
  }
  size_ = std::max(size_, offset + static_cast<int64_t>(n));
}

void BinaryFile::Refresh() {
  RequireOpen();
  Flush();
  DropBlock();
  lastLoadStart_ = lastLoadEnd_ = 0;
  size_ = sys::Calls().sizeOf(handle_);
}

FileIdentity BinaryFile::Identity() const {
  RequireOpen();
  return sys::Calls().identityOf(handle_);
}

void BinaryFile::WriteThrough(const void* buffer, size_t n) {
  Flush();
  DropBlock();
  if (!sys::Calls().writeAt(handle_, buffer, n, position_)) {
    int reason = errno;
    size_ = sys::Calls().sizeOf(handle_);
    throw FileError(FileOperation::Write, name_, reason);
  }
}

void BinaryFile::Write(const void* buffer, size_t n) {
  RequireOpen();
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
  Flush();
  if (!sys::Calls().setSize(handle_, position_))
    throw FileError(FileOperation::Truncate, name_, errno);
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
  if (length <= 0) return 0;
  Flush();
  DropBlock();
  from.Flush();
  sys::CopyResult copy =
      sys::Calls().copyRange(from.handle_, fromOffset, handle_, position_, length);
  // Where the system cannot copy between these files, the buffer does.
  if (copy.outcome == sys::CopyOutcome::Unsupported) {
    return CopyThroughBuffer(from, fromOffset, length);
  }
  int64_t copied = copy.bytes;
  position_ += copied;
  size_ = std::max(size_, position_);
  if (copy.outcome == sys::CopyOutcome::WriteFailed) {
    throw FileError(FileOperation::Write, name_, copy.reason);
  }
  if (copy.outcome == sys::CopyOutcome::ReadFailed) {
    throw FileError(FileOperation::Read, from.name_, copy.reason);
  }
  from.position_ = fromOffset + copied;
  return copied;
}

int BinaryFile::ReserveSpace(int64_t offset, int64_t length) {
  RequireOpen();
  if (length <= 0) return 0;
  return sys::Calls().reserveSpace(handle_, offset, length);
}

void BinaryFile::Close() {
  if (handle_ == sys::kNoFile) return;
  // Nothing of a file that is not committed is kept.
  if (replacing_) return Abandon();
  try {
    WriteDirtyBytes();
  } catch (...) {
    sys::Calls().close(std::exchange(handle_, sys::kNoFile));
    throw;
  }
  DropBlock();
  if (std::exchange(cutAtClose_, false) && !sys::Calls().setSize(handle_, size_)) {
    int reason = errno;
    sys::Calls().close(std::exchange(handle_, sys::kNoFile));
    throw FileError(FileOperation::Truncate, name_, reason);
  }
  if (!sys::Calls().close(std::exchange(handle_, sys::kNoFile))) {
    throw FileError(FileOperation::Close, name_, errno);
  }
}

void BinaryFile::Commit() {
  RequireOpen();
  if (!replacing_) return Close();
  try {
    WriteDirtyBytes();
    if (!unnamed_) FollowTemporaryName();
    if (durable_) SyncToDisk();
    PutInPlace();
  } catch (...) {
    Abandon();
    throw;
  }
  DropBlock();
  bool closed = sys::Calls().close(std::exchange(handle_, sys::kNoFile));
  int reason = errno;
  if (durable_ && !sys::Calls().syncFolder(FolderOf(name_))) {
    throw FileError(FileOperation::Write, FolderOf(name_), errno);
  }
  if (!closed) throw FileError(FileOperation::Close, name_, reason);
}

// A failed flush is reported as the failed write it is.
void BinaryFile::SyncToDisk() {
  if (!sys::Calls().syncData(handle_)) throw FileError(FileOperation::Write, name_, errno);
}

// Gives the file its final name in one step: a rename from the temporary
// name, which an unnamed file first gets by a link.
void BinaryFile::PutInPlace() {
  FatalSignalsHeld held;
  if (unnamed_) LinkUnnamedFile();
  if (!sys::Calls().moveIntoPlace(temporaryName_, name_)) {
    throw FileError(FileOperation::Create, name_, errno);
  }
  ForgetTemporaryName(cleanupSlot_);
  cleanupSlot_ = -1;
  temporaryName_.clear();
  replacing_ = false;
}

// Another program that wrote a named temporary file may have put a new file
// under its name: that one is flushed and put in place, and keeps what the
// file it replaces keeps. Only an ordinary file, and the very one looked at:
// the owner given to a link's target would give away the file it leads to.
void BinaryFile::FollowTemporaryName() {
  FileIdentity named;
  FileKind kind = KindOf(temporaryName_, &named);
  if (kind == FileKind::Missing || named == sys::Calls().identityOf(handle_)) return;
  const RunTimeError noFile(ErrorCode::AccessDenied,
                            "cannot create \"" + name_ + "\": not an ordinary file");
  if (kind != FileKind::Regular) throw noFile;
  sys::Calls().close(std::exchange(handle_, sys::kNoFile));
  handle_ = sys::Calls().openExistingFile(temporaryName_, true, size_);
  if (sys::Calls().identityOf(handle_) != named) throw noFile;
  if (auto kept = sys::Calls().attributesToKeep(name_)) {
    if (!sys::Calls().giveAttributes(handle_, *kept)) throw KeepingFailed(name_, errno);
  }
}

void BinaryFile::LinkUnnamedFile() {
  for (int attempt = 0;; ++attempt) {
    std::string candidate = TemporaryNameBeside(name_);
    if (sys::Calls().linkUnnamed(handle_, candidate)) {
      temporaryName_ = candidate;
      unnamed_ = false;
      cleanupSlot_ = NoteTemporaryName(candidate);
      return;
    }
    if (errno != EEXIST || attempt == 100) throw FileError(FileOperation::Create, name_, errno);
  }
}

}  // namespace vantor
