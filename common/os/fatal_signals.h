// What a fatal signal must not leave behind. SIGTERM, SIGHUP, SIGINT,
// SIGQUIT and SIGPIPE (on Windows: Ctrl+C, Ctrl+Break, the console's closing,
// logging off and shutting down) end the program without unwinding it; this
// module alone handles them, and runs a fixed list of cleanups in a fixed
// order before the program ends:
//   1. the noted child process is stopped, so that it can neither make a
//      noted name again nor outlive this program;
//   2. the noted temporary names are removed (a file that replaces another
//      is written under a temporary name and renamed into place when whole);
//   3. the console layer's restore hook gives the terminal back.
// A signal that the program was started with ignored stays ignored.
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
// process group, on Windows its job object).
void NoteChildProcess(std::intptr_t group);
void ForgetChildProcess();

// How the console gives the terminal back at a fatal signal. It runs inside
// the signal handler (on Windows in the console handler's thread): only
// async-signal-safe calls, and nothing that it must set up on the spot.
using TerminalRestore = void (*)();
// Where the interrupt key comes as an event although the console takes it as
// a key (a Windows console on a Unix terminal): puts it back into the input
// as that key; true when it did, and the program goes on.
using InterruptAsKey = bool (*)();

// Registers the console's hooks, replacing any registered before; null
// hooks register none.
void RegisterTerminalRestore(TerminalRestore restore, InterruptAsKey interrupt = nullptr);

// Every cleanup above, in its order. Safe inside a signal handler; called by
// the handler, and by tests.
void RunFatalCleanups();

}  // namespace vantor
