#include <windows.h>

#include "os/fatal_signals.h"
#include "os/fatal_signals_system.h"
#include "os/win32/support.h"

namespace vantor {
namespace {

// Taken by FatalSignalsHeld and by the cleanups, which run in the console
// handler's own thread.
CRITICAL_SECTION* Guard() {
  static CRITICAL_SECTION* guard = [] {
    static CRITICAL_SECTION section;
    InitializeCriticalSection(&section);
    return &section;
  }();
  return guard;
}

// The job object of the child being waited for; 0 when there is none.
std::intptr_t gChildJob = 0;

// Closing the window, logging off, shutting down and Ctrl+Break end the
// program without unwinding it: the cleanups run here, and the next handler
// (or the system's, which ends the process) then has the event. Ctrl+C that
// the console hands on as its key is no end.
BOOL WINAPI CleanUpAtConsoleEvent(DWORD event) {
  if (event == CTRL_C_EVENT && fatal_signal_parts::PassInterruptOnAsKey()) return TRUE;
  RunFatalCleanups();
  return FALSE;
}

}  // namespace

void fatal_signal_parts::InstallHandlersOnce() {
  static bool installed = false;
  if (installed) return;
  installed = true;
  SetConsoleCtrlHandler(CleanUpAtConsoleEvent, TRUE);
}

void fatal_signal_parts::StopChild() {
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

void fatal_signal_parts::RemoveName(const char* name) {
  DeleteFileW(Wide(name).c_str());
}

FatalSignalsHeld::FatalSignalsHeld() {
  EnterCriticalSection(Guard());
}

FatalSignalsHeld::~FatalSignalsHeld() {
  LeaveCriticalSection(Guard());
}

void NoteChildProcess(std::intptr_t group) {
  fatal_signal_parts::InstallHandlersOnce();
  FatalSignalsHeld held;
  gChildJob = group;
}

void ForgetChildProcess() {
  FatalSignalsHeld held;
  gChildJob = 0;
}

}  // namespace vantor
