#include "platform.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "file_lock.h"
#include "run_time_error.h"
#include "test_support.h"

namespace vantor {
namespace {

using testing::ScratchDir;

TEST(ProgramDir, ArgumentZeroResolvedAgainstTheCurrentFolderWithoutDotParts) {
  std::string current = std::filesystem::current_path().string();
  std::string parent = std::filesystem::current_path().parent_path().string();
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
  for (const auto& [arg0, path] : cases) {
    EXPECT_EQ(ProgramPathFromArg0(arg0), path) << arg0;
    EXPECT_EQ(ProgramDirFromArg0(arg0), DirectoryPart(path)) << arg0;
  }
}

TEST(FileKinds, FoldersAndLinks) {
  ScratchDir dir;
  testing::WriteText(dir.File("file"), "x");
  std::filesystem::create_symlink(dir.File("file"), dir.File("link"));
  EXPECT_TRUE(IsDirectory(dir.Path()));
  EXPECT_FALSE(IsDirectory(dir.File("file")));
  EXPECT_EQ(KindOf(dir.File("link")), FileKind::SymbolicLink);
  EXPECT_EQ(KindOf(dir.File("file")), FileKind::Regular);
  EXPECT_EQ(KindOf(dir.File("missing")), FileKind::Missing);
  EXPECT_EQ(KindOf(dir.Path()), FileKind::Directory);
  mkfifo(dir.File("fifo").c_str(), 0600);
  EXPECT_EQ(KindOf(dir.File("fifo")), FileKind::Other);
  EXPECT_TRUE(IsSameFile(dir.File("link"), dir.File("file")));
  EXPECT_FALSE(IsSameFile(dir.File("missing"), dir.File("file")));
}

TEST(ProgramDir, BareNameUsesTheRunningExecutable) {
  std::string dir = ProgramDirFromArg0("datedit");
  ASSERT_FALSE(dir.empty());
  EXPECT_EQ(dir.front(), '/');
  EXPECT_EQ(dir.back(), '/');
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
  EXPECT_EQ(StartProgramAndWait("/bin/sh", {"-c", "exit 3"}), 3);
  EXPECT_EQ(StartProgramAndWait("/bin/true", {}), 0);
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
  for (const auto& [folder, parent] : cases)
    EXPECT_EQ(ParentFolderAsNamed(folder), parent) << folder;
  EXPECT_EQ(JoinPath(".", "v.vol"), "v.vol");
  EXPECT_EQ(JoinPath("a/b", "v.vol"), "a/b/v.vol");
  EXPECT_EQ(JoinPath("/", "v.vol"), "/v.vol");
  EXPECT_EQ(JoinPath("a", "/abs/v.vol"), "/abs/v.vol");
}

TEST(Paths, TheSamePlaceUnderAnySpelling) {
  ScratchDir dir;
  std::filesystem::create_directory(dir.File("sub"));
  std::filesystem::create_symlink(dir.File("sub"), dir.File("via"));
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
// does: the waiting run must then hold the lock on the new file.
TEST(FileLock, ASecondHolderWaitsSaysSoAndLocksTheFileNowUnderTheName) {
  ScratchDir dir;
  const std::string path = dir.File("d.dat");
  testing::WriteText(path, "old");
  int go[2], said[2];
  ASSERT_EQ(pipe(go), 0);
  ASSERT_EQ(pipe(said), 0);
  // The child is made before the lock is taken, so that it holds no copy of it.
  pid_t child = fork();
  if (child == 0) {
    char ignored;
    if (read(go[0], &ignored, 1) != 1) _exit(2);
    FileLock second(path, [&] { (void)!write(said[1], "w", 1); });
    int other = open(path.c_str(), O_RDONLY);
    _exit(flock(other, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK ? 0 : 3);
  }
  auto held = std::make_unique<FileLock>(path, [] { FAIL() << "nobody holds it yet"; });
  ASSERT_EQ(write(go[1], "g", 1), 1);
  char word = 0;
  ASSERT_EQ(read(said[0], &word, 1), 1);  // the child waits now
  EXPECT_EQ(word, 'w');
  testing::WriteText(dir.File("new"), "new");
  std::filesystem::rename(dir.File("new"), path);
  held.reset();
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  for (int fd : {go[0], go[1], said[0], said[1]})
    close(fd);
}

}  // namespace
}  // namespace vantor
