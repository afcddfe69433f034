// The rules about names that hold on every platform; the system calls are
// in platform_posix.cpp and platform_win32.cpp.
#include "os/platform.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <vector>

namespace vantor {
namespace {

constexpr bool kWindowsNames = kPathSeparator == "\\";

bool IsSeparator(char c) {
  return c == '/' || (kWindowsNames && c == '\\');
}

// "c:" at the start of a Windows name: a drive, whose current folder a name
// such as "c:map.dat" is in.
size_t DriveLength(std::string_view path) {
  bool drive = kWindowsNames && path.size() >= 2 && path[1] == ':' &&
               std::isalpha(static_cast<unsigned char>(path[0]));
  return drive ? 2 : 0;
}

// The part of a name that no ".." climbs above: "/", "c:\", "c:" or "\".
size_t RootLength(std::string_view path) {
  size_t drive = DriveLength(path);
  return drive < path.size() && IsSeparator(path[drive]) ? drive + 1 : drive;
}

}  // namespace

std::optional<std::string> EnvironmentValue(const std::string& name) {
  const char* value = std::getenv(name.c_str());
  if (value == nullptr) return std::nullopt;
  return std::string(value);
}

std::string_view DirectoryPart(std::string_view path) {
  size_t end = path.size();
  while (end > 0 && !IsSeparator(path[end - 1]) && !(kWindowsNames && path[end - 1] == ':')) {
    --end;
  }
  return path.substr(0, end);
}

bool IsAbsolutePath(std::string_view path) {
  return (!path.empty() && IsSeparator(path[0])) || DriveLength(path) > 0;
}

std::string JoinPath(std::string_view folder, std::string_view name) {
  if (IsAbsolutePath(name)) return std::string(name);
  if (folder.empty() || folder == ".") return std::string(name);
  std::string path(folder);
  if (DirectoryPart(path).size() != path.size()) path += kPathSeparator;
  return path.append(name);
}

std::string ParentFolderAsNamed(std::string_view folder) {
  std::string path(folder);
  const size_t root = RootLength(path);
  // "a/b/", "a/b/." and "a/b" all name the folder b.
  for (;;) {
    if (path.size() > std::max<size_t>(root, 1) && IsSeparator(path.back())) {
      path.pop_back();
    } else if (path.size() > root + 2 && path.back() == '.' && IsSeparator(path[path.size() - 2])) {
      path.resize(path.size() - 2);
    } else {
      break;
    }
  }
  const size_t drive = DriveLength(path);
  std::string_view rest = std::string_view(path).substr(drive);
  if (rest.empty() || rest == ".") return path.substr(0, drive) + "..";
  if (path.size() == root) return path;
  std::string_view last = std::string_view(path).substr(DirectoryPart(path).size());
  if (last == "..") return path + std::string(kPathSeparator) + "..";
  std::string parent(DirectoryPart(path));
  if (parent.empty()) return ".";
  if (parent.size() > root) parent.pop_back();
  return parent;
}

std::string NormalPath(std::string_view path) {
  const size_t root = RootLength(path);
  std::string normal(path.substr(0, root));
  for (char& c : normal) {
    if (IsSeparator(c)) c = kPathSeparator[0];
  }
  std::vector<std::string_view> parts;
  size_t start = root;
  while (start <= path.size()) {
    size_t end = start;
    while (end < path.size() && !IsSeparator(path[end]))
      ++end;
    std::string_view part = path.substr(start, end - start);
    if (part == "..") {
      // Above the root there is only the root; a relative name keeps its "..".
      if (!parts.empty() && parts.back() != "..") {
        parts.pop_back();
      } else if (root == 0) {
        parts.push_back(part);
      }
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    start = end + 1;
  }
  for (size_t i = 0; i < parts.size(); ++i) {
    if (i > 0) normal += kPathSeparator;
    normal += parts[i];
  }
  if (normal.empty()) normal = ".";
  return normal;
}

std::string ProgramFileFromArg0(std::string_view arg0) {
  return FileBehindLinks(ProgramPathFromArg0(arg0));
}

std::string ProgramDirFromArg0(std::string_view arg0) {
  return std::string(DirectoryPart(ProgramFileFromArg0(arg0)));
}

bool WildcardMatch(std::string_view pattern, std::string_view name) {
  // Greedy matching with one backtrack point per "*", linear in practice.
  size_t p = 0, n = 0;
  size_t starAt = std::string_view::npos, resumeAt = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      starAt = p++;
      resumeAt = n;
    } else if (p < pattern.size() && pattern[p] == name[n]) {
      ++p;
      ++n;
    } else if (starAt != std::string_view::npos) {
      p = starAt + 1;
      n = ++resumeAt;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*')
    ++p;
  return p == pattern.size();
}

std::string CommandLineArgument(std::string_view argument) {
  if (!argument.empty() && argument.find_first_of(" \t\n\v\"") == std::string_view::npos) {
    return std::string(argument);
  }
  std::string quoted = "\"";
  for (size_t i = 0;; ++i) {
    size_t backslashes = 0;
    while (i < argument.size() && argument[i] == '\\') {
      ++backslashes;
      ++i;
    }
    if (i == argument.size()) {
      // Before the closing quote, each backslash is doubled.
      quoted.append(backslashes * 2, '\\');
      break;
    }
    if (argument[i] == '"') {
      quoted.append(backslashes * 2 + 1, '\\');
    } else {
      quoted.append(backslashes, '\\');
    }
    quoted.push_back(argument[i]);
  }
  quoted.push_back('"');
  return quoted;
}

std::string CommandLine(const std::string& program, const std::vector<std::string>& arguments) {
  std::string line = CommandLineArgument(program);
  for (const std::string& argument : arguments)
    line += " " + CommandLineArgument(argument);
  return line;
}

bool IsSameFile(const std::string& a, const std::string& b) {
  std::optional<FileIdentity> first = IdentityOf(a);
  return first && first == IdentityOf(b);
}

std::string FileBehindLinks(const std::string& name) {
  std::string resolved = ResolvedFolder(name);
  return resolved.empty() ? name : resolved;
}

std::string PlaceOf(const std::string& name) {
  std::string folder(DirectoryPart(name));
  std::string last = name.substr(folder.size());
  if (last.empty() || last == "." || last == "..") return {};
  std::string resolved = ResolvedFolder(folder);
  return resolved.empty() ? std::string() : PlaceIn(resolved, last);
}

RunTimeError FileError(FileOperation op, const std::string& fileName, int errnoValue) {
  bool folderMissing = false;
  if (errnoValue == ENOENT && (op == FileOperation::Open || op == FileOperation::Create)) {
    std::string parent(DirectoryPart(fileName));
    folderMissing = !parent.empty() && !IsDirectory(parent);
  }
  return FileErrorOf(op, fileName, errnoValue, folderMissing);
}

}  // namespace vantor
