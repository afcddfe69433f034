// The one error type of the suite: every failed file or console operation
// raises it, and only a program's main turns it into a message and an exit code.
#pragma once

#include <stdexcept>
#include <string>

namespace vantor {

// The classic run-time error numbers that players of DOS-era tools know.
// A program that stops with one of these uses the number as its exit code.
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
// system's own reason, with the number that fits errno for that operation.
enum class FileOperation { Open, Create, Read, Write, Seek, Truncate, Close };
RunTimeError FileError(FileOperation op, const std::string& fileName, int errnoValue);

// Thrown where a program is meant to end on purpose (a refused file, the
// interrupt key): main finishes the console and returns the exit code.
struct ProgramEnd {
  int exitCode;
};

}  // namespace vantor
