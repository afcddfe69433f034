// The lock on Windows: a named mutex, named after the file's or folder's
// volume and index, so that every spelling of the name (relative, through a
// link, in other case) meets the same one. The lock holds no handle on the
// file itself: Windows will not put a new file under a name while any
// program has the old one open, and the holder of the lock is exactly the
// program that may want to (an insert, an import).
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

[[noreturn]] void Fail(const std::string& path, HANDLE toClose) {
  int reason = ErrnoFromWin32(GetLastError());
  if (toClose != nullptr) CloseHandle(toClose);
  throw FileError(FileOperation::Open, path, reason);
}

// What names the file or folder under `path` now, or nothing when it cannot
// be opened.
std::optional<BY_HANDLE_FILE_INFORMATION> InformationOf(const std::string& path) {
  HANDLE handle = CreateFileW(Wide(path).c_str(), 0, kShareAll, nullptr, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return std::nullopt;
  BY_HANDLE_FILE_INFORMATION info{};
  bool known = GetFileInformationByHandle(handle, &info);
  CloseHandle(handle);
  if (!known) return std::nullopt;
  return info;
}

bool SameFile(const BY_HANDLE_FILE_INFORMATION& a, const BY_HANDLE_FILE_INFORMATION& b) {
  return a.dwVolumeSerialNumber == b.dwVolumeSerialNumber && a.nFileIndexHigh == b.nFileIndexHigh &&
         a.nFileIndexLow == b.nFileIndexLow;
}

std::wstring MutexName(const BY_HANDLE_FILE_INFORMATION& info) {
  return L"Local\\vantor-lock-" + std::to_wstring(info.dwVolumeSerialNumber) + L"-" +
         std::to_wstring(info.nFileIndexHigh) + L"-" + std::to_wstring(info.nFileIndexLow);
}

// Takes the mutex of the file or folder `info` names, waiting as long as
// another run holds it.
HANDLE TakeMutex(const BY_HANDLE_FILE_INFORMATION& info, const std::string& path,
                 const std::function<void()>& onWait, bool& waited) {
  HANDLE mutex = CreateMutexW(nullptr, FALSE, MutexName(info).c_str());
  if (mutex == nullptr) Fail(path, nullptr);
  // A run that ended without giving the mutex back (WAIT_ABANDONED) holds it
  // no longer.
  DWORD outcome = WaitForSingleObject(mutex, 0);
  if (outcome == WAIT_TIMEOUT) {
    if (!std::exchange(waited, true)) onWait();
    outcome = WaitForSingleObject(mutex, INFINITE);
  }
  if (outcome != WAIT_OBJECT_0 && outcome != WAIT_ABANDONED) Fail(path, mutex);
  return mutex;
}

}  // namespace

FileLock::FileLock(const std::string& path, const std::function<void()>& onWait) {
  bool waited = false;
  for (;;) {
    auto locked = InformationOf(path);
    if (!locked) Fail(path, nullptr);
    HANDLE mutex = TakeMutex(*locked, path, onWait, waited);
    // The run that held the lock may have put a new file under the name;
    // that one is the file to lock.
    auto now = InformationOf(path);
    if (!now || SameFile(*locked, *now)) {
      handle_ = reinterpret_cast<std::intptr_t>(mutex);
      return;
    }
    ReleaseMutex(mutex);
    CloseHandle(mutex);
  }
}

FileLock::~FileLock() {
  HANDLE mutex = reinterpret_cast<HANDLE>(handle_);
  ReleaseMutex(mutex);
  CloseHandle(mutex);
}

}  // namespace vantor
