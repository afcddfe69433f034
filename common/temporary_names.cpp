#include "temporary_names.h"

#ifdef _WIN32
#include <windows.h>

#include "win32_support.h"
#else
#include <unistd.h>
#endif

#include <csignal>
#include <cstring>

namespace vantor {
namespace {

// Fixed storage: the handler may neither allocate nor take locks.
constexpr size_t kLongestName = 4096;
struct Slot {
  volatile sig_atomic_t used = 0;
  char name[kLongestName] = {};
};
constexpr int kSlots = 8;
Slot gSlots[kSlots];
bool gHandlersInstalled = false;

#ifdef _WIN32

// Taken by FatalSignalsHeld and by the removal, which runs in the console
// handler's own thread.
CRITICAL_SECTION* Guard() {
  static CRITICAL_SECTION* guard = [] {
    static CRITICAL_SECTION section;
    InitializeCriticalSection(&section);
    return &section;
  }();
  return guard;
}

void RemoveName(const char* name) {
  DeleteFileW(Wide(name).c_str());
}

// Removes the names, then lets the next handler (or the system's, which ends
// the program) have the event.
BOOL WINAPI RemoveAtConsoleEvent(DWORD) {
  RemoveTemporaryNames();
  return FALSE;
}

void InstallHandlersOnce() {
  if (gHandlersInstalled) return;
  gHandlersInstalled = true;
  SetConsoleCtrlHandler(RemoveAtConsoleEvent, TRUE);
}

#else

constexpr int kFatalSignals[] = {SIGTERM, SIGHUP, SIGINT, SIGQUIT, SIGPIPE};

void RemoveName(const char* name) {
  unlink(name);
}

void RemoveAndEnd(int signalNumber) {
  RemoveTemporaryNames();
  std::signal(signalNumber, SIG_DFL);
  std::raise(signalNumber);
}

// Only where nobody else handles the signal: a program that has its own
// handler (the terminal's) calls RemoveTemporaryNames from there.
void InstallHandlersOnce() {
  if (gHandlersInstalled) return;
  gHandlersInstalled = true;
  for (int signalNumber : kFatalSignals) {
    struct sigaction current {};
    sigaction(signalNumber, nullptr, &current);
    if (current.sa_handler != SIG_DFL) continue;
    struct sigaction action {};
    action.sa_handler = RemoveAndEnd;
    sigemptyset(&action.sa_mask);
    sigaction(signalNumber, &action, nullptr);
  }
}

sigset_t FatalSet() {
  sigset_t set;
  sigemptyset(&set);
  for (int signalNumber : kFatalSignals)
    sigaddset(&set, signalNumber);
  return set;
}

#endif

}  // namespace

#ifdef _WIN32

FatalSignalsHeld::FatalSignalsHeld() {
  EnterCriticalSection(Guard());
}

FatalSignalsHeld::~FatalSignalsHeld() {
  LeaveCriticalSection(Guard());
}

#else

FatalSignalsHeld::FatalSignalsHeld() {
  sigset_t set = FatalSet();
  sigprocmask(SIG_BLOCK, &set, &previous_);
}

FatalSignalsHeld::~FatalSignalsHeld() {
  sigprocmask(SIG_SETMASK, &previous_, nullptr);
}

#endif

int NoteTemporaryName(const std::string& name) {
  InstallHandlersOnce();
  if (name.size() >= kLongestName) return -1;
  for (int i = 0; i < kSlots; ++i) {
    if (gSlots[i].used) continue;
    std::memcpy(gSlots[i].name, name.c_str(), name.size() + 1);
    gSlots[i].used = 1;
    return i;
  }
  return -1;
}

void ForgetTemporaryName(int slot) {
  if (slot >= 0 && slot < kSlots) gSlots[slot].used = 0;
}

void RemoveTemporaryNames() {
#ifdef _WIN32
  FatalSignalsHeld held;
#endif
  for (Slot& slot : gSlots) {
    if (!slot.used) continue;
    RemoveName(slot.name);
    slot.used = 0;
  }
}

}  // namespace vantor
