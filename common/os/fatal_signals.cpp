#include "os/fatal_signals.h"

#ifdef _WIN32
#include <windows.h>

#include "os/win32/support.h"
#else
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <cerrno>
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

// The job object of the child being waited for; 0 when there is none.
std::intptr_t gChildJob = 0;

void StopChild() {
  if (gChildJob == 0) return;
  HANDLE job = reinterpret_cast<HANDLE>(gChildJob);
  TerminateJobObject(job, 1);
  // Until every process of the job has ended, or a second has passed.
  JOBOBJECT_BASIC_ACCOUNTING_INFORMATION info{};
  for (int wait = 0; wait < 100; ++wait) {
    if (!QueryInformationJobObject(job, JobObjectBasicAccountingInformation, &info, sizeof info,
                                   nullptr) ||
        info.ActiveProcesses == 0) {
      break;
    }
    Sleep(10);
  }
  gChildJob = 0;
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

// The process group of the child being waited for (its leader's process
// ID); 0 when there is none.
volatile sig_atomic_t gChildGroup = 0;

// Killed, not asked: a hanging child must not hold this program up, and
// whatever it was writing is thrown away.
void StopChild() {
  pid_t group = static_cast<pid_t>(gChildGroup);
  if (group <= 0) return;
  kill(-group, SIGKILL);
  while (waitpid(group, nullptr, 0) < 0 && errno == EINTR) {
  }
  gChildGroup = 0;
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

void NoteChildProcess(std::intptr_t group) {
  InstallHandlersOnce();
#ifdef _WIN32
  FatalSignalsHeld held;
  gChildJob = group;
#else
  gChildGroup = static_cast<sig_atomic_t>(group);
#endif
}

void ForgetChildProcess() {
#ifdef _WIN32
  FatalSignalsHeld held;
  gChildJob = 0;
#else
  gChildGroup = 0;
#endif
}

void RemoveTemporaryNames() {
#ifdef _WIN32
  FatalSignalsHeld held;
#endif
  StopChild();
  for (Slot& slot : gSlots) {
    if (!slot.used) continue;
    RemoveName(slot.name);
    slot.used = 0;
  }
}

}  // namespace vantor
