// vtvolx VOL --json: JSON Lines that a real JSON reader reads, nothing
// written, and damage reported as "-list" reports it.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <sstream>

#include "vtvolx/vtvolx_fixtures.h"

namespace vantor::testing {
namespace {

namespace fs = std::filesystem;

// Reads every line with Python's json module, checks the members, and
// prints each entry's values, the name escaped to ASCII.
constexpr const char* kReadJsonLines = R"(
import json, sys
keys = {"index", "name", "offset", "size", "real_size", "packed", "safe"}
for line in sys.stdin:
    o = json.loads(line)
    assert set(o) == keys, sorted(o)
    print(o["index"], json.dumps(o["name"]), o["offset"], o["size"], o["real_size"],
          o["packed"], o["safe"], sep="\t")
)";

ProgramRun ReadWithPython(const std::string& jsonLines, const std::string& folder) {
  return RunProgram("/usr/bin/env", {"python3", "-c", kReadJsonLines}, jsonLines, folder);
}

std::set<std::string> FilesIn(const std::string& folder) {
  std::set<std::string> names;
  for (const auto& f : fs::recursive_directory_iterator(folder))
    names.insert(f.path().string());
  return names;
}

TEST(VtvolxJson, EveryEntryAsOneLineThatPythonReads) {
  VANTOR_PROGRAM_OR_SKIP("python3");
  VtvolxInstall v;
  std::vector<TestEntry> entries = {{"quo\"te.txt", "q"},    {"back\\slash.txt", "bs"},
                                    {"bell\x07.txt", "ctl"}, {"caf\x82.dat", "cp437"},
                                    {"../up.txt", "up"},     {"packed.bin", "abc", 10}};
  auto volume = VolumeBytes(entries);
  WriteBytes(v.Work("v.vol"), volume);
  std::set<std::string> before = FilesIn(v.dir.Path());
  ProgramRun run = v.Run({"v.vol", "--json"});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(FilesIn(v.dir.Path()), before);  // no working copy, list or lock file

  ProgramRun read = ReadWithPython(run.out, v.Work(""));
  ASSERT_EQ(read.exitCode, 0) << read.err << run.out;
  struct Expected {
    std::string values;  // index, name, size, real size, packed, safe
  } expected[] = {
      {"0 \"quo\\\"te.txt\" 1 1 False False"},   {"1 \"back\\\\slash.txt\" 2 2 False False"},
      {"2 \"bell\\u0007.txt\" 3 3 False False"}, {"3 \"caf\\u00e9.dat\" 5 5 False True"},
      {"4 \"../up.txt\" 2 2 False False"},       {"5 \"packed.bin\" 3 10 True True"},
  };
  auto lines = Lines(read.out);
  ASSERT_EQ(lines.size(), std::size(expected)) << run.out;
  std::string bytes = TextOf(volume);
  for (size_t i = 0; i < lines.size(); ++i) {
    std::string index, name, offset, size, realSize, packed, safe;
    std::istringstream fields(lines[i]);
    std::getline(fields, index, '\t');
    std::getline(fields, name, '\t');
    std::getline(fields, offset, '\t');
    std::getline(fields, size, '\t');
    std::getline(fields, realSize, '\t');
    std::getline(fields, packed, '\t');
    std::getline(fields, safe, '\t');
    EXPECT_EQ(index + " " + name + " " + size + " " + realSize + " " + packed + " " + safe,
              expected[i].values);
    // The offset is where the entry's stored bytes begin.
    EXPECT_EQ(bytes.substr(std::stoul(offset), std::stoul(size)), entries[i].stored) << lines[i];
  }
}

TEST(VtvolxJson, DamageGivesTheReportsAndExitCodesOfList) {
  auto good = VolumeBytes({{"a.txt", "abcdef"}, {"b.txt", "ghijkl"}});
  auto far = good;
  far[28 + 12 + 8 + 4] = 0xFF;  // the first record's data position, past the end
  auto beyond = good;
  beyond[4] = 0xF0;  // the "VOL " length: the first block lies past the end
  auto badName = good;
  badName[28 + 12 + 8 + 14] = 0x70;  // the second record's name offset, outside the table
  auto noEnd = good;
  noEnd[28 + 12 + 8 + 28] = 0;  // the end record's name offset is no longer -1
  auto negative = VolumeBytes({{"a.txt", "abcdef", 0xFFFFFFFB}, {"b.txt", "ghijkl"}});
  struct Case {
    std::string said;
    std::vector<uint8_t> volume;
    size_t jsonLines;
    int exitCode;
  } cases[] = {
      {"sound", good, 2, 0},
      {"data outside", far, 1, 1},
      {"first block outside", beyond, 2, 1},
      {"name outside", badName, 1, 1},
      {"no end record", noEnd, 2, 100},
      {"cut in the header", {good.begin(), good.begin() + 20}, 0, 100},
      {"cut in the data", {good.begin(), good.end() - 6}, 1, 1},
      {"real size -5", negative, 1, 1},
  };
  const bool python = !ProgramOnPath("python3").empty();
  for (const auto& c : cases) {
    VtvolxInstall v;
    WriteBytes(v.Work("v.vol"), c.volume);
    ProgramRun list = v.Run({"v.vol", "-list"}, "list.txt\n");
    ProgramRun json = v.Run({"v.vol", "--json"});
    EXPECT_EQ(list.exitCode, c.exitCode) << c.said;
    EXPECT_EQ(json.exitCode, list.exitCode) << c.said;
    // The reports that "-list" writes among its lines, then its run-time error.
    std::vector<std::string> reports;
    for (const std::string& line : Lines(list.out)) {
      if (line.starts_with("broken volume") || line.starts_with("  bad entry")) {
        reports.push_back(line);
      }
    }
    for (const std::string& line : Lines(list.err))
      reports.push_back(line);
    EXPECT_EQ(Lines(json.err), reports) << c.said;
    if (!python) continue;
    ProgramRun read = ReadWithPython(json.out, v.Work(""));
    EXPECT_EQ(read.exitCode, 0) << c.said << read.err;
    EXPECT_EQ(Lines(read.out).size(), c.jsonLines) << c.said << json.out;
  }
  if (!python) GTEST_SKIP() << "python3 is not installed: the JSON lines were not read back";
}

TEST(VtvolxJson, OptionsOnTheCommandLine) {
  VtvolxInstall v;
  WriteBytes(v.Work("v.vol"), VolumeBytes({{"a.txt", "abc"}}));
  struct Case {
    std::vector<std::string> arguments;
    int exitCode;
    std::string outPart, errPart;
  } cases[] = {
      {{"--json", "v.vol"}, 0, "{\"index\":0,\"name\":\"a.txt\",\"offset\":", ""},
      {{"--help"}, 0, "\n  --json     with the volume alone: lists", ""},
      {{"v.vol", "-list", "--json"}, 1, "", "--json takes the volume name alone"},
      {{"--json"}, 1, "", "--json takes the volume name alone"},
      {{"v.vol", "--jsn"}, 1, "", "unknown option: --jsn; vtvolx --help lists the options\n"},
  };
  for (const auto& c : cases) {
    ProgramRun run = v.Run(c.arguments);
    EXPECT_EQ(run.exitCode, c.exitCode) << c.arguments[0];
    EXPECT_NE(run.out.find(c.outPart), std::string::npos) << run.out;
    EXPECT_NE(run.err.find(c.errPart), std::string::npos) << run.err;
  }
  // Help keeps the usage as it is and adds the options after it.
  EXPECT_EQ(v.Run({"--help"}).out.substr(0, v.Run({}).out.size()), v.Run({}).out);
}

}  // namespace
}  // namespace vantor::testing
