// The platform calls on Windows. Names are UTF-8 inside the programs and
// UTF-16 at every system call.
#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <algorithm>
#include <cctype>
#include <cerrno>

#include "base/json_text.h"
#include "os/fatal_signals.h"
#include "os/platform.h"
#include "os/win32/support.h"

namespace vantor {
namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// A handle that closes itself.
class OpenHandle {
 public:
  // The file or folder under `name`, through links unless `flags` asks for
  // the link itself; only its attributes are read.
  OpenHandle(const std::string& name, DWORD access, DWORD flags = 0)
      : handle_(CreateFileW(Wide(name).c_str(), access, kShareAll, nullptr, OPEN_EXISTING,
                            FILE_FLAG_BACKUP_SEMANTICS | flags, nullptr)) {}
  ~OpenHandle() {
    if (IsOpen()) CloseHandle(handle_);
  }
  OpenHandle(const OpenHandle&) = delete;
  OpenHandle& operator=(const OpenHandle&) = delete;

  bool IsOpen() const { return handle_ != INVALID_HANDLE_VALUE; }
  HANDLE Get() const { return handle_; }

 private:
  HANDLE handle_;
};

std::optional<BY_HANDLE_FILE_INFORMATION> InformationOf(HANDLE handle) {
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(handle, &info)) return std::nullopt;
  return info;
}

FileIdentity IdentityIn(const BY_HANDLE_FILE_INFORMATION& info) {
  return {info.dwVolumeSerialNumber,
          static_cast<uint64_t>(info.nFileIndexHigh) << 32 | info.nFileIndexLow};
}

// A system call's text answer that may not fit the first buffer: `call`
// gives the length it needs, or the length it wrote when it fitted.
template <typename Call>
std::wstring GrowingAnswer(Call call) {
  std::wstring text(MAX_PATH, L'\0');
  for (;;) {
    DWORD length = call(text.data(), static_cast<DWORD>(text.size()));
    if (length == 0) return {};
    if (length < text.size()) {
      text.resize(length);
      return text;
    }
    text.resize(length + 1);
  }
}

std::string ModulePath() {
  // GetModuleFileNameW cuts the name to the buffer rather than saying how
  // much it needs.
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) return Utf8(std::wstring_view(path).substr(0, length));
    path.resize(path.size() * 2);
  }
}

std::string FullPath(const std::string& name) {
  return Utf8(FullPathOf(Wide(name)));
}

// Letters compare without regard to case, as the file system compares them.
std::string FoldCase(std::string_view text) {
  std::string folded(text);
  for (char& c : folded)
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return folded;
}

// Windows drops the trailing dots and blanks of a name's last part.
std::string WithoutTrailingDotsAndBlanks(std::string_view name) {
  size_t end = name.find_last_not_of(". ");
  return end == std::string_view::npos ? std::string() : std::string(name.substr(0, end + 1));
}

// The size of the file a link leads to; nothing when it leads nowhere.
std::optional<int64_t> SizeBehindLink(const std::string& path) {
  OpenHandle file(path, FILE_READ_ATTRIBUTES);
  LARGE_INTEGER size{};
  if (!file.IsOpen() || !GetFileSizeEx(file.Get(), &size)) return std::nullopt;
  return size.QuadPart;
}

}  // namespace

std::wstring FullPathOf(const std::wstring& name) {
  std::wstring full = GrowingAnswer([&](wchar_t* buffer, DWORD size) {
    return GetFullPathNameW(name.c_str(), size, buffer, nullptr);
  });
  return full.empty() ? name : full;
}

FileIdentity IdentityOfHandle(HANDLE file) {
  std::optional<BY_HANDLE_FILE_INFORMATION> info = InformationOf(file);
  return info ? IdentityIn(*info) : FileIdentity{};
}

std::wstring FinalPathOf(HANDLE file) {
  return GrowingAnswer([&](wchar_t* buffer, DWORD size) {
    return GetFinalPathNameByHandleW(file, buffer, size, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
  });
}

std::wstring Wide(std::string_view utf8) {
  if (utf8.empty()) return {};
  int length =
      MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), length);
  return wide;
}

