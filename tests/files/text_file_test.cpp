#include "files/text_file.h"

#include <gtest/gtest.h>

#include "test_support.h"

namespace vantor {
namespace {

using testing::ScratchDir;

std::vector<std::string> AllLines(const std::string& path) {
  TextFileReader reader(path);
  std::vector<std::string> lines;
  while (auto line = reader.ReadRawLine())
    lines.push_back(*line);
  return lines;
}

TEST(TextFileReader, LineEndsOfEveryKind) {
  ScratchDir dir;
  testing::WriteText(dir.File("t"), "lf\ncr\rcrlf\r\n\nlast");
  EXPECT_EQ(AllLines(dir.File("t")), (std::vector<std::string>{"lf", "cr", "crlf", "", "last"}));
}

TEST(TextFileReader, AFinalLineEndMakesNoExtraLine) {
  ScratchDir dir;
  testing::WriteText(dir.File("t"), "one\r\n");
  EXPECT_EQ(AllLines(dir.File("t")), (std::vector<std::string>{"one"}));
}

TEST(TextFileReader, CtrlZEndsTheFile) {
  ScratchDir dir;
  testing::WriteText(dir.File("t"), "one\ntw\x1ao\nthree\n");
  TextFileReader reader(dir.File("t"));
  EXPECT_EQ(reader.ReadRawLine(), "one");
  EXPECT_EQ(reader.ReadRawLine(), "tw");
  EXPECT_TRUE(reader.AtEnd());
  EXPECT_EQ(reader.ReadRawLine(), std::nullopt);
}

TEST(TextFileReader, LongLinesAreCutAndCounted) {
  ScratchDir dir;
  testing::WriteText(dir.File("t"), std::string(300, 'a') + "\nb\n");
  TextFileReader reader(dir.File("t"));
  EXPECT_EQ(reader.ReadLine(255)->size(), 255u);
  EXPECT_EQ(reader.LineNumber(), 1);
  EXPECT_EQ(reader.ReadLine(255), "b");
  EXPECT_EQ(reader.LineNumber(), 2);
}

TEST(TextFileWriter, EndsLinesWithCarriageReturnAndLineFeed) {
  ScratchDir dir;
  TextFileWriter writer(dir.File("w"));
  writer.WriteLine("a");
  writer.Write("b");
  writer.WriteLn();
  writer.Close();
  auto bytes = testing::ReadBytes(dir.File("w"));
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "a\r\nb\r\n");
}

}  // namespace
}  // namespace vantor
