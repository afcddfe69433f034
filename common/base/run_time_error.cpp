#include "base/run_time_error.h"

#include <cerrno>
#include <cstring>

namespace vantor {
namespace {

const char* OperationText(FileOperation op) {
  switch (op) {
    case FileOperation::Open:
      return "cannot open";
    case FileOperation::Create:
      return "cannot create";
    case FileOperation::Read:
      return "cannot read";
    case FileOperation::Write:
      return "cannot write";
    case FileOperation::Seek:
      return "cannot seek in";
    case FileOperation::Truncate:
      return "cannot truncate";
    case FileOperation::Close:
      return "cannot close";
  }
  return "cannot use";
}

ErrorCode CodeFor(FileOperation op, int errnoValue, bool folderMissing) {
  switch (op) {
    case FileOperation::Read:
    case FileOperation::Seek:
      return ErrorCode::DiskReadError;
    case FileOperation::Write:
    case FileOperation::Truncate:
    case FileOperation::Close:
      return ErrorCode::DiskWriteError;
    case FileOperation::Open:
    case FileOperation::Create:
      break;
  }
  switch (errnoValue) {
    case ENOENT:
      return folderMissing ? ErrorCode::PathNotFound : ErrorCode::FileNotFound;
    case ENOTDIR:
    case ENAMETOOLONG:
      return ErrorCode::PathNotFound;
    case EMFILE:
    case ENFILE:
      return ErrorCode::TooManyOpenFiles;
    default:
      return ErrorCode::AccessDenied;
  }
}

}  // namespace

RunTimeError FileErrorOf(FileOperation op, const std::string& fileName, int errnoValue,
                         bool folderMissing) {
  std::string message = OperationText(op);
  message.append(" \"").append(fileName).append("\": ");
  message.append(errnoValue != 0 ? std::strerror(errnoValue) : "unexpected end of file");
  return RunTimeError(CodeFor(op, errnoValue, folderMissing), message);
}

RunTimeError InputEndedError(const std::string& during) {
  return RunTimeError(ErrorCode::DiskReadError, "input ended while " + during);
}

RunTimeError OutOfMemoryError() {
  return RunTimeError(ErrorCode::DiskReadError, "out of memory");
}

}  // namespace vantor