std::string Utf8(std::wstring_view utf16) {
  if (utf16.empty()) return {};
  int length = WideCharToMultiByte(CP_UTF8, 0, utf16.data(), static_cast<int>(utf16.size()),
                                   nullptr, 0, nullptr, nullptr);
  std::string text(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, utf16.data(), static_cast<int>(utf16.size()), text.data(), length,
                      nullptr, nullptr);
  return text;
}

int ErrnoFromWin32(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
      return ENOENT;
    case ERROR_DIRECTORY:
      return ENOTDIR;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT:
    case ERROR_CURRENT_DIRECTORY:
      return EACCES;
    case ERROR_TOO_MANY_OPEN_FILES:
      return EMFILE;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return ENOSPC;
    case ERROR_FILENAME_EXCED_RANGE:
      return ENAMETOOLONG;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return EEXIST;
    case ERROR_NOT_SAME_DEVICE:
      return EXDEV;
    case ERROR_NOT_SUPPORTED:
    case ERROR_INVALID_FUNCTION:
      return EOPNOTSUPP;
    case ERROR_INVALID_PARAMETER:
      return EINVAL;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
      return ENOMEM;
    default:
      return EIO;
  }
}

std::string ProgramPathFromArg0(std::string_view arg0) {
  std::string path(arg0);
  // A bare name was found on the search path: the module knows where.
  if (DirectoryPart(path).empty()) path = ModulePath();
  if (path.empty()) path = arg0;
  std::string full = FullPath(path);
  return NormalPath(full.empty() ? path : full);
}

std::vector<FoundFile> FindFiles(std::string_view pattern) {
  std::string folder(DirectoryPart(pattern));
  std::string namePattern = FoldCase(pattern.substr(folder.size()));
  std::vector<FoundFile> found;
  WIN32_FIND_DATAW entry{};
  HANDLE search = FindFirstFileW(Wide(folder + "*").c_str(), &entry);
  if (search == INVALID_HANDLE_VALUE) return found;
  constexpr DWORD kSkipped =
      FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
  do {
    if (entry.dwFileAttributes & kSkipped) continue;
    std::string name = Utf8(entry.cFileName);
    if (!WildcardMatch(namePattern, FoldCase(name))) continue;
    int64_t size = static_cast<int64_t>(entry.nFileSizeHigh) << 32 | entry.nFileSizeLow;
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
      std::optional<int64_t> behind = SizeBehindLink(folder + name);
      if (!behind) continue;
      size = *behind;
    }
    found.push_back({name, size});
  } while (FindNextFileW(search, &entry));
  FindClose(search);
  std::sort(found.begin(), found.end(),
            [](const FoundFile& a, const FoundFile& b) { return a.name < b.name; });
  return found;
}

namespace {

// A job object that ends its processes when its last handle closes: the
// child, and all it starts, end with this program, however it ends. A
// console's Ctrl+C reaches the child itself, and the console handler ends
// the job before it removes the temporary names. Nothing where jobs cannot
// be made (the child then runs as before).
HANDLE JobEndingWithThisProgram() {
  HANDLE job = CreateJobObjectW(nullptr, nullptr);
  if (job == nullptr) return nullptr;
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
  limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
  if (!SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits)) {
    CloseHandle(job);
    return nullptr;
  }
  return job;
}

}  // namespace

