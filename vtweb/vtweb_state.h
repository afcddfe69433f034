// vtweb's state: the one file it shows, the address it serves on, the
// secret every request must carry, and how its writes take the file's lock.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#include "shown_file.h"

namespace vantor::vtweb {

// How long a write waits for another program to give the file's lock back
// before the request is answered 503.
inline constexpr std::chrono::milliseconds kLockPatience{10000};

struct VtwebState {
  std::shared_ptr<const ShownFile> Shown;  // the file, as typed, and its kind
  uint16_t Port = 0;                       // the port listened on, once it is known
  std::string Secret;                      // 32 hex digits, made at start
  std::chrono::milliseconds LockPatience = kLockPatience;
  // How much longer every write keeps the file's lock: set from
  // VTWEB_TEST_HOLD_LOCK_MS at start, so that a test can show another
  // program waiting for a save; 0 otherwise.
  std::chrono::milliseconds HoldLock{0};
};

}  // namespace vantor::vtweb
