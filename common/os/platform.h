// Everything the tools ask of the operating system besides files and the
// console: where the program lives, directory search, starting a program,
// the environment, and names of files and folders.
#pragma once

#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/run_time_error.h"
#include "os/platform.h"

namespace vantor {

// The value of the environment variable `name`; nothing when it is not set.
std::optional<std::string> EnvironmentValue(const std::string& name);

// The separator between a folder and a name on this platform. On Windows a
// name's folder part ends at its last "\", "/" or drive ":" ("c:\game\" of
// "c:\game\map.dat", "x:" of "x:planes1.dat"); elsewhere at its last "/".
#ifdef _WIN32
inline constexpr std::string_view kPathSeparator = "\\";
#else
inline constexpr std::string_view kPathSeparator = "/";
#endif

// The program's own file: ProgramPathFromArg0 followed through every link
// to the real file, so that a link to the program elsewhere does not make
// the link's folder the program's (its working files, extractor and format
// files) nor the link's name its own. The path as named when it leads
// nowhere.
std::string ProgramFileFromArg0(std::string_view arg0);

// The program's own folder, absolute and ending with a separator: the folder
// part of ProgramFileFromArg0.
std::string ProgramDirFromArg0(std::string_view arg0);

// The program's own full path: argument 0 resolved against the current
// folder, or the running executable's path when argument 0 has no folder part;
// "." and ".." parts and doubled separators are taken out by their names alone
// ("/a/./b/../c" gives "/a/c"), links are not followed.
std::string ProgramPathFromArg0(std::string_view arg0);

// The folder part of a path up to and including its last separator; empty
// when it has none.
std::string_view DirectoryPart(std::string_view path);

// Whether a name does not depend on the current folder: it starts with a
// separator, or on Windows with a drive.
bool IsAbsolutePath(std::string_view path);

// `name` in `folder`: a name that is absolute stays as it is, and a folder
// that is empty or "." adds nothing.
std::string JoinPath(std::string_view folder, std::string_view name);

// A name without "." and ".." parts and doubled separators, by the name alone
// (links are not followed): "/a/./b/../c" gives "/a/c"; every separator
// becomes kPathSeparator.
std::string NormalPath(std::string_view path);

// The folder that holds `folder`, as the user named it rather than where a
// symbolic link leads: "a/b/src" gives "a/b", "src" gives ".", "/x/y" gives
// "/x", and "." or a name ending in ".." gives that name with "/.." added.
std::string ParentFolderAsNamed(std::string_view folder);

struct FoundFile {
  std::string name;
  int64_t size;
};

// Whether a name matches a pattern in which every "*" matches any run of
// characters, none included; all other characters match themselves.
bool WildcardMatch(std::string_view pattern, std::string_view name);

// The ordinary files (no folders, no hidden files, and on Windows no system
// files) that match the pattern's last part in the folder before it, in name
// order. On Windows letters match without regard to case, as there the file
// system matches them.
std::vector<FoundFile> FindFiles(std::string_view pattern);

// One argument as a Windows program's command line carries it, so that the
// program's C runtime reads it back unchanged: quoted when it is empty or
// holds blanks, tabs or quotes, its quotes and the backslashes before them
// escaped.
std::string CommandLineArgument(std::string_view argument);
// A whole command line of such arguments, the program first.
std::string CommandLine(const std::string& program, const std::vector<std::string>& arguments);

// Starts a program with an argument list (never through a shell) and waits
// for it. Nothing when it cannot be started; otherwise its exit status, or
// 128 plus the signal that ended it.
std::optional<int> StartProgramAndWait(const std::string& path,
                                       const std::vector<std::string>& arguments);

// Asks the desktop to show a web address in the user's browser (xdg-open
// found on PATH; on Windows the shell's open), without waiting for the
// browser; false when nothing could be started.
bool OpenInBrowser(const std::string& address);

// `count` bytes from the system's source of randomness, fit for a secret
// (getrandom or /dev/urandom; on Windows RtlGenRandom); a run-time error when
// it cannot give them.
std::vector<uint8_t> RandomBytes(size_t count);

// Why a write to a standard stream just failed, as an errno value: a reader
// that has gone is a broken pipe on every system.
int StreamWriteError();

bool IsDirectory(const std::string& name);

// The folder the system gives programs for temporary files: TMPDIR, or /tmp
// where it is unset or empty; on Windows the user's temporary folder, as
// GetTempPath names it.
std::string TemporaryFolder();

// The run-time error of a failed file call, told apart as FileErrorOf says:
// for a missing file, the disk is asked whether its folder is there.
RunTimeError FileError(FileOperation op, const std::string& fileName, int errnoValue);

// Which file on which disk a name leads to.
struct FileIdentity {
  uint64_t device = 0;
  uint64_t inode = 0;
  bool operator==(const FileIdentity&) const = default;
  auto operator<=>(const FileIdentity&) const = default;
};
// Following links; nothing when the name leads nowhere.
std::optional<FileIdentity> IdentityOf(const std::string& name);

// A file's identity, size and last modification, following links: what
// changes when the file is written or replaced. Nothing when the name leads
// nowhere.
struct FileStamp {
  FileIdentity identity;
  int64_t size = 0;
  int64_t modifiedNanoseconds = 0;  // since 1970
  bool operator==(const FileStamp&) const = default;
};
std::optional<FileStamp> StampOf(const std::string& name);

// What stands under a name, the name itself not followed if it is a link;
// `identity` gets which file it is.
enum class FileKind { Missing, Regular, Directory, SymbolicLink, Other };
FileKind KindOf(const std::string& name, FileIdentity* identity = nullptr);

// Whether this program may write the file, as an open for writing would be
// allowed (read-only files and file systems are not).
bool IsWritable(const std::string& name);

// Whether a file that replaces the one under `name` can be given that file's
// owner and group (BinaryFile::CreateReplacing refuses it otherwise); true
// when there is no file, and on Windows, where a replaced file's access
// control list moves to the new one and no owner is given.
bool OwnerCanBeKept(const std::string& name);

// Whether another program holds the file open so that it cannot be replaced
// now: on Windows, opened without sharing its deletion. Never elsewhere,
// where a rename replaces a file under its open handles.
bool IsHeldOpenElsewhere(const std::string& name);

// Whether two names lead to the same file on disk (both exist).
bool IsSameFile(const std::string& a, const std::string& b);

// A folder's path resolved through every link; empty when it does not exist.
std::string ResolvedFolder(const std::string& folder);
// The file a name leads to through every link; the name itself when it
// leads nowhere.
std::string FileBehindLinks(const std::string& name);

// Where a name stands, however it is spelled: its folder resolved through
// every link, then its last part as written (PlaceIn). Two names of one place
// are one file once it exists. Empty when the folder does not exist or the
// last part is "." or "..".
std::string PlaceOf(const std::string& name);
// The place of `name` in a folder that ResolvedFolder gave. On Windows the
// name as the system resolves it: without trailing dots and blanks, and
// where the file exists, its own name (for a short 8.3 name or another
// case); empty when nothing is left. Elsewhere the name as it is.
std::string PlaceIn(const std::string& resolvedFolder, const std::string& name);
// Whether two places are one: on Windows letters compare without regard to
// case, as there the file system compares them.
bool SamePlace(std::string_view a, std::string_view b);

// A name given as code page 437 bytes, as the game's volumes hold them, as
// this system names files: on Windows, whose names are Unicode, the
// characters the bytes stand for (UTF-8 text stays as it is, as the JSON
// listing shows names); elsewhere the bytes themselves.
std::string FileNameOfCp437(std::string_view bytes);

}  // namespace vantor
