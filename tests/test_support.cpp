#include "test_support.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>

#include "console/stream_backend.h"
#include "os/file_lock.h"
#include "os/platform.h"

#ifndef _WIN32
extern char** environ;
#endif

namespace vantor::testing {

#ifdef _WIN32

ScratchDir::ScratchDir() {
  std::string base = std::filesystem::temp_directory_path().string();
  if (!base.empty() && base.back() != '\\') base += '\\';
  std::mt19937 random(std::random_device{}());
  // Names of one length, so that no screen line holding a path wraps on one
  // run and not on the next.
  for (int attempt = 0; attempt < 100; ++attempt) {
    char digits[8];
    std::snprintf(digits, sizeof digits, "%04x", static_cast<unsigned>(random() % 0x10000));
    std::string candidate = base + "vt" + digits;
    if (CreateDirectoryA(candidate.c_str(), nullptr)) {
      path_ = candidate;
      return;
    }
  }
  throw std::runtime_error("cannot make a scratch folder");
}

#else

ScratchDir::ScratchDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "vantor-test-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

#endif

ScratchDir::~ScratchDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::string ScratchDir::File(const std::string& name) const {
  return path_ + "/" + name;
}

void MarkHidden([[maybe_unused]] const std::string& path) {
#ifdef _WIN32
  SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_HIDDEN);
#endif
}

LockHeldElsewhere::LockHeldElsewhere(const std::string& path) {
  std::promise<void> taken;
  std::future<void> tookIt = taken.get_future();
  std::future<void> released = release_.get_future();
  holder_ = std::thread([&path, &taken, released = std::move(released)]() mutable {
    try {
      FileLock lock(path, [] {});
      taken.set_value();
      released.wait();
    } catch (...) {
      taken.set_exception(std::current_exception());
    }
  });
  try {
    tookIt.get();
  } catch (...) {
    holder_.join();
    throw;
  }
}

void LockHeldElsewhere::Release() {
  if (!holder_.joinable()) return;
  release_.set_value();
  holder_.join();
}

std::string ProgramOnPath(const std::string& name) {
#ifdef _WIN32
  const char separator = ';';
  const std::string suffix = ".exe";
#else
  const char separator = ':';
  const std::string suffix;
#endif
  const char* path = std::getenv("PATH");
  std::string folders = path == nullptr ? std::string() : path;
  for (size_t start = 0; start <= folders.size();) {
    size_t end = std::min(folders.find(separator, start), folders.size());
    std::filesystem::path candidate =
        std::filesystem::path(folders.substr(start, end - start)) / (name + suffix);
    std::error_code ignored;
    if (end > start && std::filesystem::is_regular_file(candidate, ignored)) {
      return candidate.string();
    }
    start = end + 1;
  }
  return std::string();
}

bool MakeSymlink(const std::string& target, const std::string& link) {
  namespace fs = std::filesystem;
  std::error_code failed;
  fs::path leadsTo = fs::path(link).parent_path() / target;
  if (fs::path(target).is_absolute()) leadsTo = target;
  if (fs::is_directory(leadsTo)) {
    fs::create_directory_symlink(target, link, failed);
  } else {
    fs::create_symlink(target, link, failed);
  }
  return !failed && fs::is_symlink(link);
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
}

void WriteText(const std::string& path, const std::string& text) {
  WriteBytes(path, std::vector<uint8_t>(text.begin(), text.end()));
}

std::vector<uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

#ifdef _WIN32

namespace {

// A file that a child inherits as one of its standard streams.
HANDLE InheritedFile(const std::string& path, DWORD access, DWORD disposition) {
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE file = CreateFileA(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                            disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot open " + path);
  return file;
}

std::string ReadText(const std::string& path) {
  std::vector<uint8_t> bytes = ReadBytes(path);
  return std::string(bytes.begin(), bytes.end());
}

}  // namespace

// The input comes from a file and the output goes to files: the child never
// waits for this program, and nothing needs threads.
ProgramRun RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                      const std::string& input, const std::string& workingDir) {
  ScratchDir streams;
  WriteText(streams.File("in"), input);
  HANDLE in = InheritedFile(streams.File("in"), GENERIC_READ, OPEN_EXISTING);
  HANDLE out = InheritedFile(streams.File("out"), GENERIC_WRITE, CREATE_ALWAYS);
  HANDLE err = InheritedFile(streams.File("err"), GENERIC_WRITE, CREATE_ALWAYS);
  std::string commandLine = CommandLine(program, arguments);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = in;
  startup.hStdOutput = out;
  startup.hStdError = err;
  PROCESS_INFORMATION process{};
  bool started = CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0,
                                nullptr, workingDir.c_str(), &startup, &process);
  CloseHandle(in);
  CloseHandle(out);
  CloseHandle(err);
  if (!started) throw std::runtime_error("cannot start " + program);
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD exitCode = 0;
  GetExitCodeProcess(process.hProcess, &exitCode);
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);
  ProgramRun run;
  run.exitCode = static_cast<int>(exitCode);
  run.out = ReadText(streams.File("out"));
  run.err = ReadText(streams.File("err"));
  return run;
}

