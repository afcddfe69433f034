#include "landmark_file.h"

#include <gtest/gtest.h>

#include "lmedit_fixtures.h"

namespace vantor::lmedit {
namespace {

using testing::Landmark;
using testing::RecordBytes;

LandmarkRecord AsRecord(const std::vector<uint8_t>& bytes) {
  LandmarkRecord record{};
  std::copy_n(bytes.begin(), record.size(), record.begin());
  return record;
}

TEST(LandmarkFile, RecordOffsets) {
  EXPECT_EQ(RecordOffset(1), 100);
  EXPECT_EQ(RecordOffset(2), 163);
  EXPECT_EQ(RecordOffset(512), 32293);
  EXPECT_EQ(RecordOffset(65535), 4128742);
  EXPECT_EQ(RecordOffset(0), 37);
  EXPECT_EQ(RecordOffset(-1), -26);
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

TEST(LandmarkFile, HeaderReadKeepsTheFirst26BytesAndPositionsBothFiles) {
  testing::ScratchDir dir;
  testing::WriteBytes(dir.File("t.mrf"), testing::NumberedFile(2));
  testing::WriteBytes(dir.File("o.mrf"), testing::NumberedFile(2));
  testing::LmeditHarness h;
  h.state.TemplateFile = BinaryFile::OpenExisting(dir.File("t.mrf"), BinaryFile::Access::ReadWrite);
  h.state.OutputFile = BinaryFile::OpenExisting(dir.File("o.mrf"), BinaryFile::Access::ReadWrite);
  ReadHeader(h.state);
  auto bytes = testing::NumberedFile(2);
  EXPECT_TRUE(std::equal(bytes.begin(), bytes.begin() + 26, h.state.Header.begin()));
  EXPECT_TRUE(std::all_of(h.state.Header.begin() + 26, h.state.Header.end(),
                          [](uint8_t b) { return b == 0; }));
  EXPECT_EQ(RecordCount(h.state.Header), 2);
  EXPECT_EQ(RecordSize(h.state.Header), 63);
  EXPECT_EQ(DateText(h.state.Header), "04/11/17");
  EXPECT_EQ(TimeText(h.state.Header), "10:42am");
  EXPECT_EQ(h.state.TemplateFile.Position(), 100);
  EXPECT_EQ(h.state.OutputFile.Position(), 100);
}

}  // namespace
}  // namespace vantor::lmedit
