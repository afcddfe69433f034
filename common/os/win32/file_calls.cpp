// BinaryFile's system calls on Windows. Files are always binary, sizes and
// offsets 64-bit; every file is opened so that it can be renamed and deleted
// while open, as on POSIX systems, which the atomic replace and the cleanup
// of temporary names need. There are no unnamed files: a replacing file
// has a temporary name from the start.
#include <windows.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "base/run_time_error.h"
#include "os/file_calls.h"
#include "os/platform.h"
#include "os/system_file_calls.h"
#include "os/win32/support.h"

namespace vantor::file_calls {
namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
// The most one ReadFile or WriteFile is asked for.
constexpr size_t kLargestCall = 1 << 30;

HANDLE Win(Handle file) {
  return reinterpret_cast<HANDLE>(file);
}

Handle Ours(HANDLE file) {
  return file == INVALID_HANDLE_VALUE ? kNoFile : reinterpret_cast<Handle>(file);
}

// Sets errno from the last system error and gives false, for the callers'
// one-line failures.
bool Failed() {
  errno = ErrnoFromWin32(GetLastError());
  return false;
}

// Why a file could not be opened: a folder says so, as on POSIX systems.
int OpenFailure(const std::string& name) {
  int reason = ErrnoFromWin32(GetLastError());
  return reason == EACCES && IsDirectory(name) ? EISDIR : reason;
}

HANDLE OpenHandle(const std::string& name, DWORD access, DWORD disposition) {
  return CreateFileW(Wide(name).c_str(), access, kShareAll, nullptr, disposition,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
}

OVERLAPPED At(int64_t offset) {
  OVERLAPPED at{};
  at.Offset = static_cast<DWORD>(offset);
  at.OffsetHigh = static_cast<DWORD>(static_cast<uint64_t>(offset) >> 32);
  return at;
}

// Where the file lies, for the free-space question; empty when unknown.
std::wstring FolderOfHandle(HANDLE file) {
  std::wstring path = FinalPathOf(file);
  size_t end = path.find_last_of(L'\\');
  return end == std::wstring::npos ? std::wstring() : path.substr(0, end + 1);
}

bool EnoughFreeSpace(HANDLE file, int64_t length) {
  std::wstring folder = FolderOfHandle(file);
  ULARGE_INTEGER available{};
  if (folder.empty() || !GetDiskFreeSpaceExW(folder.c_str(), &available, nullptr, nullptr)) {
    return true;  // nothing known: the writes will tell
  }
  return available.QuadPart >= static_cast<uint64_t>(length);
}

// The system's own name for a full name: \??\C:\... or \??\UNC\server\...
std::wstring NtName(const std::wstring& fullName) {
  if (fullName.starts_with(L"\\\\?\\")) return L"\\??\\" + fullName.substr(4);
  if (fullName.starts_with(L"\\\\")) return L"\\??\\UNC\\" + fullName.substr(2);
  return L"\\??\\" + fullName;
}

// Renames over a file that is open elsewhere, as POSIX systems do (Windows
// 10 on NTFS): the open handles keep the old file. `to` is a full name.
// False where the system or the file system cannot.
bool RenameOverOpenFile(const std::wstring& from, const std::wstring& to) {
  constexpr DWORD kReplaceIfExists = 0x1;  // FILE_RENAME_FLAG_REPLACE_IF_EXISTS
  constexpr DWORD kPosixSemantics = 0x2;   // FILE_RENAME_FLAG_POSIX_SEMANTICS
  constexpr auto kFileRenameInfoEx = static_cast<FILE_INFO_BY_HANDLE_CLASS>(22);
  std::wstring target = NtName(to);
  size_t size = offsetof(FILE_RENAME_INFO, FileName) + (target.size() + 1) * sizeof(wchar_t);
  std::vector<char> buffer(size, 0);
  auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
  DWORD flags = kReplaceIfExists | kPosixSemantics;
  std::memcpy(buffer.data(), &flags, sizeof flags);  // the union's Flags
  rename->FileNameLength = static_cast<DWORD>(target.size() * sizeof(wchar_t));
  std::memcpy(rename->FileName, target.c_str(), (target.size() + 1) * sizeof(wchar_t));
  HANDLE file = CreateFileW(from.c_str(), DELETE, kShareAll, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  bool renamed =
      SetFileInformationByHandle(file, kFileRenameInfoEx, rename, static_cast<DWORD>(size));
  CloseHandle(file);
  return renamed;
}

}  // namespace

namespace system {

Handle OpenExistingFile(const std::string& name, bool forWriting, int64_t& size) {
  DWORD access = GENERIC_READ | (forWriting ? GENERIC_WRITE : 0);
  HANDLE file = OpenHandle(name, access, OPEN_EXISTING);
  if (file == INVALID_HANDLE_VALUE) throw FileError(FileOperation::Open, name, OpenFailure(name));
  LARGE_INTEGER length{};
  // A device (NUL, CON, a serial port) is no file of bytes to work on.
  if (GetFileType(file) != FILE_TYPE_DISK || !GetFileSizeEx(file, &length)) {
    CloseHandle(file);
    throw RunTimeError(ErrorCode::AccessDenied,
                       "cannot open \"" + name + "\": not an ordinary file");
  }
  size = length.QuadPart;
  return Ours(file);
}

Handle OpenSequential(const std::string& name) {
  if (name.empty()) {
    // A handle of its own, so that closing it leaves standard input open.
    HANDLE self = GetCurrentProcess();
    HANDLE input = INVALID_HANDLE_VALUE;
    if (!DuplicateHandle(self, GetStdHandle(STD_INPUT_HANDLE), self, &input, 0, FALSE,
                         DUPLICATE_SAME_ACCESS)) {
      throw FileError(FileOperation::Open, "standard input", ErrnoFromWin32(GetLastError()));
    }
    return Ours(input);
  }
  HANDLE file = OpenHandle(name, GENERIC_READ, OPEN_EXISTING);
  if (file == INVALID_HANDLE_VALUE) throw FileError(FileOperation::Open, name, OpenFailure(name));
  DWORD type = GetFileType(file);
  if (type != FILE_TYPE_DISK && type != FILE_TYPE_PIPE) {
    CloseHandle(file);
    throw RunTimeError(ErrorCode::AccessDenied,
                       "cannot open \"" + name + "\": not an ordinary file or a pipe");
  }
  return Ours(file);
}

int64_t ReadNext(Handle file, void* buffer, size_t n) {
  DWORD got = 0;
  if (ReadFile(Win(file), buffer, static_cast<DWORD>(std::min(n, kLargestCall)), &got, nullptr))
    return got;
  // A pipe whose writer has closed it has ended.
  if (GetLastError() == ERROR_BROKEN_PIPE || GetLastError() == ERROR_HANDLE_EOF) return 0;
  Failed();
  return -1;
}

Handle OpenForWriting(const std::string& name, bool truncate) {
  HANDLE file =
      OpenHandle(name, GENERIC_READ | GENERIC_WRITE, truncate ? CREATE_ALWAYS : OPEN_ALWAYS);
  if (file == INVALID_HANDLE_VALUE) errno = OpenFailure(name);
  return Ours(file);
}

std::optional<KeptAttributes> AttributesToKeep(const std::string& name) {
  DWORD attributes = GetFileAttributesW(Wide(name).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return std::nullopt;
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) throw FileError(FileOperation::Create, name, EISDIR);
  HANDLE file = OpenHandle(name, FILE_READ_ATTRIBUTES, OPEN_EXISTING);
  bool device = file != INVALID_HANDLE_VALUE && GetFileType(file) != FILE_TYPE_DISK;
  if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  if (device) {
    throw RunTimeError(ErrorCode::AccessDenied,
                       "cannot create \"" + name + "\": not an ordinary file");
  }
  if (attributes & FILE_ATTRIBUTE_READONLY) throw FileError(FileOperation::Create, name, EACCES);
  // The replace itself keeps the attributes and the access control list, so
  // whoever could use the old file can use the new one: there is no owner to
  // give, and nothing to refuse.
  return KeptAttributes{};
}

bool GiveAttributes(Handle, const KeptAttributes&) {
  return true;
}

Handle OpenUnnamedBeside(const std::string&) {
  errno = EOPNOTSUPP;
  return kNoFile;
}

bool LinkUnnamed(Handle, const std::string&) {
  errno = EOPNOTSUPP;
  return false;
}

Handle CreateNew(const std::string& name, Permissions) {
  HANDLE file = OpenHandle(name, GENERIC_READ | GENERIC_WRITE, CREATE_NEW);
  if (file == INVALID_HANDLE_VALUE) Failed();
  return Ours(file);
}

int64_t ReadAt(Handle file, void* buffer, size_t n, int64_t offset) {
  size_t total = 0;
  while (total < n) {
    OVERLAPPED at = At(offset + static_cast<int64_t>(total));
    DWORD got = 0;
    DWORD want = static_cast<DWORD>(std::min(n - total, kLargestCall));
    if (!ReadFile(Win(file), static_cast<char*>(buffer) + total, want, &got, &at)) {
      if (GetLastError() == ERROR_HANDLE_EOF) break;
      Failed();
      return -1;
    }
    if (got == 0) break;
    total += got;
  }
  return static_cast<int64_t>(total);
}

bool WriteAt(Handle file, const void* buffer, size_t n, int64_t offset) {
  size_t total = 0;
  while (total < n) {
    OVERLAPPED at = At(offset + static_cast<int64_t>(total));
    DWORD put = 0;
    DWORD want = static_cast<DWORD>(std::min(n - total, kLargestCall));
    if (!WriteFile(Win(file), static_cast<const char*>(buffer) + total, want, &put, &at)) {
      return Failed();
    }
    if (put == 0) {
      errno = ENOSPC;
      return false;
    }
    total += put;
  }
  return true;
}

int64_t SizeOf(Handle file) {
  LARGE_INTEGER size{};
  return GetFileSizeEx(Win(file), &size) ? size.QuadPart : 0;
}

FileIdentity IdentityOf(Handle file) {
  return IdentityOfHandle(Win(file));
}

bool SetSize(Handle file, int64_t size) {
  FILE_END_OF_FILE_INFO end{};
  end.EndOfFile.QuadPart = size;
  return SetFileInformationByHandle(Win(file), FileEndOfFileInfo, &end, sizeof end) || Failed();
}

CopyResult CopyRange(Handle, int64_t, Handle, int64_t, int64_t) {
  return {CopyOutcome::Unsupported, 0, ENOSYS};
}

int ReserveSpace(Handle file, int64_t offset, int64_t length) {
  // An allocation below the size would cut the file: only growth is asked for.
  int64_t end = offset + length;
  if (end <= SizeOf(file)) return 0;
  FILE_ALLOCATION_INFO allocation{};
  allocation.AllocationSize.QuadPart = end;
  if (SetFileInformationByHandle(Win(file), FileAllocationInfo, &allocation, sizeof allocation)) {
    return 0;
  }
  int reason = ErrnoFromWin32(GetLastError());
  if (reason == ENOSPC) return reason;
  // Where the file system refuses to reserve, at least the free space must do.
  return EnoughFreeSpace(Win(file), length) ? 0 : ENOSPC;
}

bool SyncData(Handle file) {
  return FlushFileBuffers(Win(file)) || Failed();
}

bool Close(Handle file) {
  return CloseHandle(Win(file)) || Failed();
}

bool RemoveName(const std::string& name) {
  return DeleteFileW(Wide(name).c_str()) || Failed();
}

bool MoveIntoPlace(const std::string& temporaryName, const std::string& name) {
  // Full names: ReplaceFileW refuses some relative ones.
  std::wstring from = FullPathOf(Wide(temporaryName));
  std::wstring to = FullPathOf(Wide(name));
  DWORD oldAttributes = GetFileAttributesW(to.c_str());
  bool replacing = oldAttributes != INVALID_FILE_ATTRIBUTES;
  // Over an existing file, ReplaceFileW keeps its security; the file is
  // open in this or another program when only the last way works, and the
  // old handles keep the old file.
  bool moved =
      (replacing && ReplaceFileW(to.c_str(), from.c_str(), nullptr,
                                 REPLACEFILE_IGNORE_MERGE_ERRORS | REPLACEFILE_IGNORE_ACL_ERRORS,
                                 nullptr, nullptr)) ||
      MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
  DWORD error = GetLastError();
  if (!moved && !RenameOverOpenFile(from, to)) {
    errno = ErrnoFromWin32(error);
    return false;
  }
  // A hidden or system file stays one, whichever way the new file came in.
  constexpr DWORD kKept =
      FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
  DWORD newAttributes = GetFileAttributesW(to.c_str());
  if (replacing && newAttributes != INVALID_FILE_ATTRIBUTES &&
      (oldAttributes & kKept) != (newAttributes & kKept)) {
    SetFileAttributesW(to.c_str(), (newAttributes & ~kKept) | (oldAttributes & kKept));
  }
  return true;
}

bool SyncFolder(const std::string&) {
  // The rename was written through (MOVEFILE_WRITE_THROUGH); Windows has no
  // flush of a folder.
  return true;
}

// The mutex of a file or folder, named after its volume and index, so that
// every spelling of the name (relative, through a link, in other case) meets
// the same one.
Handle OpenForLock(const std::string& path) {
  std::optional<FileIdentity> file = vantor::IdentityOf(path);
  HANDLE mutex = nullptr;
  if (file) {
    std::wstring name = L"Local\\vantor-lock-" + std::to_wstring(file->device) + L"-" +
                        std::to_wstring(file->inode);
    mutex = CreateMutexW(nullptr, FALSE, name.c_str());
  }
  if (mutex != nullptr) return reinterpret_cast<Handle>(mutex);
  Failed();
  return kNoFile;
}

int TryLock(Handle lock) {
  // A run that ended without giving the mutex back (WAIT_ABANDONED) holds it
  // no longer.
  DWORD outcome = WaitForSingleObject(Win(lock), 0);
  if (outcome == WAIT_OBJECT_0 || outcome == WAIT_ABANDONED) return 1;
  if (outcome == WAIT_TIMEOUT) return 0;
  Failed();
  return -1;
}

void Unlock(Handle lock) {
  ReleaseMutex(Win(lock));  // refused, harmlessly, where it was not taken
  CloseHandle(Win(lock));
}

}  // namespace system

bool MayGiveOwner(uint32_t, uint32_t) {
  return true;
}

RunTimeError OwnerRefusal(const std::string& name) {
  return RunTimeError(ErrorCode::AccessDenied, "cannot replace \"" + name + "\"");
}

Permissions PermissionsForNewFile() {
  return 0;
}

bool UnnamedFilesUnsupported(int reason) {
  return reason == EOPNOTSUPP;
}

}  // namespace vantor::file_calls
