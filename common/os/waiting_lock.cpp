#include "os/waiting_lock.h"

#include "base/text_format.h"

namespace vantor {

FileLock LockOrSayWaiting(const std::string& path, WaitOutput& out, WaitLine line) {
  auto sayWaiting = [&] {
    const std::string text =
        "waiting for another program to finish with " + PrintableName(path) + "...";
    if (line == WaitLine::OpenBelow) {
      out.WriteLn();
      out.Write(text);
    } else {
      if (line == WaitLine::OwnLine) out.EndOpenLine();
      out.WriteLine(text);
    }
    out.ShowNow();
  };
  return FileLock(path, sayWaiting,
                  [&out](std::chrono::milliseconds time) { out.AwaitOtherProgram(time); });
}

}  // namespace vantor
