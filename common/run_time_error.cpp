#include "run_time_error.h"

#include <sys/stat.h>

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

// A missing file whose folder is missing too is "path not found" (3), not
// "file not found" (2): the number tells the user which part of the name to fix.
bool ParentFolderExists(const std::string& fileName) {
  auto slash = fileName.find_last_of('/');
  if (slash == std::string::npos) return true;
  std::string parent = slash == 0 ? "/" : fileName.substr(0, slash);
  struct stat info {};
  return stat(parent.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
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
