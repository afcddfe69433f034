#include "landmark_record.h"

#include <gtest/gtest.h>

#include "base/run_time_error.h"
#include "lmedit/lmedit_fixtures.h"

namespace vantor::lmedit {
namespace {

using testing::Landmark;
using testing::RecordBytes;

LandmarkRecord AsRecord(const std::vector<uint8_t>& bytes) {
  LandmarkRecord record{};
  std::copy_n(bytes.begin(), record.size(), record.begin());
  return record;
}

TEST(LandmarkFile, NameEndsAtTheFirstZeroByteAndNeedsOne) {
  Landmark l;
  l.name = "ABC";
  EXPECT_EQ(LandmarkName(AsRecord(RecordBytes(l))), "ABC");
  l.name = std::string(40, 'x');
  EXPECT_EQ(LandmarkName(AsRecord(RecordBytes(l))), "");
  l.name = std::string("AB\0junk", 7);
  EXPECT_EQ(LandmarkName(AsRecord(RecordBytes(l))), "AB");
}

TEST(LandmarkFile, StoreNameClearsTheFieldAndKeepsFortyCharacters) {
  Landmark l;
  l.name = std::string(40, 'o');
  l.id = 7;
  LandmarkRecord record = AsRecord(RecordBytes(l));
  StoreName(record, "0123456789");
  EXPECT_EQ(NameField(record), "0123456789" + std::string(30, '\0'));
  StoreName(record, std::string(45, 'n'));
  EXPECT_EQ(NameField(record), std::string(40, 'n'));
  EXPECT_EQ(LmId(record), 7);  // the field ends where it should
}

TEST(LandmarkFile, FieldsAtTheirOffsets) {
  Landmark l;
  l.id = 0x1234;
  l.type = 7;
  l.middle = 0xAB;
  l.side = 1;
  l.north = -12.5f;
  l.rotation = 90.0f;
  LandmarkRecord record = AsRecord(RecordBytes(l));
  EXPECT_EQ(LmId(record), 0x1234);
  EXPECT_EQ(ObjectType(record), 7);
  EXPECT_EQ(Side(record), 1);
  EXPECT_EQ(RealAt(record, kNCoordOffset), -12.5f);
  EXPECT_EQ(RealAt(record, kRotationOffset), 90.0f);
  SetRealAt(record, kElevationOffset, 3.25f);
  SetLmId(record, 65535);
  EXPECT_EQ(record[15 + 3], 0x40);  // 3.25f is 0x40500000, little-endian
  EXPECT_EQ(record[0], 0xFF);
  EXPECT_EQ(record[1], 0xFF);
}

TEST(LandmarkFile, HeaderKeepsItsFirst26BytesAndRecordsCountFromOne) {
  testing::ScratchDir dir;
  auto bytes = testing::NumberedFile(600);
  testing::WriteBytes(dir.File("t.mrf"), bytes);
  RecordFile file = RecordFile::Open(dir.File("t.mrf"), BinaryFile::Access::ReadWrite);
  LandmarkHeader header = ReadLandmarkHeader(file);
  EXPECT_TRUE(std::equal(bytes.begin(), bytes.begin() + 26, header.begin()));
  EXPECT_TRUE(std::all_of(header.begin() + 26, header.end(), [](uint8_t b) { return b == 0; }));
  EXPECT_EQ(RecordCount(header), 600);
  EXPECT_EQ(RecordSize(header), 63);
  EXPECT_EQ(DateText(header), "04/11/17");
  EXPECT_EQ(TimeText(header), "10:42am");
  EXPECT_EQ(LandmarkFileSize(600), static_cast<int64_t>(bytes.size()));

  // Record 512 starts at byte 32293.
  LandmarkRecord record{};
  ReadRecord(file, 512, record);
  EXPECT_EQ(std::vector<uint8_t>(record.begin(), record.end()), testing::Slice(bytes, 32293, 63));
  WriteRecord(file, 2, LandmarkRecord{});
  EXPECT_EQ(testing::Slice(testing::ReadBytes(dir.File("t.mrf")), 163, 63),
            std::vector<uint8_t>(63, 0));
  testing::WriteBytes(dir.File("t.mrf"), testing::Slice(bytes, 0, 99));
  EXPECT_THROW(ReadLandmarkHeader(file), RunTimeError);
}

}  // namespace
}  // namespace vantor::lmedit
