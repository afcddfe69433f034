// The one error type of the suite: every failed file or console operation
// raises it, and only a program's main turns it into a message and an exit code.
#pragma once

#include <stdexcept>
#include <string>

namespace vantor {

// The run-time error numbers of the suite: 2 to 5 for a file or folder that
// cannot be opened, 100 and 101 for failed reads and writes, 103 and 106 for
// a file not open and a number written wrongly. A program that stops with
// one of these uses the number as its exit code, so scripts can tell them
// apart.
enum class ErrorCode : int {
  FileNotFound = 2,
  PathNotFound = 3,
  TooManyOpenFiles = 4,
  AccessDenied = 5,
  DiskReadError = 100,
  DiskWriteError = 101,
  FileNotOpen = 103,
  InvalidNumericFormat = 106,
};

class RunTimeError : public std::runtime_error {
 public:
  RunTimeError(ErrorCode code, const std::string& what) : std::runtime_error(what), code_(code) {}
  ErrorCode Code() const { return code_; }
  int Number() const { return static_cast<int>(code_); }

 private:
  ErrorCode code_;
};

// Builds the error for a failed system call on a file: the file name and the
// system's own reason, with the number that fits errno for that operation. A
// missing file whose folder is missing too is "path not found" (3), not "file
// not found" (2): the number tells the user which part of the name to fix.
// The file layer (FileError in os/platform.h) asks the disk which it is.
enum class FileOperation { Open, Create, Read, Write, Seek, Truncate, Close };
RunTimeError FileErrorOf(FileOperation op, const std::string& fileName, int errnoValue,
                         bool folderMissing);

// Typed input that ended "while" `during` ("waiting for a key"), and memory
// that ran out: neither is a disk's fault, but both keep the number 100 that
// the programs have always ended with for them.
RunTimeError InputEndedError(const std::string& during);
RunTimeError OutOfMemoryError();

// Thrown where a program is meant to end on purpose (a refused file, the
// interrupt key): main finishes the console and returns the exit code.
struct ProgramEnd {
  int exitCode;
};

}  // namespace vantor
