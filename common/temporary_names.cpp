#include "temporary_names.h"

#include <unistd.h>

#include <climits>
#include <csignal>
#include <cstring>

namespace vantor {
namespace {

constexpr int kFatalSignals[] = {SIGTERM, SIGHUP, SIGINT, SIGQUIT, SIGPIPE};

// Fixed storage: the handler may neither allocate nor take locks.
struct Slot {
  volatile sig_atomic_t used = 0;
  char name[PATH_MAX] = {};
};
constexpr int kSlots = 8;
Slot gSlots[kSlots];
bool gHandlersInstalled = false;

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

}  // namespace

FatalSignalsHeld::FatalSignalsHeld() {
  sigset_t set = FatalSet();
  sigprocmask(SIG_BLOCK, &set, &previous_);
}

FatalSignalsHeld::~FatalSignalsHeld() {
  sigprocmask(SIG_SETMASK, &previous_, nullptr);
}

int NoteTemporaryName(const std::string& name) {
  InstallHandlersOnce();
  if (name.size() >= PATH_MAX) return -1;
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
  for (Slot& slot : gSlots) {
    if (!slot.used) continue;
    unlink(slot.name);
    slot.used = 0;
  }
}

}  // namespace vantor
