// The one place where a program's end becomes an exit code: a normal return,
// a deliberate end, or a run-time error turned into a message.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace vantor {

// Runs `body`; then `finish` restores and shows the console, however the body
// ended; then a run-time error is written as "Runtime error NNN: <what>" on
// standard error. Returns the exit code: the body's, the deliberate end's, or
// the run-time error's number.
int RunMain(const std::function<int()>& body, const std::function<void()>& finish);

// Writes "Runtime error NNN: <what>" on standard error, after what standard
// output still holds.
void ReportRunTimeError(int number, const char* what);

// What every program does before it opens anything. Each standard stream
// that is closed (or, on Windows, has no valid handle) is opened on the null
// device: a closed input then reads as ended input and what goes to a closed
// output is discarded, and no file the program opens later can take the
// place of the screen or the keyboard. Then gives the program's arguments,
// argument 0 first; on Windows they are taken from the system's UTF-16
// command line and given in UTF-8, whatever the code page.
std::vector<std::string> StartProgram(int argc, char** argv);

}  // namespace vantor
