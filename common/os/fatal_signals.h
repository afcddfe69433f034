// Named temporary files that a fatal signal must not leave behind. A file
// that replaces another is written under a temporary name and renamed into
// place when whole; a signal in between would leave that name on the disk,
// so it is noted here, and the handler of SIGTERM, SIGHUP, SIGINT, SIGQUIT
// and SIGPIPE (on Windows: of Ctrl+C, Ctrl+Break and the console's closing)
// removes every name noted before the program ends.
#pragma once

#include <csignal>
#include <cstdint>
#include <string>

namespace vantor {

// Holds back the fatal signals while alive, so that creating a temporary
// name and noting it (or renaming it and forgetting it) is one step. On
// Windows, where the console's handler runs in a thread of its own, it
// holds that handler back instead.
class FatalSignalsHeld {
 public:
  FatalSignalsHeld();
  ~FatalSignalsHeld();
  FatalSignalsHeld(const FatalSignalsHeld&) = delete;
  FatalSignalsHeld& operator=(const FatalSignalsHeld&) = delete;

 private:
#ifndef _WIN32
  sigset_t previous_;
#endif
};

// Notes a name for removal at a fatal signal; the slot to forget it by, or
// -1 when every slot is taken (the name is then not removed).
int NoteTemporaryName(const std::string& name);
void ForgetTemporaryName(int slot);

// Notes the child process that StartProgramAndWait waits for (on POSIX its
// process group, on Windows its job object), which may be writing a noted
// name: a fatal signal stops it before the names are removed, so that it
// cannot make them again and does not outlive this program.
void NoteChildProcess(std::intptr_t group);
void ForgetChildProcess();

// Stops the noted child, then removes every name noted. Safe inside a
// signal handler; the terminal's own handler (on Windows the console's)
// calls it too.
void RemoveTemporaryNames();

}  // namespace vantor
