#include "file_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "run_time_error.h"

namespace vantor {
namespace {

int LockWaiting(int fd, int how) {
  int result;
  do {
    result = flock(fd, how);
  } while (result != 0 && errno == EINTR);
  return result;
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

FileLock::FileLock(const std::string& path, const std::function<void()>& onWait) {
  bool waited = false;
  for (;;) {
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) throw FileError(FileOperation::Open, path, errno);
    handle_ = fd;
    int locked = LockWaiting(fd, LOCK_EX | LOCK_NB);
    if (locked != 0 && errno == EWOULDBLOCK) {
      if (!std::exchange(waited, true)) onWait();
      locked = LockWaiting(fd, LOCK_EX);
    }
    if (locked != 0) {
      int reason = errno;
      close(fd);
      throw FileError(FileOperation::Open, path, reason);
    }
    if (StillUnderName(fd, path)) return;
    close(fd);
  }
}

FileLock::~FileLock() {
  close(static_cast<int>(handle_));  // gives the lock back
}

}  // namespace vantor