std::optional<int> StartProgramAndWait(const std::string& path,
                                       const std::vector<std::string>& arguments) {
  std::string commandLine = CommandLine(path, arguments);
  std::string program = path;
  std::replace(program.begin(), program.end(), '/', '\\');
  std::wstring wideCommand = Wide(commandLine);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  HANDLE job = JobEndingWithThisProgram();
  // Suspended until it is in the job, so that nothing it starts escapes.
  if (!CreateProcessW(Wide(program).c_str(), wideCommand.data(), nullptr, nullptr, TRUE,
                      CREATE_SUSPENDED, nullptr, nullptr, &startup, &process)) {
    if (job != nullptr) CloseHandle(job);
    return std::nullopt;
  }
  if (job != nullptr && AssignProcessToJobObject(job, process.hProcess)) {
    NoteChildProcess(reinterpret_cast<std::intptr_t>(job));
  }
  ResumeThread(process.hThread);
  CloseHandle(process.hThread);
  WaitForSingleObject(process.hProcess, INFINITE);
  ForgetChildProcess();
  DWORD exitCode = 0;
  bool known = GetExitCodeProcess(process.hProcess, &exitCode);
  CloseHandle(process.hProcess);
  if (job != nullptr) CloseHandle(job);
  if (!known) return std::nullopt;
  return static_cast<int>(exitCode);
}

bool OpenInBrowser(const std::string& address) {
  // Above 32 when the shell found a program for the address.
  const auto result = reinterpret_cast<intptr_t>(
      ShellExecuteW(nullptr, L"open", Wide(address).c_str(), nullptr, nullptr, SW_SHOWNORMAL));
  return result > 32;
}

// RtlGenRandom, exported by advapi32 under this name; looked up at run time,
// as no import library names it.
std::vector<uint8_t> RandomBytes(size_t count) {
  using GenRandom = BOOLEAN(WINAPI*)(PVOID, ULONG);
  std::vector<uint8_t> bytes(count);
  HMODULE advapi = LoadLibraryW(L"advapi32.dll");
  auto generate = advapi == nullptr ? nullptr
                                    : reinterpret_cast<GenRandom>(reinterpret_cast<void*>(
                                          GetProcAddress(advapi, "SystemFunction036")));
  if (generate == nullptr || !generate(bytes.data(), static_cast<ULONG>(count)))
    throw FileError(FileOperation::Read, "the system's random source", EIO);
  return bytes;
}

int StreamWriteError() {
  // The C runtime calls a pipe whose reader has gone a bad argument.
  DWORD error = GetLastError();
  if (error == ERROR_NO_DATA || error == ERROR_BROKEN_PIPE || error == ERROR_PIPE_NOT_CONNECTED) {
    return EPIPE;
  }
  return errno;
}

std::string TemporaryFolder() {
  return Utf8(GrowingAnswer([](wchar_t* text, DWORD size) { return GetTempPathW(size, text); }));
}