#else

namespace {

// Feeds the input and drains both outputs together, so that a program that
// writes much before it reads cannot block on a full pipe.
void Pump(int inFd, int outFd, int errFd, const std::string& input, ProgramRun& run) {
  size_t written = 0;
  if (input.empty()) {
    close(inFd);
    inFd = -1;
  }
  while (outFd >= 0 || errFd >= 0) {
    pollfd fds[3] = {{outFd, POLLIN, 0}, {errFd, POLLIN, 0}, {inFd, POLLOUT, 0}};
    if (poll(fds, 3, -1) < 0) continue;
    char buffer[65536];
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
      ssize_t got = read(fds[i].fd, buffer, sizeof buffer);
      if (got <= 0) {
        close(fds[i].fd);
        (i == 0 ? outFd : errFd) = -1;
      } else {
        (i == 0 ? run.out : run.err).append(buffer, static_cast<size_t>(got));
      }
    }
    if (inFd >= 0 && (fds[2].revents & (POLLOUT | POLLERR | POLLHUP))) {
      ssize_t put = write(inFd, input.data() + written, input.size() - written);
      if (put > 0) written += static_cast<size_t>(put);
      if (put < 0 || written == input.size()) {
        close(inFd);
        inFd = -1;
      }
    }
  }
  if (inFd >= 0) close(inFd);
}

}  // namespace

ProgramRun RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                      const std::string& input, const std::string& workingDir) {
  int in[2], out[2], err[2];
  if (pipe2(in, O_CLOEXEC) || pipe2(out, O_CLOEXEC) || pipe2(err, O_CLOEXEC)) {
    throw std::runtime_error("pipe failed");
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, in[0], 0);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  posix_spawn_file_actions_adddup2(&actions, err[1], 2);
  posix_spawn_file_actions_addchdir_np(&actions, workingDir.c_str());
  ArgumentVector argv(program, arguments);
  pid_t child = 0;
  int spawned =
      posix_spawn(&child, program.c_str(), &actions, nullptr, argv.pointers.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(in[0]);
  close(out[1]);
  close(err[1]);
  if (spawned != 0) throw std::runtime_error("cannot start " + program);
  ProgramRun run;
  signal(SIGPIPE, SIG_IGN);
  Pump(in[1], out[0], err[0], input, run);
  int status = 0;
  waitpid(child, &status, 0);
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return run;
}

#endif

ArgumentVector::ArgumentVector(const std::string& program,
                               const std::vector<std::string>& arguments)
    : strings{program} {
  strings.insert(strings.end(), arguments.begin(), arguments.end());
  for (auto& s : strings)
    pointers.push_back(s.data());
  pointers.push_back(nullptr);
}

std::string ReplacedOnce(std::string text, const std::string& from, const std::string& to) {
  size_t at = text.find(from);
  if (at == std::string::npos) throw std::invalid_argument("not in the text: " + from);
  return text.replace(at, from.size(), to);
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

std::vector<std::string> Snapshots(const std::string& output) {
  std::vector<std::string> screens;
  std::string current;
  bool inside = false;
  size_t start = 0;
  while (start < output.size()) {
    size_t end = output.find('\n', start);
    if (end == std::string::npos) end = output.size();
    std::string line = output.substr(start, end - start);
    start = end + 1;
    if (!inside && line.rfind("--- screen (", 0) == 0) {
      inside = true;
      current.clear();
    } else if (inside && line == kSnapshotFooter) {
      inside = false;
      screens.push_back(current);
    } else if (inside) {
      current += line + "\n";
    }
  }
  return screens;
}

}  // namespace vantor::testing
