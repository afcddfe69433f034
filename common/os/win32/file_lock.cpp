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

#include "base/run_time_error.h"
#include "os/file_lock.h"
#include "os/platform.h"
#include "os/win32/support.h"

namespace vantor {
namespace {

[[noreturn]] void Fail(const std::string& path, HANDLE toClose) {
  int reason = ErrnoFromWin32(GetLastError());
  if (toClose != nullptr) CloseHandle(toClose);
  throw FileError(FileOperation::Open, path, reason);
}

std::wstring MutexName(const FileIdentity& file) {
  return L"Local\\vantor-lock-" + std::to_wstring(file.device) + L"-" + std::to_wstring(file.inode);
}

// Takes the mutex of `file`, waiting as long as another run holds it. The
// wait is made of short tries, so that the pause between them can end the
// program (Ctrl+C typed meanwhile).
HANDLE TakeMutex(const FileIdentity& file, const std::string& path,
                 const std::function<void()>& onWait, const FileLock::Pause& pause, bool& waited) {
  HANDLE mutex = CreateMutexW(nullptr, FALSE, MutexName(file).c_str());
  if (mutex == nullptr) Fail(path, nullptr);
  try {
    // A run that ended without giving the mutex back (WAIT_ABANDONED) holds
    // it no longer.
    DWORD outcome = WaitForSingleObject(mutex, 0);
    if (outcome == WAIT_TIMEOUT && !std::exchange(waited, true)) onWait();
    while (outcome == WAIT_TIMEOUT) {
      PauseBetweenTries(pause);
      outcome = WaitForSingleObject(mutex, 0);
    }
    if (outcome != WAIT_OBJECT_0 && outcome != WAIT_ABANDONED) Fail(path, nullptr);
  } catch (...) {
    CloseHandle(mutex);
    throw;
  }
  return mutex;
}

}  // namespace

FileLock::FileLock(const std::string& path, const std::function<void()>& onWait,
                   const Pause& pause) {
  bool waited = false;
  for (;;) {
    std::optional<FileIdentity> locked = IdentityOf(path);
    if (!locked) Fail(path, nullptr);
    HANDLE mutex = TakeMutex(*locked, path, onWait, pause, waited);
    // The run that held the lock may have put a new file under the name;
    // that one is the file to lock.
    std::optional<FileIdentity> now = IdentityOf(path);
    if (!now || *now == *locked) {
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
