#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

#include "os/fatal_signals.h"
#include "os/fatal_signals_system.h"

namespace vantor {
namespace {

constexpr int kFatalSignals[] = {SIGTERM, SIGHUP, SIGINT, SIGQUIT, SIGPIPE};

// The process group of the child being waited for (its leader's process
// ID); 0 when there is none.
volatile sig_atomic_t gChildGroup = 0;

sigset_t FatalSet() {
  sigset_t set;
  sigemptyset(&set);
  for (int signalNumber : kFatalSignals)
    sigaddset(&set, signalNumber);
  return set;
}

// The cleanups, then the signal's own end of the program. Every fatal
// signal is held back meanwhile, so that a second one cannot cut the
// cleanups short.
void CleanUpAndEnd(int signalNumber) {
  RunFatalCleanups();
  std::signal(signalNumber, SIG_DFL);
  std::raise(signalNumber);
}

}  // namespace

// A signal ignored from the start (nohup, a background job) stays ignored:
// it cannot end the program, so there is nothing to clean up after it.
void fatal_signal_parts::InstallHandlersOnce() {
  static bool installed = false;
  if (installed) return;
  installed = true;
  for (int signalNumber : kFatalSignals) {
    struct sigaction current {};
    sigaction(signalNumber, nullptr, &current);
    if (current.sa_handler == SIG_IGN) continue;
    struct sigaction action {};
    action.sa_handler = CleanUpAndEnd;
    action.sa_mask = FatalSet();
    sigaction(signalNumber, &action, nullptr);
  }
}

// Killed, not asked: a hanging child must not hold this program up, and
// whatever it was writing is thrown away.
void fatal_signal_parts::StopChild() {
  pid_t group = static_cast<pid_t>(gChildGroup);
  if (group <= 0) return;
  kill(-group, SIGKILL);
  while (waitpid(group, nullptr, 0) < 0 && errno == EINTR) {
  }
  gChildGroup = 0;
}

void fatal_signal_parts::RemoveName(const char* name) {
  unlink(name);
}

FatalSignalsHeld::FatalSignalsHeld() {
  sigset_t set = FatalSet();
  sigprocmask(SIG_BLOCK, &set, &previous_);
}

FatalSignalsHeld::~FatalSignalsHeld() {
  sigprocmask(SIG_SETMASK, &previous_, nullptr);
}

void NoteChildProcess(std::intptr_t group) {
  fatal_signal_parts::InstallHandlersOnce();
  gChildGroup = static_cast<sig_atomic_t>(group);
}

void ForgetChildProcess() {
  gChildGroup = 0;
}

}  // namespace vantor
