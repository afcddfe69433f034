#include "os/fatal_signals.h"

#include <atomic>
#include <cstring>

#include "os/fatal_signals_system.h"

namespace vantor {
namespace {

using namespace fatal_signal_parts;

// Fixed storage: the handler may neither allocate nor take locks.
constexpr size_t kLongestName = 4096;
struct Slot {
  volatile sig_atomic_t used = 0;
  char name[kLongestName] = {};
};
constexpr int kSlots = 8;
Slot gSlots[kSlots];

std::atomic<TerminalRestore> gRestore{nullptr};
std::atomic<InterruptAsKey> gInterrupt{nullptr};
static_assert(std::atomic<TerminalRestore>::is_always_lock_free,
              "a signal handler reads the hooks");

void RemoveNotedNames() {
  for (Slot& slot : gSlots) {
    if (!slot.used) continue;
    RemoveName(slot.name);
    slot.used = 0;
  }
}

}  // namespace

bool fatal_signal_parts::PassInterruptOnAsKey() {
  InterruptAsKey interrupt = gInterrupt.load();
  return interrupt != nullptr && interrupt();
}

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

void RegisterTerminalRestore(TerminalRestore restore, InterruptAsKey interrupt) {
  InstallHandlersOnce();
  gRestore = restore;
  gInterrupt = interrupt;
}

void RunFatalCleanups() {
  FatalSignalsHeld held;
  StopChild();
  RemoveNotedNames();
  if (TerminalRestore restore = gRestore.load()) restore();
}

}  // namespace vantor
