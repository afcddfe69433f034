// The platform calls on Linux and other POSIX systems.
#include "os/platform.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <thread>

#include "os/fatal_signals.h"
#include "os/file_calls.h"

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

std::string ProgramPathFromArg0(std::string_view arg0) {
  std::string path(arg0);
  if (path.find('/') == std::string::npos) path = RunningExecutable();
  if (path.empty()) path = arg0;
  if (path.empty() || path[0] != '/') path = CurrentFolder() + "/" + path;
  // Shown in titles and messages: "/dir/./lmedit" says no more than "/dir/lmedit".
  return NormalPath(path);
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

namespace {

// Its own process group, so that a fatal signal to this program can stop it
// and all it started (a terminal's Ctrl+C reaches only the foreground
// group), with the signal mask this program had before it held the fatal
// signals back.
bool SpawnInOwnGroup(pid_t& child, const std::string& path, std::vector<char*>& argv,
                     const sigset_t& mask) {
  posix_spawnattr_t attributes;
  if (posix_spawnattr_init(&attributes) != 0) return false;
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK);
  posix_spawnattr_setpgroup(&attributes, 0);
  posix_spawnattr_setsigmask(&attributes, &mask);
  bool started = posix_spawn(&child, path.c_str(), nullptr, &attributes, argv.data(), environ) == 0;
  posix_spawnattr_destroy(&attributes);
  return started;
}

// Waits for the child; one that stops because it, in a background group,
// touched the terminal would never go on, and is ended.
std::optional<int> WaitForChild(pid_t child) {
  int status = 0;
  for (;;) {
    if (waitpid(child, &status, WUNTRACED) < 0) {
      if (errno == EINTR) continue;
      return std::nullopt;
    }
    if (!WIFSTOPPED(status)) break;
    if (WSTOPSIG(status) == SIGTTIN || WSTOPSIG(status) == SIGTTOU) kill(-child, SIGKILL);
  }
  if (WIFEXITED(status)) {
    // posix_spawn reports a program it could not execute as exit status 127.
    return WEXITSTATUS(status);
  }
  return 128 + (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
}

}  // namespace

std::optional<int> StartProgramAndWait(const std::string& path,
                                       const std::vector<std::string>& arguments) {
  std::vector<char*> argv;
  std::string program = path;
  argv.push_back(program.data());
  std::vector<std::string> copies = arguments;
  for (auto& argument : copies)
    argv.push_back(argument.data());
  argv.push_back(nullptr);
  sigset_t mask;
  sigprocmask(SIG_BLOCK, nullptr, &mask);
  pid_t child = 0;
  {
    // Started and noted in one step: a fatal signal stops it either way.
    FatalSignalsHeld held;
    if (!SpawnInOwnGroup(child, path, argv, mask)) return std::nullopt;
    NoteChildProcess(child);
  }
  std::optional<int> status = WaitForChild(child);
  ForgetChildProcess();
  return status;
}

namespace {

// The first program of that name in a folder of PATH; empty when none is.
std::string FindOnPath(const std::string& name) {
  const char* path = getenv("PATH");
  std::string_view folders = path != nullptr ? path : "";
  while (!folders.empty()) {
    const size_t end = std::min(folders.find(':'), folders.size());
    std::string candidate = JoinPath(folders.substr(0, end), name);
    if (!folders.substr(0, end).empty() && access(candidate.c_str(), X_OK) == 0) return candidate;
    folders.remove_prefix(std::min(end + 1, folders.size()));
  }
  return {};
}

}  // namespace

// The opener may wait for the browser it starts: a thread of its own waits
// for it, so that it leaves no zombie and holds up nothing.
bool OpenInBrowser(const std::string& address) {
  const std::string opener = FindOnPath("xdg-open");
  if (opener.empty()) return false;
  std::string program = opener;
  std::string argument = address;
  std::vector<char*> argv = {program.data(), argument.data(), nullptr};
  sigset_t mask;
  sigprocmask(SIG_BLOCK, nullptr, &mask);
  pid_t child = 0;
  // Its own group: the terminal's Ctrl+C ends this program, not the browser.
  if (!SpawnInOwnGroup(child, opener, argv, mask)) return false;
  std::thread([child] { WaitForChild(child); }).detach();
  return true;
}

std::vector<uint8_t> RandomBytes(size_t count) {
  std::vector<uint8_t> bytes(count);
  const int source = open("/dev/urandom", O_RDONLY | O_CLOEXEC);
  if (source < 0) throw FileError(FileOperation::Open, "/dev/urandom", errno);
  size_t got = 0;
  while (got < count) {
    const ssize_t read = ::read(source, bytes.data() + got, count - got);
    if (read < 0 && errno == EINTR) continue;
    if (read <= 0) {
      const int why = read < 0 ? errno : EIO;
      close(source);
      throw FileError(FileOperation::Read, "/dev/urandom", why);
    }
    got += static_cast<size_t>(read);
  }
  close(source);
  return bytes;
}

int StreamWriteError() {
  return errno;
}

std::string TemporaryFolder() {
  const char* folder = getenv("TMPDIR");
  return folder != nullptr && *folder != '\0' ? folder : "/tmp";
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

std::optional<FileStamp> StampOf(const std::string& name) {
  struct stat info {};
  if (stat(name.c_str(), &info) != 0) return std::nullopt;
  return FileStamp{IdentityIn(info), static_cast<int64_t>(info.st_size),
                   static_cast<int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec};
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

bool OwnerCanBeKept(const std::string& name) {
  struct stat info {};
  return stat(name.c_str(), &info) != 0 || file_calls::MayGiveOwner(info.st_uid, info.st_gid);
}

bool IsHeldOpenElsewhere(const std::string&) {
  return false;
}

std::string PlaceIn(const std::string& resolvedFolder, const std::string& name) {
  return JoinPath(resolvedFolder, name);
}

bool SamePlace(std::string_view a, std::string_view b) {
  return a == b;
}

std::string FileNameOfCp437(std::string_view bytes) {
  return std::string(bytes);
}

std::string ResolvedFolder(const std::string& folder) {
  char resolved[PATH_MAX];
  if (realpath(folder.empty() ? "." : folder.c_str(), resolved) == nullptr) return {};
  return resolved;
}

}  // namespace vantor
