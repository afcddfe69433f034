#include "platform.h"

#include <dirent.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <filesystem>

extern char** environ;

namespace vantor {
namespace {

std::string CurrentFolder() {
  std::vector<char> buffer(PATH_MAX);
  while (getcwd(buffer.data(), buffer.size()) == nullptr) {
    if (errno != ERANGE) return "/";
    buffer.resize(buffer.size() * 2);
  }
  return buffer.data();
}

std::string RunningExecutable() {
  std::vector<char> buffer(PATH_MAX);
  ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
  if (length <= 0) return {};
  return std::string(buffer.data(), static_cast<size_t>(length));
}

}  // namespace

std::string_view DirectoryPart(std::string_view path) {
  auto slash = path.find_last_of('/');
  return slash == std::string_view::npos ? std::string_view() : path.substr(0, slash + 1);
}

std::string JoinPath(std::string_view folder, std::string_view name) {
  if (!name.empty() && name[0] == '/') return std::string(name);
  if (folder.empty() || folder == ".") return std::string(name);
  std::string path(folder);
  if (path.back() != '/') path += '/';
  return path.append(name);
}

std::string ParentFolderAsNamed(std::string_view folder) {
  std::string path(folder);
  // "a/b/", "a/b/." and "a/b" all name the folder b.
  for (;;) {
    if (path.size() > 1 && path.back() == '/') {
      path.pop_back();
    } else if (path.size() > 2 && path.ends_with("/.")) {
      path.resize(path.size() - 2);
    } else {
      break;
    }
  }
  if (path.empty() || path == ".") return "..";
  if (path == "/") return "/";
  std::string_view last = std::string_view(path).substr(DirectoryPart(path).size());
  if (last == "..") return path + "/..";
  std::string parent(DirectoryPart(path));
  if (parent.empty()) return ".";
  if (parent.size() > 1) parent.pop_back();
  return parent;
}

std::string ProgramPathFromArg0(std::string_view arg0) {
  std::string path(arg0);
  if (path.find('/') == std::string::npos) path = RunningExecutable();
  if (path.empty()) path = arg0;
  if (path.empty() || path[0] != '/') path = CurrentFolder() + "/" + path;
  // Shown in titles and messages: "/dir/./lmedit" says no more than "/dir/lmedit".
  return std::filesystem::path(path).lexically_normal().string();
}

std::string ProgramDirFromArg0(std::string_view arg0) {
  return std::string(DirectoryPart(ProgramPathFromArg0(arg0)));
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

std::vector<FoundFile> FindFiles(std::string_view pattern) {
  std::string folder(DirectoryPart(pattern));
  std::string_view namePattern = pattern.substr(folder.size());
  std::vector<FoundFile> found;
  DIR* directory = opendir(folder.empty() ? "." : folder.c_str());
  if (directory == nullptr) return found;
  while (dirent* entry = readdir(directory)) {
    std::string name = entry->d_name;
    if (name.empty() || name[0] == '.') continue;  // hidden files take no part
    if (!WildcardMatch(namePattern, name)) continue;
    struct stat info {};
    if (stat((folder + name).c_str(), &info) != 0 || !S_ISREG(info.st_mode)) continue;
    found.push_back({name, static_cast<int64_t>(info.st_size)});
  }
  closedir(directory);
  std::sort(found.begin(), found.end(),
            [](const FoundFile& a, const FoundFile& b) { return a.name < b.name; });
  return found;
}

std::optional<int> StartProgramAndWait(const std::string& path,
                                       const std::vector<std::string>& arguments) {
  std::vector<char*> argv;
  std::string program = path;
  argv.push_back(program.data());
  std::vector<std::string> copies = arguments;
  for (auto& argument : copies)
    argv.push_back(argument.data());
  argv.push_back(nullptr);
  pid_t child = 0;
  if (posix_spawn(&child, path.c_str(), nullptr, nullptr, argv.data(), environ) != 0) {
    return std::nullopt;
  }
  int status = 0;
  while (waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) return std::nullopt;
  }
  if (WIFEXITED(status)) {
    // posix_spawn reports a program it could not execute as exit status 127.
    return WEXITSTATUS(status);
  }
  return 128 + (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
}

bool IsDirectory(const std::string& name) {
  struct stat info {};
  return stat(name.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

namespace {

FileIdentity IdentityIn(const struct stat& info) {
  return {static_cast<uint64_t>(info.st_dev), static_cast<uint64_t>(info.st_ino)};
}

}  // namespace

std::optional<FileIdentity> IdentityOf(const std::string& name) {
  struct stat info {};
  if (stat(name.c_str(), &info) != 0) return std::nullopt;
  return IdentityIn(info);
}

FileKind KindOf(const std::string& name, FileIdentity* identity) {
  struct stat info {};
  if (lstat(name.c_str(), &info) != 0) return FileKind::Missing;
  if (identity != nullptr) *identity = IdentityIn(info);
  if (S_ISREG(info.st_mode)) return FileKind::Regular;
  if (S_ISDIR(info.st_mode)) return FileKind::Directory;
  if (S_ISLNK(info.st_mode)) return FileKind::SymbolicLink;
  return FileKind::Other;
}

bool IsWritable(const std::string& name) {
  return access(name.c_str(), W_OK) == 0;
}

bool IsSameFile(const std::string& a, const std::string& b) {
  std::optional<FileIdentity> first = IdentityOf(a);
  return first && first == IdentityOf(b);
}

std::string ResolvedFolder(const std::string& folder) {
  char resolved[PATH_MAX];
  if (realpath(folder.empty() ? "." : folder.c_str(), resolved) == nullptr) return {};
  return resolved;
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
  return resolved.empty() ? std::string() : JoinPath(resolved, last);
}

}  // namespace vantor
