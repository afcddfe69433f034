// A switch for tests: the nth file operation from now on fails, as a full
// disk or a broken medium would make it fail. Tests walk n over every
// operation of a command to see that each failure is reported and that no
// file is left inconsistent. Only a build with VANTOR_TEST_HOOKS has it; in
// any other the file layer's questions are answered "no" at compile time.
#pragma once

namespace vantor::faults {

#ifdef VANTOR_TEST_HOOKS

// Counts file operations from now on and makes operation n (1 = the next
// one) fail once; 0 only counts.
void FailOperation(int n);
// Stops counting and failing.
void Disarm();
// The operations counted since FailOperation.
int OperationsCounted();
// Whether the injected failure has happened.
bool HasFailed();

// Makes the file layer act as on a file system without unnamed temporary
// files, so that its fallback, named temporary files, can be tested.
void RefuseUnnamedFiles(bool refuse);
bool UnnamedFilesRefused();

// Called by the file layer at every open, create, read, write, seek and
// truncate: true when this operation is to fail.
bool NextOperationFails();

#else

constexpr bool UnnamedFilesRefused() {
  return false;
}
constexpr bool NextOperationFails() {
  return false;
}

#endif

}  // namespace vantor::faults
