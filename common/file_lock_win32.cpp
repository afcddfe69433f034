// The lock on Windows. A file is locked with LockFileEx on one byte far past
// any end a file of the tools reaches: Windows' locks keep every other
// handle from the bytes they cover, even this program's own. A folder
// cannot be locked; a named mutex stands in, named after the folder's
// volume and index so that every spelling of the folder meets the same one.
#include <windows.h>

#include <optional>
#include <string>
#include <utility>

#include "file_lock.h"
#include "run_time_error.h"
#include "win32_text.h"

namespace vantor {
namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
constexpr DWORD kLockedByteHigh = 0x40000000;  // at 2^62

OVERLAPPED LockedByte() {
  OVERLAPPED at{};
  at.OffsetHigh = kLockedByteHigh;
  return at;
}

std::optional<BY_HANDLE_FILE_INFORMATION> InformationOf(HANDLE handle) {
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(handle, &info)) return std::nullopt;
  return info;
}

bool SameFile(const BY_HANDLE_FILE_INFORMATION& a, const BY_HANDLE_FILE_INFORMATION& b) {
  return a.dwVolumeSerialNumber == b.dwVolumeSerialNumber && a.nFileIndexHigh == b.nFileIndexHigh &&
         a.nFileIndexLow == b.nFileIndexLow;
}

// Whether the file locked through `file` is still the one under `path`: a
// program that held the lock may have put a new file in its place.
bool StillUnderName(HANDLE file, const std::string& path) {
  HANDLE named = CreateFileW(Wide(path).c_str(), 0, kShareAll, nullptr, OPEN_EXISTING,
                             FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (named == INVALID_HANDLE_VALUE) return true;
  auto held = InformationOf(file);
  auto now = InformationOf(named);
  CloseHandle(named);
  return !held || !now || SameFile(*held, *now);
}

[[noreturn]] void Fail(const std::string& path, HANDLE toClose) {
  int reason = ErrnoFromWin32(GetLastError());
  if (toClose != nullptr) CloseHandle(toClose);
  throw FileError(FileOperation::Open, path, reason);
}

// Takes the folder's mutex, waiting as long as another run holds it.
HANDLE LockFolder(const BY_HANDLE_FILE_INFORMATION& folder, const std::string& path,
                  const std::function<void()>& onWait) {
  std::wstring name = L"Local\\vantor-folder-" + std::to_wstring(folder.dwVolumeSerialNumber) +
                      L"-" + std::to_wstring(folder.nFileIndexHigh) + L"-" +
                      std::to_wstring(folder.nFileIndexLow);
  HANDLE mutex = CreateMutexW(nullptr, FALSE, name.c_str());
  if (mutex == nullptr) Fail(path, nullptr);
  // A run that ended without giving the mutex back (WAIT_ABANDONED) holds it
  // no longer.
  DWORD waited = WaitForSingleObject(mutex, 0);
  if (waited == WAIT_TIMEOUT) {
    onWait();
    waited = WaitForSingleObject(mutex, INFINITE);
  }
  if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED) Fail(path, mutex);
  return mutex;
}

}  // namespace

FileLock::FileLock(const std::string& path, const std::function<void()>& onWait) {
  bool waited = false;
  for (;;) {
    HANDLE file = CreateFileW(Wide(path).c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) Fail(path, nullptr);
    auto info = InformationOf(file);
    if (!info) Fail(path, file);
    if (info->dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      CloseHandle(file);
      handle_ = reinterpret_cast<std::intptr_t>(LockFolder(*info, path, onWait));
      isMutex_ = true;
      return;
    }
    OVERLAPPED at = LockedByte();
    if (!LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at)) {
      if (GetLastError() != ERROR_LOCK_VIOLATION) Fail(path, file);
      if (!std::exchange(waited, true)) onWait();
      at = LockedByte();
      if (!LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &at)) Fail(path, file);
    }
    if (StillUnderName(file, path)) {
      handle_ = reinterpret_cast<std::intptr_t>(file);
      return;
    }
    CloseHandle(file);
  }
}

FileLock::~FileLock() {
  HANDLE handle = reinterpret_cast<HANDLE>(handle_);
  if (isMutex_) {
    ReleaseMutex(handle);
  } else {
    OVERLAPPED at = LockedByte();
    UnlockFileEx(handle, 0, 1, 0, &at);
  }
  CloseHandle(handle);
}

}  // namespace vantor
