// lmedit --map run as a real program: the SVG it writes, its readers and its
// refusals.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <limits>

#include "lmedit/lmedit_fixtures.h"

namespace vantor::testing {
namespace {

const std::string kGoldenMap =
    std::string(__FILE__).substr(0, std::string(__FILE__).rfind('/')) + "/golden/landmark_map.svg";

ProgramRun RunLmedit(const ScratchDir& dir, const std::vector<std::string>& arguments) {
  return RunProgram(LMEDIT_BINARY, arguments, "", dir.Path());
}

Landmark Place(uint8_t type, uint8_t side, float north, float east, std::string name) {
  Landmark l;
  l.type = type;
  l.side = side;
  l.north = north;
  l.east = east;
  l.name = std::move(name);
  return l;
}

// Both sides, an invalid side, a type without a symbol, names that XML must
// escape (one with a code page 437 letter), and a landmark nowhere.
std::vector<uint8_t> SmallFile() {
  std::vector<Landmark> places = {
      Place(0, 0, 1000, 2000, "B\x83le & <Nord>"),
      Place(7, 1, 3000, 6000, "O'Neil \"Bridge\""),
      Place(3, 5, 2000, 4000, "Greyfield"),
      Place(12, 0, 1500, 5000, "Oddplace"),
      Place(1, 1, std::numeric_limits<float>::quiet_NaN(), 10, "Lostplace"),
  };
  std::vector<uint8_t> records;
  for (const Landmark& l : places) {
    auto bytes = RecordBytes(l);
    records.insert(records.end(), bytes.begin(), bytes.end());
  }
  return LandmarkFileBytes(static_cast<uint16_t>(places.size()), records);
}

TEST(LandmarkMap, SmallFileMatchesTheGoldenPictureOnStandardOutputAndWithO) {
  ScratchDir dir;
  WriteBytes(dir.File("small.mrf"), SmallFile());
  ProgramRun run = RunLmedit(dir, {"--map", "small.mrf"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.err, "");
  if (std::getenv("VANTOR_UPDATE_GOLDEN") != nullptr) WriteText(kGoldenMap, run.out);
  auto golden = ReadBytes(kGoldenMap);
  EXPECT_EQ(run.out, std::string(golden.begin(), golden.end()));

  ProgramRun toFile = RunLmedit(dir, {"--map", "small.mrf", "-o", "map.svg"});
  ASSERT_EQ(toFile.exitCode, 0) << toFile.err;
  EXPECT_EQ(toFile.out, "");
  auto written = ReadBytes(dir.File("map.svg"));
  EXPECT_EQ(std::string(written.begin(), written.end()), run.out);
}

TEST(LandmarkMap, NoLabelsLeavesOutEveryName) {
  ScratchDir dir;
  WriteBytes(dir.File("small.mrf"), SmallFile());
  ProgramRun labelled = RunLmedit(dir, {"--map", "small.mrf"});
  ProgramRun bare = RunLmedit(dir, {"--no-labels", "--map", "small.mrf"});
  ASSERT_EQ(bare.exitCode, 0) << bare.err;
  for (std::string name : {"Nord", "Bridge", "Greyfield", "Oddplace"}) {
    EXPECT_NE(labelled.out.find(name), std::string::npos) << name;
    EXPECT_EQ(bare.out.find(name), std::string::npos) << name;
  }
}

TEST(LandmarkMap, PythonsXmlParserReadsAThousandLandmarks) {
  VANTOR_PROGRAM_OR_SKIP("python3");
  ScratchDir dir;
  WriteBytes(dir.File("big.mrf"), NumberedFile(1000));
  ProgramRun run = RunLmedit(dir, {"--map", "big.mrf", "-o", "big.svg"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  // Every landmark is one <use>, and so is each of the legend's 13 rows.
  const std::string script =
      "import sys, xml.etree.ElementTree as ET\n"
      "root = ET.parse(sys.argv[1]).getroot()\n"
      "ns = '{http://www.w3.org/2000/svg}'\n"
      "assert root.tag == ns + 'svg', root.tag\n"
      "print(len(root.findall(ns + 'use')))\n";
  ProgramRun python =
      RunProgram("/usr/bin/env", {"python3", "-c", script, "big.svg"}, "", dir.Path());
  ASSERT_EQ(python.exitCode, 0) << python.err;
  EXPECT_EQ(python.out, "1013\n");
}

TEST(LandmarkMap, RefusalsEndWithExitCodeOneAndWriteNothing) {
  auto shortFile = NumberedFile(2);
  shortFile.resize(60);
  auto wrongSize = NumberedFile(3);
  wrongSize.pop_back();
  struct Case {
    std::vector<std::string> arguments;
    std::string message;
  };
  const std::vector<Case> cases = {
      {{"--map", "short.mrf", "-o", "out.svg"},
       "lmedit: short.mrf is not a landmark file: 60 bytes, too short for the 100-byte header\n"},
      {{"--map", "wrong.mrf", "-o", "out.svg"},
       "lmedit: wrong.mrf is not a landmark file: its header counts 3 records of 63 bytes (289 "
       "bytes in all), the file has 288 bytes\n"},
      {{"--map", "wrong.mrf", "-o", "wrong.mrf"},
       "lmedit: refused: the map would replace the landmark file wrong.mrf\n"},
      {{"--map", "-o", "out.svg"}, "lmedit: --map draws one landmark file\n"},
      {{"--mapp", "wrong.mrf"}, "lmedit: unknown option --mapp\n"},
      {{"--no-labels", "wrong.mrf"}, "lmedit: -o and --no-labels belong to --map\n"},
      // the text forms
      {{"--export=json", "short.mrf", "-o", "out.svg"},
       "lmedit: short.mrf is not a landmark file: 60 bytes, too short for the 100-byte header\n"},
      {{"--import", "wrong.mrf", "short.mrf"},
       "lmedit: wrong.mrf is not a landmark file: its header counts 3 records of 63 bytes (289 "
       "bytes in all), the file has 288 bytes\n"},
      {{"--export", "wrong.mrf", "-o", "./wrong.mrf"},
       "lmedit: refused: the export would replace the landmark file wrong.mrf\n"},
      {{"--export"}, "lmedit: --export takes one landmark file\n"},
      {{"--import", "wrong.mrf"}, "lmedit: --import takes FILE.mrf and IN\n"},
      {{"--export", "a.mrf", "--import"}, "lmedit: give one of --map, --export and --import\n"},
      {{"--export=xml", "a.mrf"}, "lmedit: unknown option --export=xml\n"},
      {{"--export", "a.mrf", "--dry-run"}, "lmedit: --dry-run belongs to --import\n"},
      {{"--export", "a.mrf", "--no-labels"}, "lmedit: --no-labels belongs to --map\n"},
      {{"--import", "a.mrf", "in", "-o", "out.svg"},
       "lmedit: -o and --no-labels belong to --map\n"},
      {{"--export", "a.mrf", "-o"}, "lmedit: -o needs the name of the output file\n"},
  };
  for (const Case& c : cases) {
    ScratchDir dir;
    WriteBytes(dir.File("short.mrf"), shortFile);
    WriteBytes(dir.File("wrong.mrf"), wrongSize);
    ProgramRun run = RunLmedit(dir, c.arguments);
    EXPECT_EQ(run.exitCode, 1) << c.message;
    EXPECT_EQ(run.err.substr(0, run.err.find('\n') + 1), c.message);
    EXPECT_EQ(run.out, "");
    EXPECT_FALSE(std::ifstream(dir.File("out.svg")).good()) << c.message;
    EXPECT_EQ(ReadBytes(dir.File("wrong.mrf")), wrongSize);
  }
}

TEST(LandmarkMap, HelpListsTheOptions) {
  ScratchDir dir;
  ProgramRun run = RunLmedit(dir, {"--help"});
  EXPECT_EQ(run.exitCode, 0);
  for (std::string option :
       {"--map", "-o", "--no-labels", "--help", "lmedit --export[=csv|json] FILE.mrf [-o OUT]",
        "lmedit --import FILE.mrf IN [--dry-run]", "\n  Y            sync: the output's",
        "\n  P            paste the record"})
    EXPECT_NE(run.out.find(option), std::string::npos) << option;
}

}  // namespace
}  // namespace vantor::testing
