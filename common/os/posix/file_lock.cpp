#include "os/file_lock.h"

#include <cerrno>
#include <optional>
#include <utility>

#include "base/run_time_error.h"
#include "os/file_calls.h"
#include "os/platform.h"

namespace vantor {
namespace {

using file_calls::Calls;

// A lock's handle that is given back unless it is handed on: a wait that
// ends the program leaves no descriptor behind.
class LockHandle {
 public:
  explicit LockHandle(file_calls::Handle handle) : handle_(handle) {}
  ~LockHandle() {
    if (handle_ != file_calls::kNoFile) Calls().unlock(handle_);
  }
  LockHandle(const LockHandle&) = delete;
  LockHandle& operator=(const LockHandle&) = delete;
  file_calls::Handle Get() const { return handle_; }
  file_calls::Handle Release() { return std::exchange(handle_, file_calls::kNoFile); }

 private:
  file_calls::Handle handle_;
};

// Takes the lock if nobody holds it; false when another run does. The lock
// is never waited for inside the system: a wait there could not be ended by
// a key typed meanwhile, and a signal could come just before it began.
bool TryLock(file_calls::Handle lock, const std::string& path) {
  int taken = Calls().tryLock(lock);
  if (taken < 0) throw FileError(FileOperation::Open, path, errno);
  return taken == 1;
}

// Whether the file locked is still the one under `path`: a program that held
// the lock may have put a new file in its place, and a lock on the old one
// guards nothing.
bool StillUnderName(file_calls::Handle lock, const std::string& path) {
  FileIdentity held = Calls().identityOf(lock);
  std::optional<FileIdentity> named = IdentityOf(path);
  return held == FileIdentity{} || !named || held == *named;
}

}  // namespace

FileLock::FileLock(const std::string& path, const std::function<void()>& onWait,
                   const Pause& pause) {
  bool waited = false;
  for (;;) {
    LockHandle lock(Calls().openForLock(path));
    if (lock.Get() == file_calls::kNoFile) throw FileError(FileOperation::Open, path, errno);
    if (!TryLock(lock.Get(), path)) {
      if (!std::exchange(waited, true)) onWait();
      do {
        PauseBetweenTries(pause);
      } while (!TryLock(lock.Get(), path));
    }
    if (StillUnderName(lock.Get(), path)) {
      handle_ = lock.Release();
      return;
    }
  }
}

FileLock::~FileLock() {
  Calls().unlock(handle_);
}

}  // namespace vantor
