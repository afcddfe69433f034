// An advisory lock on a file or folder for the length of a piece of work
// that other runs of the tools must not do at the same time: those that take
// the same lock wait until it is given back. Programs that do not ask for
// the lock are not held back.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace vantor {

class FileLock {
 public:
  // Takes the lock on `path` (a file or a folder), waiting as long as
  // another run holds it; `onWait` is called once before such a wait. When
  // the run that held it put a new file under `path`, the lock is taken on
  // the new file. A run-time error when `path` cannot be opened.
  FileLock(const std::string& path, const std::function<void()>& onWait);
  ~FileLock();
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

 private:
  // A descriptor, or on Windows a named mutex's handle.
  std::intptr_t handle_ = -1;
};

}  // namespace vantor
