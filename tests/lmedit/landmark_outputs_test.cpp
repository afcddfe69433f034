#include "landmark_outputs.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "base/run_time_error.h"
#include "base/text_format.h"
#include "landmark_record.h"
#include "lmedit/lmedit_fixtures.h"
#include "single_format.h"

namespace vantor::lmedit {
namespace {

using testing::AsRecord;
using testing::KnownLandmark;
using testing::Landmark;

std::vector<std::string> CrLfLines(const std::vector<uint8_t>& bytes) {
  std::string text(bytes.begin(), bytes.end());
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find("\r\n", start);
    if (end == std::string::npos) {
      lines.push_back("<no CR LF>" + text.substr(start));
      break;
    }
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

// Both landmark files open as after start-up: t.mrf holds landmarks 21 to
// 30, o.mrf landmarks 1 to 10, so every record of the two differs.
class LandmarkFilesTest : public ::testing::Test {
 protected:
  LandmarkFilesTest() {
    std::vector<uint8_t> templateRecords;
    for (int r = 21; r <= 30; ++r) {
      auto bytes = testing::RecordBytes(testing::NumberedLandmark(r));
      templateRecords.insert(templateRecords.end(), bytes.begin(), bytes.end());
    }
    templateBytes = testing::LandmarkFileBytes(10, templateRecords);
    outputBytes = testing::NumberedFile(10);
    Open(templateBytes, outputBytes);
  }
  void Open(const std::vector<uint8_t>& templateFile, const std::vector<uint8_t>& outputFile) {
    testing::WriteBytes(dir.File("t.mrf"), templateFile);
    testing::WriteBytes(dir.File("o.mrf"), outputFile);
    s.TemplateName = dir.File("t.mrf");
    s.OutputName = dir.File("o.mrf");
    s.TemplateFile = RecordFile::Open(s.TemplateName, BinaryFile::Access::ReadWrite);
    s.OutputFile = RecordFile::Open(s.OutputName, BinaryFile::Access::ReadWrite);
    ReadHeader(s);
  }
  std::string Transcript() const { return std::string(h.console.Transcript()); }

  testing::ScratchDir dir;
  testing::LmeditHarness h;
  LmeditState& s = h.state;
  std::vector<uint8_t> templateBytes;
  std::vector<uint8_t> outputBytes;
};

TEST_F(LandmarkFilesTest, BlankOutputFromAThreeRecordTemplate) {
  Open(testing::NumberedFile(3), testing::NumberedFile(3));
  s.OutputName = dir.File("new.mrf");
  h.console.Keys(" ");
  CreateBlankOutput(s);
  std::string name = s.OutputName;
  EXPECT_EQ(Transcript(), "100\ncreating blankfile " + name +
                              "\n"
                              "   1       163\n"
                              "   2       226\n"
                              "   3       289\n"
                              "No file " +
                              name + " existed, blank file created... press a key\n");
  auto bytes = testing::ReadBytes(name);
  ASSERT_EQ(bytes.size(), 289u);
  auto header = testing::NumberedFile(3);
  EXPECT_TRUE(std::equal(bytes.begin(), bytes.begin() + 26, header.begin()));
  EXPECT_TRUE(std::all_of(bytes.begin() + 26, bytes.end(), [](uint8_t b) { return b == 0; }));
  EXPECT_TRUE(h.console.Script().AllKeysTaken());
  EXPECT_TRUE(s.OutputFile.IsOpen());
}

TEST_F(LandmarkFilesTest, BlankOutputCountsPast32767Records) {
  const int count = 40000;
  auto big = testing::LandmarkFileBytes(count, std::vector<uint8_t>(63 * count, 1));
  Open(big, big);
  s.OutputName = dir.File("new.mrf");
  h.console.Keys(" ");
  CreateBlankOutput(s);
  EXPECT_EQ(testing::ReadBytes(s.OutputName).size(), 100u + 63u * count);
  EXPECT_NE(Transcript().find("\n40000   2520100\nNo file "), std::string::npos);
}

TEST_F(LandmarkFilesTest, RangeOfTheOutputFile) {
  h.console.Line(dir.File("r.bin")).Keys("xO").Line("5").Line("7").Keys(" ");
  SaveRange(s);
  EXPECT_EQ(testing::ReadBytes(dir.File("r.bin")), testing::Slice(outputBytes, 352, 189));
  EXPECT_NE(Transcript().find("creating outfile " + dir.File("r.bin") +
                              "\nRecords written:   1\nRecords written:   2\n"
                              "Records written:   3\nraw records file created... press a key\n"),
            std::string::npos);
  EXPECT_TRUE(h.console.Script().AllKeysTaken());
}

TEST_F(LandmarkFilesTest, RangeOfTheInputFileAndAnEmptyRange) {
  h.console.Line(dir.File("r.bin")).Keys("i").Line("1").Line("2").Keys(" ");
  SaveRange(s);
  EXPECT_EQ(testing::ReadBytes(dir.File("r.bin")), testing::Slice(templateBytes, 100, 126));
  h.console.Line(dir.File("r.bin")).Keys("o").Line("7").Line("5").Keys(" ");
  SaveRange(s);
  EXPECT_TRUE(testing::ReadBytes(dir.File("r.bin")).empty());
  EXPECT_EQ(Transcript().find("Records written:   3"), std::string::npos);
}

TEST_F(LandmarkFilesTest, RangeNumbersOutsideTheFileAreAskedAgain) {
  h.console.Line(dir.File("r.bin")).Keys("O");
  h.console.Line("600").Line("7").Keys(" ");
  h.console.Line("5").Line("600").Keys(" ");
  h.console.Line("0").Line("3").Keys(" ");
  h.console.Line("10").Line("10").Keys(" ");
  SaveRange(s);
  EXPECT_NE(Transcript().find("Starting rec# ?\n600\nLast rec# ?\n7\n"
                              "start or end record# to high, max# =    10\nStarting rec# ?\n5\n"),
            std::string::npos);
  EXPECT_NE(Transcript().find("start or end record# to low, min# =     1\n"), std::string::npos);
  EXPECT_EQ(testing::ReadBytes(dir.File("r.bin")), testing::Slice(outputBytes, 667, 63));
}

TEST_F(LandmarkFilesTest, RangePastTheEndOfTheFileIsFilledWithZeros) {
  // The header counts 10 records, the file holds 6.
  Open(templateBytes, testing::Slice(outputBytes, 0, 100 + 6 * 63));
  h.console.Line(dir.File("r.bin")).Keys("O").Line("5").Line("8").Keys(" ");
  SaveRange(s);
  auto expected = testing::Slice(outputBytes, 352, 126);
  expected.resize(4 * 63, 0);
  EXPECT_EQ(testing::ReadBytes(dir.File("r.bin")), expected);
}

TEST_F(LandmarkFilesTest, RangeFileIsReplacedOnlyOnceTheRangeIsWritten) {
  // Sessions that end at the file choice: the input ends, or Ctrl+C.
  testing::WriteBytes(dir.File("r.bin"), {1, 2, 3});
  h.console.Line(dir.File("r.bin")).Keys("x");
  EXPECT_THROW(SaveRange(s), RunTimeError);
  h.console.Line(dir.File("r.bin")).Keys("\x03");
  EXPECT_THROW(SaveRange(s), ProgramEnd);
  EXPECT_EQ(testing::ReadBytes(dir.File("r.bin")), (std::vector<uint8_t>{1, 2, 3}));
}

TEST_F(LandmarkFilesTest, RangeFileMayNotBeAnOpenLandmarkFile) {
  h.console.Line(s.OutputName).Keys(" ");
  SaveRange(s);
  EXPECT_EQ(testing::ReadBytes(s.OutputName), outputBytes);
  EXPECT_NE(Transcript().find("Refused: " + s.OutputName), std::string::npos);
  EXPECT_TRUE(h.console.Script().AllKeysTaken());
}

TEST(ListingLines, HeadingAndRecordLine) {
  EXPECT_EQ(HeadingLine(),
            "Rec# : Lo file ID:LM ID :N co-ord  :E co-ord  :Elevation :Rotation  :     Side:"
            "   Type object:   LM Name   :");
  EXPECT_EQ(HeadingLine().size(), 108u);
  Landmark l = KnownLandmark();
  l.elevation = 3.255f;  // rounds up to two places
  EXPECT_EQ(RecordLine(1, AsRecord(l)),
            "     1  07  AB  01   4660 -12.50000123456.75000      3.26     90.00   Entente"
            "           town Tarrow");
}

TEST(ListingLines, TypeAndSideNamesCountModulo) {
  struct Case {
    uint8_t type;
    uint8_t side;
    const char* names;  // side name in 10, type name in 15
  };
  const Case cases[] = {
      {0, 0, "   Central           aero"},     {6, 1, "   Entente    not for ZMP"},
      {10, 4, "   Entente           city"},    {8, 2, "   Invalid        village"},
      {255, 255, "   Central       railyard"},  // 255 = 28 * 9 + 3 = 85 * 3
  };
  for (const Case& c : cases) {
    Landmark l;
    l.type = c.type;
    l.side = c.side;
    std::string line = RecordLine(7, AsRecord(l));
    EXPECT_EQ(line.substr(line.size() - 26, 25), c.names) << int(c.type) << " " << int(c.side);
  }
}

TEST(ListingLines, SingleRealsAreWrittenAsFormatRealWritesThem) {
  std::vector<float> values = {0.0f,      -0.0f,   -12.5f,   123456.75f, 1.0f / 64,     -1.0f / 64,
                               0.015625f, 2.5e-6f, -2.5e-6f, 0.000005f,  1e-40f,        999999.9f,
                               4.0e11f,   1e12f,   -3e20f,   1e37f,      std::nanf(""), -INFINITY};
  // Reals of every magnitude that a landmark file may hold, from random bits.
  uint32_t bits = 12345;
  for (int i = 0; i < 20000; ++i) {
    bits = bits * 1664525u + 1013904223u;
    uint32_t pattern = (bits & 0x807FFFFFu) | ((90u + (bits >> 8) % 80u) << 23);
    float value;
    std::memcpy(&value, &pattern, sizeof value);
    values.push_back(value);
  }
  for (float value : values) {
    for (int decimals : {0, 2, 5}) {
      ASSERT_EQ(FormatSingle(value, 10, decimals), FormatReal(value, 10, decimals))
          << value << " " << decimals;
    }
  }
}

TEST_F(LandmarkFilesTest, ListingOfElevenHundredRecords) {
  const int count = 1100;  // more than one read of many records
  std::vector<uint8_t> records = testing::NumberedRecords(count);
  // Record 3 has an empty name, record 4 a name without zero byte.
  std::fill_n(records.begin() + 2 * 63 + 23, 40, 0);
  std::fill_n(records.begin() + 3 * 63 + 23, 40, 'Z');
  Open(testing::NumberedFile(count), testing::LandmarkFileBytes(count, records));
  h.console.Keys("2").Line(dir.File("list.txt")).Line(dir.File("tgt.txt")).Keys(" ");
  ListToText(s);
  auto lines = CrLfLines(testing::ReadBytes(dir.File("list.txt")));
  ASSERT_EQ(lines.size(), count + 1u + count / 40);
  for (size_t at : {0u, 40u, 81u})
    EXPECT_EQ(lines[at], HeadingLine()) << at;
  // Record i stands on line i + i / 40.
  for (int i : {1, 2, 39, 40, 1024, 1025, 1100}) {
    EXPECT_EQ(lines[i + i / 40], RecordLine(i, AsRecord(testing::NumberedLandmark(i)))) << i;
  }
  EXPECT_EQ(lines[4].substr(0, 6), "     4");

  auto targets = CrLfLines(testing::ReadBytes(dir.File("tgt.txt")));
  ASSERT_EQ(targets.size(), count - 2u);
  EXPECT_EQ(targets[0], "Place 1");
  EXPECT_EQ(targets[1], "Place 2");
  EXPECT_EQ(targets[2], "Place 5");
  EXPECT_EQ(targets.back(), "Place 1100");
  EXPECT_EQ(h.Row(9), "Done..... press a key...");
  EXPECT_TRUE(h.console.Script().AllKeysTaken());

  // A file that ends before the last record the template counts.
  Open(testing::NumberedFile(count),
       testing::Slice(testing::NumberedFile(count), 0, 100 + 63 * 1099));
  h.console.Keys("2").Line(dir.File("list.txt")).Line(dir.File("tgt.txt"));
  EXPECT_THROW(ListToText(s), RunTimeError);
}

TEST_F(LandmarkFilesTest, ListingOfTheInputFileAndOfNoFile) {
  h.console.Keys("1").Line(dir.File("list.txt")).Line(dir.File("tgt.txt")).Keys(" ");
  ListToText(s);
  auto lines = CrLfLines(testing::ReadBytes(dir.File("list.txt")));
  ASSERT_EQ(lines.size(), 11u);
  EXPECT_EQ(lines[10], RecordLine(10, AsRecord(testing::NumberedLandmark(30))));

  // Any other key reads no file: every line shows the record in TemplateRecord.
  s.TemplateRecord = AsRecord(testing::NumberedLandmark(42));
  h.console.Keys("x").Line(dir.File("list.txt")).Line(dir.File("tgt.txt")).Keys(" ");
  ListToText(s);
  lines = CrLfLines(testing::ReadBytes(dir.File("list.txt")));
  ASSERT_EQ(lines.size(), 11u);
  EXPECT_EQ(lines[10], RecordLine(10, AsRecord(testing::NumberedLandmark(42))));
  EXPECT_EQ(CrLfLines(testing::ReadBytes(dir.File("tgt.txt"))),
            std::vector<std::string>(10, "Place 42"));
}

TEST_F(LandmarkFilesTest, ListFilesThatCannotBeMadeAreAskedAgain) {
  std::string note = "That was no good... try again...( remember, 8.3 names, no long names...) ";
  h.console.Keys("2");
  h.console.Line(dir.File("missing/list.txt")).Line(dir.File("tgt.txt"));
  h.console.Line(dir.File("list.txt")).Line(s.OutputName);          // an open landmark file
  h.console.Line(dir.File("list.txt")).Line(dir.File("list.txt"));  // both the same file
  h.console.Line(dir.File("list.txt")).Line(dir.File("tgt.txt")).Keys(" ");
  ListToText(s);
  EXPECT_EQ(testing::ReadBytes(s.OutputName), outputBytes);
  EXPECT_EQ(CrLfLines(testing::ReadBytes(dir.File("list.txt"))).size(), 11u);
  EXPECT_EQ(CrLfLines(testing::ReadBytes(dir.File("tgt.txt"))).size(), 10u);
  std::string transcript = Transcript();
  size_t notes = 0;
  for (size_t at = transcript.find(note); at != std::string::npos;
       at = transcript.find(note, at + 1))
    ++notes;
  EXPECT_EQ(notes, 3u);
  EXPECT_NE(transcript.find("2 List outputfile to file\n\nName of output file ? :"),
            std::string::npos);
}

}  // namespace
}  // namespace vantor::lmedit
