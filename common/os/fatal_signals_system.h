// Between the fatal-signal module and each system's part of it
// (os/posix/fatal_signals.cpp, os/win32/fatal_signals.cpp). Internal to the
// module.
#pragma once

namespace vantor::fatal_signal_parts {

// Each system's part: the one place that installs the handlers, once.
void InstallHandlersOnce();
// Stops the noted child, if any, and forgets it.
void StopChild();
void RemoveName(const char* name);

// The shared part's: the registered interrupt hook's answer (false without
// one).
bool PassInterruptOnAsKey();

}  // namespace vantor::fatal_signal_parts
