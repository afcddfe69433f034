// Everything the tools ask of the operating system besides files and the
// console: where the program lives, directory search, starting a program,
// the environment and the current folder.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantor {

// The separator between a folder and a name on this platform.
inline constexpr std::string_view kPathSeparator = "/";

// The program's own folder, absolute and ending with a separator: argument 0
// resolved against the current folder, or the running executable's path when
// argument 0 has no folder part. Letter case is kept.
std::string ProgramDirFromArg0(std::string_view arg0);

// The program's own full path: argument 0 resolved against the current
// folder, or the running executable's path when argument 0 has no folder part.
std::string ProgramPathFromArg0(std::string_view arg0);

// The folder part of a path up to and including its last separator; empty
// when it has none.
std::string_view DirectoryPart(std::string_view path);

struct FoundFile {
  std::string name;
  int64_t size;
};

// Whether a name matches a pattern in which every "*" matches any run of
// characters, none included; all other characters match themselves.
bool WildcardMatch(std::string_view pattern, std::string_view name);

// The ordinary files (no folders, no hidden files) that match the pattern's
// last part in the folder before it, in name order.
std::vector<FoundFile> FindFiles(std::string_view pattern);

// Starts a program with an argument list (never through a shell) and waits
// for it. Nothing when it cannot be started; otherwise its exit status, or
// 128 plus the signal that ended it.
std::optional<int> StartProgramAndWait(const std::string& path,
                                       const std::vector<std::string>& arguments);

// An environment variable looked up without regard to the case of its name.
std::optional<std::string> GetEnvironmentIgnoringCase(std::string_view name);

bool IsDirectory(const std::string& name);

// Whether the name itself is a symbolic link (not what it points to).
bool IsSymbolicLink(const std::string& name);

// Whether two names lead to the same file on disk (both exist).
bool IsSameFile(const std::string& a, const std::string& b);

// Raises a run-time error when the folder cannot be made current.
void ChangeDirectory(const std::string& path);

}  // namespace vantor
