#include "os/platform.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#ifdef _WIN32
#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <future>
#include <optional>
#include <thread>

#include "base/run_time_error.h"
#include "os/file_lock.h"
#include "test_support.h"

namespace vantor {
namespace {

using testing::ScratchDir;

TEST(ProgramDir, ArgumentZeroResolvedAgainstTheCurrentFolderWithoutDotParts) {
  std::string current = std::filesystem::current_path().string();
  std::string parent = std::filesystem::current_path().parent_path().string();
#ifdef _WIN32
  if (parent.back() != '\\') parent += '\\';
  const std::pair<std::string, std::string> cases[] = {
      {"C:\\Tools\\VTVOLX.EXE", "C:\\Tools\\VTVOLX.EXE"},
      {"bin\\datedit", current + "\\bin\\datedit"},
      {".\\bin/..\\datedit", current + "\\datedit"},
      {"..\\datedit", parent + "datedit"},
      {"C:/opt/./Tools//x/../lmedit", "C:\\opt\\Tools\\lmedit"},
  };
#else
  if (parent.back() != '/') parent += '/';
  const std::pair<std::string, std::string> cases[] = {
      {"/opt/Tools/VTVOLX.EXE", "/opt/Tools/VTVOLX.EXE"},
      {"bin/datedit", current + "/bin/datedit"},
      {"./datedit", current + "/datedit"},
      {"./bin/../datedit", current + "/datedit"},
      {"../datedit", parent + "datedit"},
      {"/opt/./Tools//x/../lmedit", "/opt/Tools/lmedit"},
      {"/../../lmedit", "/lmedit"},
      {"/a/c:\\x/VT.EXE", "/a/c:\\x/VT.EXE"},  // ":" and "\" are ordinary characters
  };
#endif
  for (const auto& [arg0, path] : cases) {
    EXPECT_EQ(ProgramPathFromArg0(arg0), path) << arg0;
    EXPECT_EQ(ProgramDirFromArg0(arg0), DirectoryPart(path)) << arg0;
  }
}

TEST(FileKinds, FoldersFilesAndDevices) {
  ScratchDir dir;
  testing::WriteText(dir.File("file"), "x");
  std::filesystem::create_hard_link(dir.File("file"), dir.File("hard"));
  EXPECT_TRUE(IsDirectory(dir.Path()));
  EXPECT_FALSE(IsDirectory(dir.File("file")));
  EXPECT_EQ(KindOf(dir.File("file")), FileKind::Regular);
  EXPECT_EQ(KindOf(dir.File("missing")), FileKind::Missing);
  EXPECT_EQ(KindOf(dir.Path()), FileKind::Directory);
#ifdef _WIN32
  EXPECT_EQ(KindOf("NUL"), FileKind::Other);
#else
  mkfifo(dir.File("fifo").c_str(), 0600);
  EXPECT_EQ(KindOf(dir.File("fifo")), FileKind::Other);
#endif
  EXPECT_TRUE(IsSameFile(dir.File("hard"), dir.File("file")));
  EXPECT_FALSE(IsSameFile(dir.File("missing"), dir.File("file")));
  testing::WriteText(dir.File("other"), "x");
  EXPECT_FALSE(IsSameFile(dir.File("other"), dir.File("file")));
}

TEST(FileKinds, Links) {
  ScratchDir dir;
  testing::WriteText(dir.File("file"), "x");
  std::filesystem::create_directory(dir.File("sub"));
  VANTOR_SYMLINK_OR_SKIP(dir.File("file"), dir.File("link"));
  VANTOR_SYMLINK_OR_SKIP(dir.File("sub"), dir.File("sublink"));
  EXPECT_EQ(KindOf(dir.File("link")), FileKind::SymbolicLink);
  EXPECT_EQ(KindOf(dir.File("sublink")), FileKind::SymbolicLink);
  EXPECT_TRUE(IsSameFile(dir.File("link"), dir.File("file")));
  EXPECT_EQ(ResolvedFolder(dir.File("sublink")), ResolvedFolder(dir.File("sub")));
}

TEST(Paths, WindowsProgramsReadArgumentsBackUnchanged) {
  const std::pair<const char*, const char*> cases[] = {
      {"plain", "plain"},
      {"", "\"\""},
      {"two words", "\"two words\""},
      {"say \"hi\"", "\"say \\\"hi\\\"\""},
      {"c:\\dir\\", "c:\\dir\\"},
      {"c:\\my dir\\", "\"c:\\my dir\\\\\""},
      {"a\\\"b", "\"a\\\\\\\"b\""},
      {"tab\there", "\"tab\there\""},
  };
  for (const auto& [argument, quoted] : cases) {
    EXPECT_EQ(CommandLineArgument(argument), quoted) << argument;
#ifdef _WIN32
    std::string line = "program " + CommandLineArgument(argument);
    std::wstring wide(line.begin(), line.end());
    int count = 0;
    wchar_t** parsed = CommandLineToArgvW(wide.c_str(), &count);
    ASSERT_EQ(count, 2) << line;
    EXPECT_EQ(std::wstring(parsed[1]), std::wstring(argument, argument + strlen(argument)));
    LocalFree(parsed);
#endif
  }
}

// datedit's format files and vtvolx's working files are beside the real
// program, wherever a link to it stands; the name as typed stays for display.
TEST(ProgramDir, ALinkToTheProgramLeadsToTheRealFilesFolder) {
  ScratchDir dir;
  std::filesystem::create_directories(dir.File("real"));
  std::filesystem::create_directories(dir.File("bin"));
  testing::WriteText(dir.File("real/datedit"), "program");
  if (!testing::MakeSymlink("../real/datedit", dir.File("bin/dd"))) GTEST_SKIP();
  std::string real = ResolvedFolder(dir.File("real")) + std::string(kPathSeparator);
  EXPECT_EQ(ProgramDirFromArg0(dir.File("bin/dd")), real);
  EXPECT_EQ(ProgramFileFromArg0(dir.File("bin/dd")), real + "datedit");
  EXPECT_EQ(ProgramPathFromArg0(dir.File("bin/dd")), NormalPath(dir.File("bin/dd")));
}

TEST(ProgramDir, BareNameUsesTheRunningExecutable) {
  std::string dir = ProgramDirFromArg0("datedit");
  ASSERT_FALSE(dir.empty());
  EXPECT_TRUE(IsAbsolutePath(dir)) << dir;
  EXPECT_EQ(dir.back(), kPathSeparator[0]);
}

struct MatchCase {
  const char* pattern;
  const char* name;
  bool matches;
};

TEST(WildcardMatch, StarMatchesAnyRunNoneIncluded) {
  for (const MatchCase& c : std::initializer_list<MatchCase>{
           {"planes*.txt", "planes.txt", true},
           {"planes*.txt", "planes_fmt.txt", true},
           {"planes*.txt", "plane.txt", false},
           {"planes*.txt", "planes.txt.bak", false},
           {"*.txt", "a.txt", true},
           {"*.txt", ".txt", true},
           {".txt", "readme.txt", false},
           {"a*b*c", "aXbYc", true},
           {"a*b*c", "aXbY", false},
           {"*", "", true},
           {"Map*.txt", "map.txt", false},  // letters match as the file system matches them
       }) {
    EXPECT_EQ(WildcardMatch(c.pattern, c.name), c.matches) << c.pattern << " " << c.name;
  }
}

TEST(FindFiles, OrdinaryFilesInNameOrder) {
  ScratchDir dir;
  for (const char* name : {"zeta.txt", "alpha.txt", "mid.txt", "other.dat", ".hidden.txt"}) {
    testing::WriteText(dir.File(name), "12345");
  }
  testing::MarkHidden(dir.File(".hidden.txt"));
#ifdef _WIN32
  // System files take no part either.
  testing::WriteText(dir.File("sys.txt"), "1");
  SetFileAttributesA(dir.File("sys.txt").c_str(), FILE_ATTRIBUTE_SYSTEM);
  EXPECT_EQ(FindFiles(dir.Path() + "\\MID*.TXT").size(), 1u);  // letters as the system matches them
#endif
  std::filesystem::create_directory(dir.File("folder.txt"));
  auto found = FindFiles(dir.Path() + "//*.txt");
  ASSERT_EQ(found.size(), 3u);
  EXPECT_EQ(found[0].name, "alpha.txt");
  EXPECT_EQ(found[1].name, "mid.txt");
  EXPECT_EQ(found[2].name, "zeta.txt");
  EXPECT_EQ(found[0].size, 5);
  EXPECT_TRUE(FindFiles(dir.Path() + "/none*.txt").empty());
  EXPECT_TRUE(FindFiles("/no/such/folder/*.txt").empty());
}

TEST(StartProgram, WaitsAndGivesTheExitStatus) {
#ifdef _WIN32
  wchar_t system[MAX_PATH];
  GetSystemDirectoryW(system, MAX_PATH);
  std::string cmd = std::filesystem::path(system).string() + "\\cmd.exe";
  EXPECT_EQ(StartProgramAndWait(cmd, {"/c", "exit 3"}), 3);
  EXPECT_EQ(StartProgramAndWait(cmd, {"/c", "exit 0"}), 0);
#else
  EXPECT_EQ(StartProgramAndWait("/bin/sh", {"-c", "exit 3"}), 3);
  EXPECT_EQ(StartProgramAndWait("/bin/true", {}), 0);
#endif
  auto missing = StartProgramAndWait("/no/such/program", {});
  EXPECT_TRUE(!missing.has_value() || *missing == 127);
}

TEST(Paths, TheParentOfAFolderAsTheUserNamedIt) {
  const std::pair<const char*, const char*> cases[] = {
      {"src", "."},    {"src/", "."},   {"a/b/src", "a/b"},  {"a/b/src/.", "a/b"},
      {"/x/y", "/x"},  {"/x", "/"},     {"/", "/"},          {".", ".."},
      {"./", ".."},    {"..", "../.."}, {"a/..", "a/../.."}, {"./src", "."},
      {"lsrc//", "."},
  };
#ifdef _WIN32
  // Drives and both separators; "/" ends a folder there too.
  const std::pair<const char*, const char*> windowsCases[] = {
      {"c:\\game\\src", "c:\\game"},
      {"c:\\x", "c:\\"},
      {"c:\\", "c:\\"},
      {"c:src", "c:"},
      {"c:", "c:.."},
      {"c:.", "c:.."},
      {"a\\b/src\\", "a\\b"},
      {"..", "..\\.."},
      {"\\x", "\\"},
  };
  (void)cases;  // "/" is a separator there too, but ".." joins with "\\"
  for (const auto& [folder, parent] : windowsCases)
    EXPECT_EQ(ParentFolderAsNamed(folder), parent) << folder;
  EXPECT_EQ(DirectoryPart("c:\\game\\map.dat"), "c:\\game\\");
  EXPECT_EQ(DirectoryPart("x:planes1.dat"), "x:");
  EXPECT_EQ(DirectoryPart("a/b\\c"), "a/b\\");
  EXPECT_EQ(JoinPath("a/b", "v.vol"), "a/b\\v.vol");
  EXPECT_EQ(JoinPath("x:", "v.vol"), "x:v.vol");
  EXPECT_EQ(JoinPath("a", "d:\\abs\\v.vol"), "d:\\abs\\v.vol");
  EXPECT_EQ(NormalPath("c:/a/./b\\..\\c"), "c:\\a\\c");
#else
  for (const auto& [folder, parent] : cases)
    EXPECT_EQ(ParentFolderAsNamed(folder), parent) << folder;
  EXPECT_EQ(DirectoryPart("c:\\game\\map.dat"), "");
  EXPECT_EQ(JoinPath("a/b", "v.vol"), "a/b/v.vol");
  EXPECT_EQ(NormalPath("/a/./b//../c"), "/a/c");
#endif
  EXPECT_EQ(JoinPath(".", "v.vol"), "v.vol");
  EXPECT_EQ(JoinPath("/", "v.vol"), "/v.vol");
  EXPECT_EQ(JoinPath("a", "/abs/v.vol"), "/abs/v.vol");
}

// The temporary folder is the one the system's other programs use: on
// Windows the folder GetTempPath names, elsewhere TMPDIR, or /tmp without it.
TEST(Paths, TheTemporaryFolderIsTheSystems) {
#ifdef _WIN32
  EXPECT_TRUE(SamePlace(ResolvedFolder(TemporaryFolder()),
                        ResolvedFolder(std::filesystem::temp_directory_path().string())));
#else
  const char* saved = getenv("TMPDIR");
  std::optional<std::string> before = saved ? std::optional<std::string>(saved) : std::nullopt;
  for (auto [value, folder] : {std::pair{"/var/x", "/var/x"}, {"", "/tmp"}}) {
    setenv("TMPDIR", value, 1);
    EXPECT_EQ(TemporaryFolder(), folder);
  }
  unsetenv("TMPDIR");
  EXPECT_EQ(TemporaryFolder(), "/tmp");
  if (before) setenv("TMPDIR", before->c_str(), 1);
#endif
}

TEST(Paths, TheSamePlaceUnderAnySpelling) {
  ScratchDir dir;
  std::filesystem::create_directory(dir.File("sub"));
  VANTOR_SYMLINK_OR_SKIP(dir.File("sub"), dir.File("via"));
  testing::WriteText(dir.File("sub/here"), "x");
  std::filesystem::create_hard_link(dir.File("sub/here"), dir.File("hard"));
  EXPECT_TRUE(IsSameFile(dir.File("via/../sub/here"), dir.File("hard")));
  // A file yet to be made is one place under any spelling of its folder.
  EXPECT_EQ(PlaceOf(dir.File("via/new")), PlaceOf(dir.File("sub/./new")));
  EXPECT_NE(PlaceOf(dir.File("sub/new")), PlaceOf(dir.File("new")));
  EXPECT_EQ(PlaceOf(dir.File("nofolder/new")), "");
  EXPECT_EQ(PlaceOf(dir.File("sub/..")), "");
}

// The holder puts a new file under the name before it lets go, as an insert
// does: the waiting run must then hold the lock on the new file, so that a
// third one waits for it.
TEST(FileLock, ASecondHolderWaitsSaysSoAndLocksTheFileNowUnderTheName) {
  ScratchDir dir;
  const std::string path = dir.File("d.dat");
  testing::WriteText(path, "old");
  testing::LockHeldElsewhere first(path);
  std::promise<void> secondWaits;
  bool thirdWaited = false;
  std::thread second([&] {
    std::optional<FileLock> lock;
    lock.emplace(path, [&] { secondWaits.set_value(); });
    std::promise<void> thirdWaits;
    std::thread third([&] {
      FileLock lock(path, [&] {
        thirdWaited = true;
        thirdWaits.set_value();
      });
    });
    // The third holder waits for this one, or has the lock already.
    thirdWaits.get_future().wait_for(std::chrono::seconds(5));
    lock.reset();
    third.join();
  });
  EXPECT_EQ(secondWaits.get_future().wait_for(std::chrono::seconds(5)), std::future_status::ready)
      << "the second holder did not wait";
  testing::WriteText(dir.File("new"), "new");
  std::filesystem::rename(dir.File("new"), path);
  first.Release();
  second.join();
  EXPECT_TRUE(thirdWaited);
}

// Two secrets drawn in one run differ, and each has every byte asked for.
TEST(Platform, RandomBytesDiffer) {
  const std::vector<uint8_t> first = RandomBytes(16);
  EXPECT_EQ(first.size(), 16u);
  EXPECT_NE(RandomBytes(16), first);
}

// A write in place that keeps the size still changes the stamp.
TEST(Platform, StampChangesWithEveryWrite) {
  testing::ScratchDir dir;
  const std::string path = dir.File("f");
  EXPECT_FALSE(StampOf(path));
  testing::WriteText(path, "old");
  const std::optional<FileStamp> before = StampOf(path);
  ASSERT_TRUE(before);
  EXPECT_EQ(before->size, 3);
  EXPECT_EQ(before->identity, IdentityOf(path));
  // Counted from 1970 on every system: a file written now is from after 2020.
  EXPECT_GT(before->modifiedNanoseconds, int64_t{1577836800} * 1000000000);
  std::filesystem::last_write_time(
      path, std::filesystem::last_write_time(path) + std::chrono::seconds(1));
  EXPECT_NE(StampOf(path), before);
}

}  // namespace
}  // namespace vantor
