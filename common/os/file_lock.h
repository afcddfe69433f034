// An advisory lock on a file or folder for the length of a piece of work
// that other runs of the tools must not do at the same time: those that take
// the same lock wait until it is given back. Programs that do not ask for
// the lock are not held back.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>

namespace vantor {

// How long a run that waits for a lock pauses between two tries to take it.
inline constexpr std::chrono::milliseconds kLockRetryPause{100};

class FileLock {
 public:
  // Pauses a waiting run for a while; it may end the program instead (the
  // screen programs end when Ctrl+C is typed meanwhile).
  using Pause = std::function<void(std::chrono::milliseconds)>;

  // Takes the lock on `path` (a file or a folder), waiting as long as
  // another run holds it; `onWait` is called once before such a wait, and
  // `pause` between the tries (without one the run just sleeps). When the run
  // that held it put a new file under `path`, the lock is taken on the new
  // file. A run-time error when `path` cannot be opened.
  FileLock(const std::string& path, const std::function<void()>& onWait, const Pause& pause = {});
  ~FileLock();
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

 private:
  // A descriptor, or on Windows a named mutex's handle.
  std::intptr_t handle_ = -1;
};

// What a waiting run does between two tries: its own pause, or a sleep.
inline void PauseBetweenTries(const FileLock::Pause& pause) {
  if (pause) {
    pause(kLockRetryPause);
  } else {
    std::this_thread::sleep_for(kLockRetryPause);
  }
}

}  // namespace vantor
