#include "os/file_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "base/run_time_error.h"
#include "os/platform.h"

namespace vantor {
namespace {

// A descriptor that is closed unless it is handed on: a wait that ends the
// program leaves no descriptor behind.
class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int Get() const { return fd_; }
  int Release() { return std::exchange(fd_, -1); }

 private:
  int fd_;
};

// Takes the lock if nobody holds it; false when another run does. The lock
// is never waited for inside the system: a wait there could not be ended by
// a key typed meanwhile, and a signal could come just before it began.
bool TryLock(int fd, const std::string& path) {
  int result;
  do {
    result = flock(fd, LOCK_EX | LOCK_NB);
  } while (result != 0 && errno == EINTR);
  if (result == 0) return true;
  if (errno == EWOULDBLOCK) return false;
  throw FileError(FileOperation::Open, path, errno);
}

// Whether the file locked through `fd` is still the one under `path`: a
// program that held the lock may have put a new file in its place, and a lock
// on the old one guards nothing.
bool StillUnderName(int fd, const std::string& path) {
  struct stat held {};
  struct stat named {};
  if (fstat(fd, &held) != 0 || stat(path.c_str(), &named) != 0) return true;
  return held.st_dev == named.st_dev && held.st_ino == named.st_ino;
}

}  // namespace

FileLock::FileLock(const std::string& path, const std::function<void()>& onWait,
                   const Pause& pause) {
  bool waited = false;
  for (;;) {
    Descriptor fd(open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (fd.Get() < 0) throw FileError(FileOperation::Open, path, errno);
    if (!TryLock(fd.Get(), path)) {
      if (!std::exchange(waited, true)) onWait();
      do {
        PauseBetweenTries(pause);
      } while (!TryLock(fd.Get(), path));
    }
    if (StillUnderName(fd.Get(), path)) {
      handle_ = fd.Release();
      return;
    }
  }
}

FileLock::~FileLock() {
  close(static_cast<int>(handle_));  // gives the lock back
}

}  // namespace vantor
