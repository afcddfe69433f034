#include "files/binary_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <csignal>

#include <filesystem>
#include <functional>
#include <numeric>

#include "base/run_time_error.h"
#include "files/failing_file_calls.h"
#include "test_support.h"

namespace vantor {
namespace {

using testing::ReadBytes;
using testing::ScratchDir;
using testing::WriteBytes;

std::vector<uint8_t> Counting(size_t n) {
  std::vector<uint8_t> bytes(n);
  std::iota(bytes.begin(), bytes.end(), 0);
  return bytes;
}

TEST(BinaryFile, MissingFileIsFileNotFoundWithItsName) {
  ScratchDir dir;
  try {
    BinaryFile::OpenExisting(dir.File("none.dat"), BinaryFile::Access::ReadWrite);
    FAIL();
  } catch (const RunTimeError& e) {
    EXPECT_EQ(e.Number(), 2);
    EXPECT_NE(std::string(e.what()).find("none.dat"), std::string::npos);
    EXPECT_NE(std::string(e.what()).find("No such file"), std::string::npos);
  }
  try {
    BinaryFile::OpenExisting(dir.File("nofolder/none.dat"), BinaryFile::Access::ReadOnly);
    FAIL();
  } catch (const RunTimeError& e) {
    EXPECT_EQ(e.Number(), 3);
  }
}

TEST(BinaryFile, AFolderCannotBeOpenedAsAFile) {
  ScratchDir dir;
  EXPECT_THROW(BinaryFile::OpenExisting(dir.Path(), BinaryFile::Access::ReadOnly), RunTimeError);
}

TEST(BinaryFile, ReadsExactlyOrFails) {
  ScratchDir dir;
  WriteBytes(dir.File("a"), Counting(10));
  BinaryFile file = BinaryFile::OpenExisting(dir.File("a"), BinaryFile::Access::ReadOnly);
  uint8_t buffer[16] = {};
  file.ReadExact(buffer, 4);
  EXPECT_EQ(buffer[3], 3);
  EXPECT_EQ(file.Position(), 4);
  EXPECT_EQ(file.ReadUpTo(buffer, 16), 6u);
  EXPECT_TRUE(file.AtEnd());
  // A read at an offset leaves the position alone.
  EXPECT_EQ(file.ReadAt(7, buffer, 16), 3u);
  EXPECT_EQ(buffer[0], 7);
  EXPECT_EQ(file.Position(), 10);
  file.Seek(8);
  try {
    file.ReadExact(buffer, 3);
    FAIL();
  } catch (const RunTimeError& e) {
    EXPECT_EQ(e.Code(), ErrorCode::DiskReadError);
  }
}

TEST(BinaryFile, WritesInPlaceAndGrowsAtTheEnd) {
  ScratchDir dir;
  WriteBytes(dir.File("a"), Counting(10));
  {
    BinaryFile file = BinaryFile::OpenExisting(dir.File("a"), BinaryFile::Access::ReadWrite);
    file.Seek(2);
    file.Write("\xAA\xBB", 2);
    file.Seek(9);
    file.Write("\xCC\xDD", 2);
    EXPECT_EQ(file.Size(), 11);
    // What was written is read back before it reaches the disk.
    uint8_t back[2];
    file.Seek(2);
    file.ReadExact(back, 2);
    EXPECT_EQ(back[1], 0xBB);
    file.Close();
  }
  EXPECT_EQ(ReadBytes(dir.File("a")),
            (std::vector<uint8_t>{0, 1, 0xAA, 0xBB, 4, 5, 6, 7, 8, 0xCC, 0xDD}));
}

TEST(BinaryFile, WritingPastTheEndFillsTheGapWithZeros) {
  ScratchDir dir;
  BinaryFile file = BinaryFile::Create(dir.File("b"));
  file.Write("x", 1);
  file.Seek(5);
  file.Write("y", 1);
  file.Close();
  EXPECT_EQ(ReadBytes(dir.File("b")), (std::vector<uint8_t>{'x', 0, 0, 0, 0, 'y'}));
}

TEST(BinaryFile, RecordByRecordShiftAcrossBlocks) {
  // Moving records up by one, each read before it is overwritten, as an
  // insert does: the result must be exact across block boundaries.
  ScratchDir dir;
  const size_t recordSize = 1000, records = 300;
  std::vector<uint8_t> original(recordSize * records);
  for (size_t i = 0; i < original.size(); ++i)
    original[i] = static_cast<uint8_t>(i / recordSize);
  WriteBytes(dir.File("c"), original);
  BinaryFile file = BinaryFile::OpenExisting(dir.File("c"), BinaryFile::Access::ReadWrite);
  std::vector<uint8_t> held(recordSize, 0xEE), next(recordSize);
  while (file.Size() < static_cast<int64_t>(original.size() + recordSize)) {
    if (!file.AtEnd()) {
      file.ReadExact(next.data(), recordSize);
      file.Seek(file.Position() - recordSize);
    }
    file.Write(held.data(), recordSize);
    held = next;
  }
  file.Close();
  std::vector<uint8_t> expected(recordSize + original.size(), 0xEE);
  std::copy(original.begin(), original.end(), expected.begin() + recordSize);
  EXPECT_EQ(ReadBytes(dir.File("c")), expected);
}

TEST(BinaryFile, LargeReadsAndWritesBypassTheBlock) {
  ScratchDir dir;
  std::vector<uint8_t> big = Counting(200000);
  BinaryFile file = BinaryFile::Create(dir.File("d"));
  file.Write("ab", 2);
  file.Write(big.data(), big.size());
  file.Seek(0);
  std::vector<uint8_t> back(big.size() + 2);
  EXPECT_EQ(file.ReadUpTo(back.data(), back.size()), back.size());
  EXPECT_EQ(back[0], 'a');
  EXPECT_TRUE(std::equal(big.begin(), big.end(), back.begin() + 2));
}

TEST(BinaryFile, TruncateEndsTheFileAtThePosition) {
  ScratchDir dir;
  WriteBytes(dir.File("e"), Counting(100));
  BinaryFile file = BinaryFile::OpenExisting(dir.File("e"), BinaryFile::Access::ReadWrite);
  file.Seek(40);
  file.Truncate();
  EXPECT_EQ(file.Size(), 40);
  EXPECT_TRUE(file.AtEnd());
  file.Close();
  EXPECT_EQ(ReadBytes(dir.File("e")).size(), 40u);
}

TEST(BinaryFile, ClosedFileIsNotOpen) {
  ScratchDir dir;
  BinaryFile file = BinaryFile::Create(dir.File("f"));
  file.Close();
  file.Close();  // closing twice is harmless
  try {
    file.Write("x", 1);
    FAIL();
  } catch (const RunTimeError& e) {
    EXPECT_EQ(e.Code(), ErrorCode::FileNotOpen);
  }
}

// Replacing files are tried both ways: unnamed until the commit, and with a
// temporary name, as where the file system has no unnamed files.
class ReplacingFile : public ::testing::TestWithParam<bool> {
 protected:
  // The system's calls, or calls of a file system without unnamed files.
  static file_calls::Table Calls(bool refuseUnnamedFiles) {
    file_calls::Table calls = file_calls::SystemCalls();
    if (refuseUnnamedFiles) {
      calls.openUnnamedBeside = [](const std::string&) {
        errno = EOPNOTSUPP;
        return file_calls::kNoFile;
      };
    }
    return calls;
  }
  testing::InstalledFileCalls calls_{Calls(GetParam())};
  static size_t FilesIn(const ScratchDir& dir) {
    return static_cast<size_t>(std::distance(std::filesystem::directory_iterator(dir.Path()), {}));
  }
};

TEST_P(ReplacingFile, AppearsOnlyOnCommitAndKeepsTheMode) {
  ScratchDir dir;
  WriteBytes(dir.File("vol"), {1, 2, 3});
#ifndef _WIN32
  chmod(dir.File("vol").c_str(), 02640);
#endif
  {
    BinaryFile file = BinaryFile::CreateReplacing(dir.File("vol"));
    file.Write("new", 3);
    // Abandoned without Commit: the old file stays, no temporary is left.
  }
  EXPECT_EQ(ReadBytes(dir.File("vol")), (std::vector<uint8_t>{1, 2, 3}));
  EXPECT_EQ(FilesIn(dir), 1u);
  BinaryFile file = BinaryFile::CreateReplacing(dir.File("vol"));
  file.Write("new", 3);
  file.Commit();
  EXPECT_EQ(ReadBytes(dir.File("vol")), (std::vector<uint8_t>{'n', 'e', 'w'}));
  EXPECT_EQ(FilesIn(dir), 1u);
#ifndef _WIN32
  struct stat info {};
  stat(dir.File("vol").c_str(), &info);
  // New content does not inherit set-user-ID and the like.
  EXPECT_EQ(info.st_mode & 07777, 0640u);
#endif
}

TEST_P(ReplacingFile, NeverWritesThroughALink) {
  ScratchDir dir;
  testing::WriteText(dir.File("outside"), "keep");
  VANTOR_SYMLINK_OR_SKIP(dir.File("outside"), dir.File("soft"));
  std::filesystem::create_hard_link(dir.File("outside"), dir.File("hard"));
  for (const char* name : {"soft", "hard"}) {
    BinaryFile file = BinaryFile::CreateReplacing(dir.File(name), BinaryFile::Replace::Quickly);
    file.Write("new", 3);
    file.Commit();
    EXPECT_EQ(ReadBytes(dir.File(name)), (std::vector<uint8_t>{'n', 'e', 'w'}));
  }
  EXPECT_FALSE(std::filesystem::is_symlink(dir.File("soft")));
  EXPECT_EQ(ReadBytes(dir.File("outside")), (std::vector<uint8_t>{'k', 'e', 'e', 'p'}));
}

// A program ended by a signal while it writes leaves the old file and no
// temporary one; an unnamed file is gone even after SIGKILL.
TEST_P(ReplacingFile, ASignalLeavesTheOldFileAndNothingElse) {
#ifdef _WIN32
  GTEST_SKIP() << "no fork and no signals on Windows";
#else
  std::vector<int> signals = {SIGTERM, SIGHUP, SIGINT, SIGPIPE};
#if defined(O_TMPFILE) && !defined(VANTOR_PORTABLE_FALLBACKS)
  if (!GetParam()) signals.push_back(SIGKILL);
#endif
  for (int signalNumber : signals) {
    // A signal this run was started with ignored (a background job's SIGINT)
    // cannot end the program, and stays ignored on purpose.
    struct sigaction current {};
    sigaction(signalNumber, nullptr, &current);
    if (current.sa_handler == SIG_IGN) continue;
    ScratchDir dir;
    WriteBytes(dir.File("vol"), {1, 2, 3});
    pid_t child = fork();
    if (child == 0) {
      BinaryFile file = BinaryFile::CreateReplacing(dir.File("vol"));
      file.Write(Counting(100000).data(), 100000);
      raise(signalNumber);
      _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signalNumber) << signalNumber;
    EXPECT_EQ(ReadBytes(dir.File("vol")), (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_EQ(FilesIn(dir), 1u) << "signal " << signalNumber;
  }
#endif
}

// A temporary name fits wherever the final name fits, and is plainly the
// suite's: a name of the longest length is written anew and over itself.
TEST_P(ReplacingFile, ANameOfTheLongestLengthIsReplaced) {
#ifdef _WIN32
  GTEST_SKIP() << "a 255-byte name passes MAX_PATH under the scratch folder";
#endif
  ScratchDir dir;
  const std::string name = dir.File(std::string(255, 'n'));
  for (const char* content : {"one", "two"}) {
    BinaryFile file = BinaryFile::CreateReplacing(name);
    if (GetParam()) {
      EXPECT_EQ(file.TemporaryName().rfind(dir.File(std::string(BinaryFile::kTemporaryPrefix)), 0),
                0u)
          << file.TemporaryName();
    }
    file.Write(content, 3);
    file.Commit();
    EXPECT_EQ(ReadBytes(name), std::vector<uint8_t>(content, content + 3));
  }
  EXPECT_EQ(FilesIn(dir), 1u);
}

#ifndef _WIN32
// Runs `replace` in a child process as the user nobody; its exit status.
int AsNobody(uid_t nobody, gid_t nogroup, const std::function<int()>& replace) {
  pid_t child = fork();
  if (child == 0) {
    if (setgroups(0, nullptr) != 0 || setgid(nogroup) != 0 || setuid(nobody) != 0) _exit(99);
    _exit(replace());
  }
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
#endif

// The new file keeps the old one's owner and group; where this program
// cannot give them (one user replacing another's file), the file is refused
// and nothing is written.
TEST_P(ReplacingFile, KeepsTheOwnerAndGroupOrIsRefused) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows gives a new file no owner";
#else
  // Each look-up overwrites the last one's answer.
  const passwd* entry = getpwnam("nobody");
  const uid_t nobody = entry ? entry->pw_uid : 0;
  entry = getpwnam("daemon");
  const uid_t daemon = entry ? entry->pw_uid : 0;
  const gid_t daemonGroup = entry ? entry->pw_gid : 0;
  const group* nogroupEntry = getgrnam("nogroup");
  const gid_t nogroup = nogroupEntry ? nogroupEntry->gr_gid : 0;
  if (geteuid() != 0 || nobody == 0 || daemon == 0 || nogroup == 0) {
    GTEST_SKIP() << "needs root and the users nobody and daemon";
  }
  struct Case {
    const char* what;
    uid_t owner;
    gid_t group;
    bool asNobody;
    bool replaced;
  };
  const Case cases[] = {
      {"root over nobody's file", nobody, nogroup, false, true},
      {"nobody over its own file", nobody, nogroup, true, true},
      {"nobody over daemon's group-writable file", daemon, nogroup, true, false},
      {"nobody over its own file of a group not its", nobody, daemonGroup, true, false},
  };
  for (const Case& c : cases) {
    ScratchDir dir;
    chmod(dir.Path().c_str(), 0777);
    const std::string name = dir.File("data");
    WriteBytes(name, {1, 2, 3});
    ASSERT_EQ(chown(name.c_str(), c.owner, c.group), 0);
    chmod(name.c_str(), 0664);
    auto replace = [&] {
      try {
        BinaryFile file = BinaryFile::CreateReplacing(name);
        file.Write("new", 3);
        file.Commit();
        return 0;
      } catch (const RunTimeError& e) {
        return std::string(e.what()).find("nothing written") != std::string::npos ? 1 : 2;
      }
    };
    int result = c.asNobody ? AsNobody(nobody, nogroup, replace) : replace();
    EXPECT_EQ(result, c.replaced ? 0 : 1) << c.what;
    struct stat info {};
    stat(name.c_str(), &info);
    EXPECT_EQ(info.st_uid, c.owner) << c.what;
    EXPECT_EQ(info.st_gid, c.group) << c.what;
    EXPECT_EQ(info.st_mode & 0777, 0664u) << c.what;
    const std::vector<uint8_t> expected =
        c.replaced ? std::vector<uint8_t>{'n', 'e', 'w'} : std::vector<uint8_t>{1, 2, 3};
    EXPECT_EQ(ReadBytes(name), expected) << c.what;
    EXPECT_EQ(FilesIn(dir), 1u) << c.what;
  }
#endif
}

// Another program may put a new file under a named temporary file's name
// (an extractor that writes its output anew): that file is put in place, a
// link put there is not, and the file it leads to keeps its owner.
TEST(BinaryFile, ANamedTemporaryFileTakesWhatIsUnderItsNameUnlessALink) {
  ScratchDir dir;
  testing::WriteText(dir.File("entry"), "old");
  testing::WriteText(dir.File("elsewhere"), "theirs");
  for (bool link : {false, true}) {
    BinaryFile file =
        BinaryFile::CreateReplacingNamed(dir.File("entry"), BinaryFile::Replace::Quickly);
    std::filesystem::remove(file.TemporaryName());
    if (link) {
      VANTOR_SYMLINK_OR_SKIP(dir.File("elsewhere"), file.TemporaryName());
      EXPECT_THROW(file.Commit(), RunTimeError);
    } else {
      testing::WriteText(file.TemporaryName(), "anew");
      file.Commit();
    }
    EXPECT_EQ(ReadBytes(dir.File("entry")), (std::vector<uint8_t>{'a', 'n', 'e', 'w'}));
  }
  EXPECT_EQ(ReadBytes(dir.File("elsewhere")), (std::vector<uint8_t>{'t', 'h', 'e', 'i', 'r', 's'}));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 2);
}

INSTANTIATE_TEST_SUITE_P(UnnamedOrNamed, ReplacingFile, ::testing::Bool());

// A file that replaces another goes to the disk before the rename, unless it
// is a scratch file; a new file written quickly is left to the cache.
TEST(BinaryFile, ReplacingAnOldFileFlushesTheNewOne) {
  using Replace = BinaryFile::Replace;
  struct Case {
    Replace how;
    bool overOldFile;
    bool flushed;
  };
  const Case cases[] = {{Replace::Durably, false, true},
                        {Replace::Quickly, false, false},
                        {Replace::Quickly, true, true},
                        {Replace::Scratch, true, false}};
  static int flushes = 0;
  file_calls::Table calls = file_calls::SystemCalls();
  calls.syncData = [](file_calls::Handle file) {
    ++flushes;
    return file_calls::SystemCalls().syncData(file);
  };
  testing::InstalledFileCalls counting(calls);
  ScratchDir dir;
  for (const Case& c : cases) {
    const std::string name = dir.File("file");
    std::filesystem::remove(name);
    if (c.overOldFile) WriteBytes(name, {1});
    flushes = 0;
    BinaryFile file = BinaryFile::CreateReplacing(name, c.how);
    file.Write("new", 3);
    file.Commit();
    EXPECT_EQ(flushes, c.flushed ? 1 : 0) << static_cast<int>(c.how) << " " << c.overOldFile;
  }
}

TEST(BinaryFile, CopyFromCopiesARangeAndStopsWhereTheSourceEnds) {
  ScratchDir dir;
  WriteBytes(dir.File("src"), Counting(250));
  BinaryFile source = BinaryFile::OpenExisting(dir.File("src"), BinaryFile::Access::ReadOnly);
  BinaryFile target = BinaryFile::Create(dir.File("dst"));
  target.Write("hd", 2);
  EXPECT_EQ(target.CopyFrom(source, 10, 5), 5);
  EXPECT_EQ(target.Position(), 7);
  EXPECT_EQ(target.CopyFrom(source, 240, 100), 10);  // only 10 bytes are left
  EXPECT_EQ(target.CopyFrom(source, 400, 10), 0);
  target.Write("!", 1);
  target.Close();
  std::vector<uint8_t> expected = {'h', 'd', 10, 11, 12, 13, 14};
  for (int i = 240; i < 250; ++i)
    expected.push_back(static_cast<uint8_t>(i));
  expected.push_back('!');
  EXPECT_EQ(ReadBytes(dir.File("dst")), expected);
}

TEST(BinaryFile, ReadsGoingBackAndForthSeeTheLatestWrites) {
  // Two places read in turn use two blocks; a write must not leave a stale one.
  ScratchDir dir;
  WriteBytes(dir.File("f"), std::vector<uint8_t>(300000, 0));
  BinaryFile file = BinaryFile::OpenExisting(dir.File("f"), BinaryFile::Access::ReadWrite);
  uint8_t byte = 0;
  for (int round = 1; round <= 3; ++round) {
    file.Seek(10);
    file.ReadExact(&byte, 1);
    EXPECT_EQ(byte, round - 1);
    file.Seek(200000);
    file.ReadExact(&byte, 1);
    file.Seek(10);
    uint8_t next = static_cast<uint8_t>(round);
    file.Write(&next, 1);
  }
  file.Seek(10);
  file.ReadExact(&byte, 1);
  EXPECT_EQ(byte, 3);
}

#ifdef _WIN32
// Windows has no FIFOs; its devices are no files either.
TEST(BinaryFile, DevicesAndReadOnlyFilesAreRefused) {
  ScratchDir dir;
  // (CON is refused alike where there is a console; without one it cannot be opened.)
  for (const char* name : {"NUL"}) {
    try {
      BinaryFile::OpenExisting(name, BinaryFile::Access::ReadOnly);
      ADD_FAILURE() << name;
    } catch (const RunTimeError& e) {
      EXPECT_EQ(e.Code(), ErrorCode::AccessDenied) << name;
      EXPECT_NE(std::string(e.what()).find("not an ordinary file"), std::string::npos) << name;
    }
  }
  testing::WriteText(dir.File("locked"), "mine");
  SetFileAttributesA(dir.File("locked").c_str(), FILE_ATTRIBUTE_READONLY);
  std::filesystem::create_directory(dir.File("folder"));
  for (const char* name : {"locked", "folder"}) {
    try {
      BinaryFile::CreateReplacing(dir.File(name));
      ADD_FAILURE() << name;
    } catch (const RunTimeError& e) {
      EXPECT_EQ(e.Code(), ErrorCode::AccessDenied) << name;
    }
  }
  EXPECT_EQ(ReadBytes(dir.File("locked")), (std::vector<uint8_t>{'m', 'i', 'n', 'e'}));
  SetFileAttributesA(dir.File("locked").c_str(), FILE_ATTRIBUTE_NORMAL);
}
#else
TEST(BinaryFile, FifosAndDevicesAreNoFilesToOpen) {
  ScratchDir dir;
  mkfifo(dir.File("fifo").c_str(), 0600);
  // Opening a FIFO must not wait for a writer.
  for (const std::string& name : {dir.File("fifo"), std::string("/dev/null")}) {
    try {
      BinaryFile::OpenExisting(name, BinaryFile::Access::ReadOnly);
      ADD_FAILURE() << name;
    } catch (const RunTimeError& e) {
      EXPECT_EQ(e.Code(), ErrorCode::AccessDenied);
      EXPECT_NE(std::string(e.what()).find("not an ordinary file"), std::string::npos);
    }
  }
  // Nor are they, or a folder, files to replace with an ordinary one.
  std::filesystem::create_directory(dir.File("folder"));
  for (const char* name : {"fifo", "folder"}) {
    try {
      BinaryFile::CreateReplacing(dir.File(name));
      ADD_FAILURE() << name;
    } catch (const RunTimeError& e) {
      EXPECT_EQ(e.Code(), ErrorCode::AccessDenied) << name;
    }
  }
  EXPECT_TRUE(std::filesystem::is_fifo(dir.File("fifo")));
}
#endif

TEST(BinaryFile, FullDiskIsAWriteErrorNamingTheFile) {
  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP();
  BinaryFile file = BinaryFile::Create("/dev/full");
  file.Write("x", 1);
  try {
    file.Close();
    FAIL();
  } catch (const RunTimeError& e) {
    EXPECT_EQ(e.Code(), ErrorCode::DiskWriteError);
    EXPECT_NE(std::string(e.what()).find("/dev/full"), std::string::npos);
  }
}
}  // namespace
}  // namespace vantor