bool IsDirectory(const std::string& name) {
  DWORD attributes = GetFileAttributesW(Wide(name).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::optional<FileIdentity> IdentityOf(const std::string& name) {
  OpenHandle file(name, 0);
  if (!file.IsOpen()) return std::nullopt;
  std::optional<BY_HANDLE_FILE_INFORMATION> info = InformationOf(file.Get());
  if (!info) return std::nullopt;
  return IdentityIn(*info);
}

std::optional<FileStamp> StampOf(const std::string& name) {
  OpenHandle file(name, 0);
  if (!file.IsOpen()) return std::nullopt;
  std::optional<BY_HANDLE_FILE_INFORMATION> info = InformationOf(file.Get());
  if (!info) return std::nullopt;
  const auto high = [](DWORD h, DWORD l) {
    return static_cast<int64_t>((static_cast<uint64_t>(h) << 32) | l);
  };
  // Windows counts 100-nanosecond steps from 1601: counted from 1970, as
  // the other systems count, the nanoseconds fit 64 bits until 2262.
  constexpr int64_t k1601To1970 = 116444736000000000;
  return FileStamp{
      IdentityIn(*info), high(info->nFileSizeHigh, info->nFileSizeLow),
      (high(info->ftLastWriteTime.dwHighDateTime, info->ftLastWriteTime.dwLowDateTime) -
       k1601To1970) *
          100};
}

FileKind KindOf(const std::string& name, FileIdentity* identity) {
  OpenHandle file(name, FILE_READ_ATTRIBUTES, FILE_FLAG_OPEN_REPARSE_POINT);
  if (!file.IsOpen()) {
    // Something that cannot be opened, not even for its attributes, but is there.
    return GetFileAttributesW(Wide(name).c_str()) == INVALID_FILE_ATTRIBUTES ? FileKind::Missing
                                                                             : FileKind::Other;
  }
  // A device: NUL, CON, a serial port.
  if (GetFileType(file.Get()) != FILE_TYPE_DISK) return FileKind::Other;
  std::optional<BY_HANDLE_FILE_INFORMATION> info = InformationOf(file.Get());
  if (!info) return FileKind::Other;
  if (identity != nullptr) *identity = IdentityIn(*info);
  if (info->dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
    // Symbolic links and junctions lead elsewhere; other reparse points (files
    // kept in the cloud, deduplicated files) are the files themselves.
    FILE_ATTRIBUTE_TAG_INFO tag{};
    if (GetFileInformationByHandleEx(file.Get(), FileAttributeTagInfo, &tag, sizeof tag) &&
        (tag.ReparseTag == IO_REPARSE_TAG_SYMLINK ||
         tag.ReparseTag == IO_REPARSE_TAG_MOUNT_POINT)) {
      return FileKind::SymbolicLink;
    }
  }
  if (info->dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return FileKind::Directory;
  return FileKind::Regular;
}

bool OwnerCanBeKept(const std::string&) {
  return true;
}

bool IsWritable(const std::string& name) {
  DWORD attributes = GetFileAttributesW(Wide(name).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return false;
  // The read-only attribute of a folder says nothing about its files.
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return true;
  if (attributes & FILE_ATTRIBUTE_READONLY) return false;
  // The file's security, a read-only medium or another program may still refuse.
  OpenHandle file(name, GENERIC_WRITE);
  return file.IsOpen();
}

bool IsHeldOpenElsewhere(const std::string& name) {
  // Replacing a file takes the right to delete it, which a handle that does
  // not share deletion withholds from everyone else.
  OpenHandle file(name, DELETE, FILE_FLAG_OPEN_REPARSE_POINT);
  return !file.IsOpen() && GetLastError() == ERROR_SHARING_VIOLATION;
}

std::string PlaceIn(const std::string& resolvedFolder, const std::string& name) {
  std::string resolved = WithoutTrailingDotsAndBlanks(name);
  if (resolved.empty()) return {};
  std::string place = JoinPath(resolvedFolder, resolved);
  // An existing file (or a link, which stands for itself) tells its own
  // name: a short 8.3 name or another case becomes the name it stands for.
  OpenHandle file(place, 0, FILE_FLAG_OPEN_REPARSE_POINT);
  if (!file.IsOpen()) return place;
  std::wstring own = FinalPathOf(file.Get());
  size_t last = own.find_last_of(L'\\');
  if (last == std::wstring::npos || last + 1 == own.size()) return place;
  return JoinPath(resolvedFolder, Utf8(std::wstring_view(own).substr(last + 1)));
}

bool SamePlace(std::string_view a, std::string_view b) {
  std::wstring wideA = Wide(a);
  std::wstring wideB = Wide(b);
  return CompareStringOrdinal(wideA.c_str(), static_cast<int>(wideA.size()), wideB.c_str(),
                              static_cast<int>(wideB.size()), TRUE) == CSTR_EQUAL;
}

std::string FileNameOfCp437(std::string_view bytes) {
  return Utf8OrCp437(bytes);
}

std::string ResolvedFolder(const std::string& folder) {
  OpenHandle file(folder.empty() ? "." : folder, 0);
  if (!file.IsOpen()) return {};
  std::wstring path = FinalPathOf(file.Get());
  // "\\?\C:\x" is "C:\x"; "\\?\UNC\server\share" is "\\server\share".
  if (path.starts_with(L"\\\\?\\UNC\\")) return "\\\\" + Utf8(std::wstring_view(path).substr(8));
  if (path.starts_with(L"\\\\?\\")) return Utf8(std::wstring_view(path).substr(4));
  return Utf8(path);
}

}  // namespace vantor
