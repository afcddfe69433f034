// The lock on Windows: a named mutex, named after the file's or folder's
// volume and index (file_calls' openForLock). The lock holds no handle on the
// file itself: Windows will not put a new file under a name while any
// program has the old one open, and the holder of the lock is exactly the
// program that may want to (an insert, an import).
#include <windows.h>

#include <optional>
#include <string>
#include <utility>

#include "base/run_time_error.h"
#include "os/file_calls.h"
#include "os/file_lock.h"
#include "os/platform.h"
#include "os/win32/support.h"

namespace vantor {
namespace {

using file_calls::Calls;

// Takes the mutex of the file under `path`, waiting as long as another run
// holds it. The wait is made of short tries, so that the pause between them
// can end the program (Ctrl+C typed meanwhile).
file_calls::Handle TakeMutex(const std::string& path, const std::function<void()>& onWait,
                             const FileLock::Pause& pause, bool& waited) {
  file_calls::Handle mutex = Calls().openForLock(path);
  if (mutex == file_calls::kNoFile) throw FileError(FileOperation::Open, path, errno);
  try {
    int taken = Calls().tryLock(mutex);
    if (taken == 0 && !std::exchange(waited, true)) onWait();
    while (taken == 0) {
      PauseBetweenTries(pause);
      taken = Calls().tryLock(mutex);
    }
    if (taken < 0) throw FileError(FileOperation::Open, path, errno);
  } catch (...) {
    Calls().unlock(mutex);
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
    if (!locked) throw FileError(FileOperation::Open, path, ErrnoFromWin32(GetLastError()));
    file_calls::Handle mutex = TakeMutex(path, onWait, pause, waited);
    // The run that held the lock may have put a new file under the name;
    // that one is the file to lock.
    std::optional<FileIdentity> now = IdentityOf(path);
    if (!now || *now == *locked) {
      handle_ = mutex;
      return;
    }
    Calls().unlock(mutex);
  }
}

FileLock::~FileLock() {
  Calls().unlock(handle_);
}

}  // namespace vantor
