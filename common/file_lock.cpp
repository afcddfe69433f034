#include "file_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

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

}  // namespace

FileLock::FileLock(const std::string& path, const std::function<void()>& onWait) {
  fd_ = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd_ < 0) throw FileError(FileOperation::Open, path, errno);
  if (LockWaiting(fd_, LOCK_EX | LOCK_NB) == 0) return;
  if (errno == EWOULDBLOCK) {
    onWait();
    if (LockWaiting(fd_, LOCK_EX) == 0) return;
  }
  int reason = errno;
  close(fd_);
  throw FileError(FileOperation::Open, path, reason);
}

FileLock::~FileLock() {
  close(fd_);  // gives the lock back
}

}  // namespace vantor
