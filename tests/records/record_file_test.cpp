// The files of one header and records of one length: reads and writes that
// see the disk as it is now, a new file under the name told apart from the
// known one, and the rewrites that put a new file in place whole.
#include "records/record_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#ifdef _WIN32
#include <windows.h>
#endif

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "base/run_time_error.h"
#include "files/failing_file_calls.h"
#include "test_support.h"

namespace vantor::testing {
namespace {

// A header of `count` records of 2 bytes each, then the records 'a', 'b', ...
std::vector<uint8_t> RecordFileBytes(uint16_t count) {
  std::vector<uint8_t> bytes(RecordFile::kHeaderSize, 0);
  bytes[20] = static_cast<uint8_t>(count);
  bytes[22] = 2;
  for (uint16_t i = 0; i < count; ++i)
    bytes.insert(bytes.end(), 2, static_cast<uint8_t>('a' + i));
  return bytes;
}

TEST(RecordFile, ReadsWhatIsOnDiskNowAlsoAfterTheFileWasReplaced) {
  ScratchDir dir;
  WriteBytes(dir.File("d.dat"), RecordFileBytes(3));
  RecordFile file = RecordFile::Open(dir.File("d.dat"), BinaryFile::Access::ReadWrite);
  std::array<uint8_t, 2> record{};
  file.Read(1, record);
  EXPECT_EQ(record[0], 'b');
  // Another program writes in place, then puts a new file under the name.
  auto changed = RecordFileBytes(3);
  changed[RecordFile::kHeaderSize + 2] = 'X';
  WriteBytes(dir.File("d.dat"), changed);
  file.Read(1, record);
  EXPECT_EQ(record[0], 'X');
  WriteBytes(dir.File("new"), RecordFileBytes(5));
  std::filesystem::rename(dir.File("new"), dir.File("d.dat"));
  EXPECT_EQ(file.Count(), 5);
  file.Write(4, std::array<uint8_t, 2>{'Y', 'Y'});
  EXPECT_EQ(ReadBytes(dir.File("d.dat"))[RecordFile::kHeaderSize + 8], 'Y');
}

// What a command asks before it writes: whether the file under the name is
// still the one whose records it read, in the same record length.
TEST(RecordFile, KnowsWhetherAnotherProgramPutANewFileUnderTheName) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows puts no new file under a name that a program holds open";
#endif
  ScratchDir dir;
  const std::string name = dir.File("d.dat");
  WriteBytes(name, RecordFileBytes(3));
  RecordFile file = RecordFile::Open(name, BinaryFile::Access::ReadWrite);
  auto inPlace = RecordFileBytes(3);
  inPlace[RecordFile::kHeaderSize] = 'X';
  WriteBytes(name, inPlace);
  EXPECT_FALSE(file.Replaced());
  EXPECT_EQ(file.Insert(1, std::array<uint8_t, 2>{'Z', 'Z'}), std::nullopt);
  EXPECT_FALSE(file.Replaced());  // its own insert
  WriteBytes(dir.File("new"), RecordFileBytes(5));
  std::filesystem::rename(dir.File("new"), name);
  EXPECT_TRUE(file.Replaced());
  file.Adopt();
  EXPECT_FALSE(file.Replaced());
  auto reshaped = RecordFileBytes(5);
  reshaped[22] = 5;  // the record length
  reshaped[20] = 2;  // the count
  WriteBytes(name, reshaped);
  EXPECT_TRUE(file.Replaced());  // in place, but another record length
  file.WriteHeader(RecordFileBytes(5));
  EXPECT_FALSE(file.Replaced());  // its own header
}

TEST(RecordFile, InsertReplacesTheFileBehindALinkAndKeepsItsMode) {
  ScratchDir dir;
  WriteBytes(dir.File("d.dat"), RecordFileBytes(3));
#ifndef _WIN32
  chmod(dir.File("d.dat").c_str(), 0604);
#endif
  VANTOR_SYMLINK_OR_SKIP("d.dat", dir.File("link.dat"));
  RecordFile file = RecordFile::Open(dir.File("link.dat"), BinaryFile::Access::ReadWrite);
  EXPECT_EQ(file.Insert(1, std::array<uint8_t, 2>{'X', 'X'}), std::nullopt);
  auto expected = RecordFileBytes(4);
  std::copy_n("aaXXbbcc", 8, expected.begin() + RecordFile::kHeaderSize);
  EXPECT_EQ(ReadBytes(dir.File("d.dat")), expected);
  EXPECT_TRUE(std::filesystem::is_symlink(dir.File("link.dat")));
#ifndef _WIN32
  struct stat info {};
  stat(dir.File("d.dat").c_str(), &info);
  EXPECT_EQ(info.st_mode & 0777, 0604u);
#endif
  EXPECT_EQ(file.Count(), 4);
}

#ifdef _WIN32
// A hidden or system file stays one across the replace, as the mode does
// elsewhere.
TEST(RecordFile, InsertKeepsTheFilesMarks) {
  ScratchDir dir;
  const std::string name = dir.File("d.dat");
  WriteBytes(name, RecordFileBytes(3));
  SetFileAttributesA(name.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
  RecordFile file = RecordFile::Open(name, BinaryFile::Access::ReadWrite);
  EXPECT_EQ(file.Insert(0, std::array<uint8_t, 2>{'X', 'X'}), std::nullopt);
  const DWORD marks = GetFileAttributesA(name.c_str());
  EXPECT_TRUE((marks & FILE_ATTRIBUTE_HIDDEN) && (marks & FILE_ATTRIBUTE_SYSTEM)) << marks;
  EXPECT_EQ(file.Count(), 4);
}
#endif

TEST(RecordFile, MergeKeepsWhatOthersChangedInBytesNotEditedHere) {
  std::vector<uint8_t> base = {1, 2, 3, 4};
  std::vector<uint8_t> edited = {1, 9, 3, 4};
  std::vector<uint8_t> current = {7, 2, 3, 8};
  MergeChanges(base, edited, current);
  EXPECT_EQ(current, (std::vector<uint8_t>{7, 9, 3, 8}));
}

// Changed records given in any order land on their records; every other
// byte, the header's included, stays. A record the file does not hold is
// refused, and the file stays as it was.
TEST(RecordFile, PatchReplacesTheGivenRecordsAndNothingElse) {
  ScratchDir dir;
  auto original = RecordFileBytes(4);
  original[0] = 'H';
  WriteBytes(dir.File("d.dat"), original);
  RecordFile file = RecordFile::Open(dir.File("d.dat"), BinaryFile::Access::ReadWrite);
  file.Patch({{3, {'Z', 'Z'}}, {0, {'Y', 'Y'}}});
  auto expected = original;
  std::copy_n("YYbbccZZ", 8, expected.begin() + RecordFile::kHeaderSize);
  EXPECT_EQ(ReadBytes(dir.File("d.dat")), expected);
  try {
    file.Patch({{1, {'X', 'X'}}, {4, {'Q', 'Q'}}});
    ADD_FAILURE() << "patched a record past the end";
  } catch (const RunTimeError& e) {
    EXPECT_EQ(e.Code(), ErrorCode::DiskReadError);
  }
  EXPECT_EQ(ReadBytes(dir.File("d.dat")), expected);
}

// A disk that cannot give the new file its room refuses the patch before a
// byte is written, with the system's own reason (a quota is not a full disk).
TEST(RecordFile, APatchWithoutRoomSaysWhyAndLeavesTheFile) {
  ScratchDir dir;
  const auto original = RecordFileBytes(2);
  WriteBytes(dir.File("d.dat"), original);
  RecordFile file = RecordFile::Open(dir.File("d.dat"), BinaryFile::Access::ReadWrite);
  for (int reason : {ENOSPC, EIO}) {
    file_calls::Table noRoom = file_calls::SystemCalls();
    static int refusal;
    refusal = reason;
    noRoom.reserveSpace = [](file_calls::Handle, int64_t, int64_t) { return refusal; };
    InstalledFileCalls calls(noRoom);
    try {
      file.Patch({{1, {'X', 'X'}}});
      ADD_FAILURE() << "patched without room";
    } catch (const RunTimeError& e) {
      EXPECT_EQ(e.Code(), ErrorCode::DiskWriteError);
      EXPECT_NE(std::string(e.what()).find(std::strerror(reason)), std::string::npos) << e.what();
    }
  }
  EXPECT_EQ(ReadBytes(dir.File("d.dat")), original);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);
}

}  // namespace
}  // namespace vantor::testing
