#include "run_time_error.h"

#include <cerrno>
#include <cstring>

#include "platform.h"

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

// A missing file whose folder is missing too is "path not found" (3), not
// "file not found" (2): the number tells the user which part of the name to fix.
bool ParentFolderExists(const std::string& fileName) {
  std::string parent(DirectoryPart(fileName));
  return parent.empty() || IsDirectory(parent);
}

ErrorCode CodeFor(FileOperation op, const std::string& fileName, int errnoValue) {
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
      return ParentFolderExists(fileName) ? ErrorCode::FileNotFound : ErrorCode::PathNotFound;
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

RunTimeError FileError(FileOperation op, const std::string& fileName, int errnoValue) {
  std::string message = OperationText(op);
  message.append(" \"").append(fileName).append("\": ");
  message.append(errnoValue != 0 ? std::strerror(errnoValue) : "unexpected end of file");
  return RunTimeError(CodeFor(op, fileName, errnoValue), message);
}

}  // namespace vantor
