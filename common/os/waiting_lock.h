// A FileLock that says on the program's output why the program waits, when
// another program holds what it locks, and spends the wait as that output
// does.
#pragma once

#include <string>

#include "base/text_io.h"
#include "os/file_lock.h"

namespace vantor {

// Where "waiting for another program to finish with NAME..." goes among the
// program's lines.
enum class WaitLine {
  Ended,      // at the cursor, the line then ended
  OwnLine,    // a line begun is ended first, then as Ended
  OpenBelow,  // on a new line, the cursor left at its end
};

// Takes the lock on `path` as FileLock does; before waiting for another
// program it says so on `out` (the name printable) and shows it at once,
// and pauses between the tries with `out`'s AwaitOtherProgram.
FileLock LockOrSayWaiting(const std::string& path, WaitOutput& out,
                          WaitLine line = WaitLine::Ended);

}  // namespace vantor
