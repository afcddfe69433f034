// datedit --export and --import run as real programs: exact round trips,
// patches that touch only what changed, refusals that name their place and
// write nothing, and outside readers (Python, sqlite3, git) reading exports.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "datedit/datedit_fixtures.h"
#include "textform/csv_text.h"

namespace vantor::testing {
namespace {

namespace fs = std::filesystem;

// Every field type once: t5 s b i w l 4 8 O P C L x3 u h c o = 37 bytes.
constexpr const char* kAllTypesFormat =
    "t Name\n5\ns Signed\nb Byte\ni Int\nw Word\nl Long\n4 Single\n8 Double\nO Object\n"
    "P Plane\nC Class\nL Landmark\nx\n3\nu U\nh H\nc C\no O\n";

// A copy of datedit in a scratch folder with its format files beside it.
struct TextFormsInstall {
  TextFormsInstall() {
    fs::copy_file(DATEDIT_BINARY, dir.File("datedit"));
    fs::permissions(dir.File("datedit"), fs::perms::owner_all);
    fs::copy_file(fs::path(DATEDIT_BINARY).parent_path() / "planes.txt", dir.File("planes.txt"));
    WriteText(dir.File("types.txt"), kAllTypesFormat);
  }
  ProgramRun Run(const std::vector<std::string>& arguments) {
    return RunProgram(dir.File("datedit"), arguments, "", dir.Path());
  }
  std::string Export(const std::string& data, const std::string& format, const char* form) {
    std::vector<std::string> arguments = {std::string("--export=") + form, data};
    if (!format.empty()) arguments.push_back(format);
    ProgramRun run = Run(arguments);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    return run.out;
  }
  ScratchDir dir;
};

std::vector<uint8_t> RandomRecords(int count, int size) {
  std::mt19937 random(12);
  std::vector<uint8_t> bytes(static_cast<size_t>(count) * size);
  for (auto& b : bytes)
    b = static_cast<uint8_t>(random());
  return bytes;
}

TEST(TextForms, ExportThenImportLeavesEveryFileAsItWas) {
  TextFormsInstall install;
  struct Case {
    std::string source;  // a file to copy, or empty for random records
    std::string format;  // empty: found from the data file's name
  } cases[] = {
      {VANTOR_SOURCE_DIR "/samples/planes1.dat", "planes.txt"},
      {VANTOR_SOURCE_DIR "/samples/planes1.dat", ""},
      {VANTOR_SOURCE_DIR "/samples/planes1.dat", "types.txt"},
      {"", "types.txt"},  // NaNs, infinities, texts without a zero, bytes after one
      {"", "planes.txt"},
  };
  std::vector<Case> all(std::begin(cases), std::end(cases));
  for (const auto& seed :
       fs::directory_iterator(VANTOR_SOURCE_DIR "/tests/fuzz/corpus/fuzz_data_file")) {
    all.push_back({seed.path().string(), "types.txt"});
  }
  for (const Case& c : all) {
    std::string data = install.dir.File("planes7.dat");
    if (c.source.empty()) {
      WriteBytes(data, DataFileBytes(300, 46, RandomRecords(300, 46)));
    } else {
      fs::copy_file(c.source, data, fs::copy_options::overwrite_existing);
    }
    std::vector<uint8_t> before = ReadBytes(data);
    for (const char* form : {"csv", "json"}) {
      ProgramRun exported = install.Run(
          {std::string("--export=") + form, data, c.format, "-o", install.dir.File("out.txt")});
      if (c.format.empty())
        exported =
            install.Run({std::string("--export=") + form, data, "-o", install.dir.File("out.txt")});
      if (exported.exitCode != 0) {  // only files that are no data files are refused
        EXPECT_EQ(exported.exitCode, 1) << c.source;
        EXPECT_NE(exported.err.find("Not a structured dat file"), std::string::npos);
        continue;
      }
      ProgramRun imported =
          install.Run({"--import", data, c.format.empty() ? "planes.txt" : c.format,
                       install.dir.File("out.txt")});
      EXPECT_EQ(imported.exitCode, 0) << c.source << " " << form << ": " << imported.err;
      EXPECT_EQ(ReadBytes(data), before) << c.source << " " << c.format << " " << form;
    }
  }
}

// The export of planes1.dat with one cell changed, as CSV.
std::string ChangedCsv(const std::string& exported, int row, const std::string& column,
                       const std::string& value) {
  std::vector<CsvRecord> rows = ReadCsv(exported);
  std::string text;
  for (size_t r = 0; r < rows.size(); ++r) {
    std::vector<std::string> cells;
    for (size_t c = 0; c < rows[r].cells.size(); ++c) {
      bool hit = static_cast<int>(r) == row + 1 && rows[0].cells[c].text == column;
      cells.push_back(hit ? value : rows[r].cells[c].text);
    }
    text += CsvRow(cells);
  }
  return text;
}

TEST(TextForms, AChangedValueChangesOnlyItsOwnBytes) {
  TextFormsInstall install;
  std::string data = install.dir.File("planes1.dat");
  struct Case {
    int record;
    std::string column, value;
    std::vector<std::pair<size_t, uint8_t>> bytes;  // offset in the record, new byte
  } cases[] = {
      {5, "Top speed km/h", "999", {{22, 0xE7}, {23, 0x03}}},
      {5, "Top speed km/h", "$3E7", {{22, 0xE7}, {23, 0x03}}},
      {0, "Name", "Ab", {{0, 'A'}, {1, 'b'}, {2, 0}}},  // bytes after the zero are kept
      {1, "Name", "\xc3\xa9t\xc3\xa9", {{0, 0x82}, {1, 't'}, {2, 0x82}, {3, 0}}},
      {2, "Object", "1", {{17, 0}, {18, 1}}},
      {3, "Trim", "-128", {{21, 0x80}}},
      {4, "Wing area m2", "1", {{30, 0}, {31, 0}, {32, 0x80}, {33, 0x3F}}},
      {6, "field_13", "0aFf", {{43, 0x0A}, {44, 0xFF}}},
  };
  for (const auto& c : cases) {
    fs::copy_file(VANTOR_SOURCE_DIR "/samples/planes1.dat", data,
                  fs::copy_options::overwrite_existing);
    std::vector<uint8_t> expected = ReadBytes(data);
    for (auto [offset, byte] : c.bytes)
      expected[100 + c.record * 46 + offset] = byte;
    WriteText(install.dir.File("in.csv"),
              ChangedCsv(install.Export(data, "planes.txt", "csv"), c.record, c.column, c.value));
    ProgramRun run = install.Run({"--import", data, "planes.txt", install.dir.File("in.csv")});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    std::vector<uint8_t> after = ReadBytes(data);
    for (size_t i = 0; i < after.size(); ++i) {
      if (after[i] != expected[i]) ADD_FAILURE() << c.column << " " << c.value << ": byte " << i;
    }
  }
}

// Through a link, the import changes the file the link leads to, as an
// insert does; the link stays a link.
TEST(TextForms, AnImportThroughALinkChangesTheFileBehindIt) {
  TextFormsInstall install;
  const std::string data = install.dir.File("planes1.dat");
  fs::copy_file(VANTOR_SOURCE_DIR "/samples/planes1.dat", data);
  VANTOR_SYMLINK_OR_SKIP("planes1.dat", install.dir.File("link.dat"));
  std::vector<uint8_t> expected = ReadBytes(data);
  expected[100 + 3 * 46 + 21] = 0x80;  // record 3's Trim
  WriteText(install.dir.File("in.csv"),
            ChangedCsv(install.Export(data, "planes.txt", "csv"), 3, "Trim", "-128"));
  ProgramRun run = install.Run({"--import", "link.dat", "planes.txt", "in.csv"});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(ReadBytes(data), expected);
  EXPECT_TRUE(fs::is_symlink(install.dir.File("link.dat")));
}

TEST(TextForms, DryRunListsTheChangesAndWritesNothing) {
  TextFormsInstall install;
  std::string data = install.dir.File("planes1.dat");
  fs::copy_file(VANTOR_SOURCE_DIR "/samples/planes1.dat", data);
  std::string csv = install.Export(data, "planes.txt", "csv");
  csv = ChangedCsv(csv, 5, "Top speed km/h", "999");
  WriteText(install.dir.File("in.csv"), ChangedCsv(csv, 7, "Name", "Pfalz"));
  ProgramRun run =
      install.Run({"--import", data, "planes.txt", install.dir.File("in.csv"), "--dry-run"});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out,
            "record 5: Top speed km/h 175 -> 999\n"
            "record 7: Name Pfalz, no engine -> Pfalz\n");
  EXPECT_EQ(ReadBytes(data), ReadBytes(VANTOR_SOURCE_DIR "/samples/planes1.dat"));
}

// jq's output reaches the data file through standard input and through a
// pipe given by name, and changes only the bytes of the value jq changed; a
// folder is no input.
TEST(TextForms, AnImportReadsStandardInputAndPipes) {
  VANTOR_PROGRAM_OR_SKIP("jq");
  VANTOR_PROGRAM_OR_SKIP("bash");
  TextFormsInstall install;
  const std::string data = install.dir.File("planes1.dat");
  fs::copy_file(VANTOR_SOURCE_DIR "/samples/planes1.dat", data);
  WriteText(install.dir.File("planes.json"), install.Export(data, "planes.txt", "json"));
  std::vector<uint8_t> expected = ReadBytes(data);
  expected[100 + 3 * 46 + 22] = 200;  // record 3's Top speed, 16 bits
  expected[100 + 3 * 46 + 23] = 0;
  const std::string jq = "jq '.records[3][\"Top speed km/h\"] = 200' planes.json";
  for (const std::string& command : {jq + " | ./datedit --import planes1.dat planes.txt -",
                                     "./datedit --import planes1.dat planes.txt <(" + jq + ")"}) {
    fs::copy_file(VANTOR_SOURCE_DIR "/samples/planes1.dat", data,
                  fs::copy_options::overwrite_existing);
    ProgramRun run = RunProgram(ProgramOnPath("bash"), {"-c", command}, "", install.dir.Path());
    EXPECT_EQ(run.exitCode, 0) << command << ": " << run.err;
    EXPECT_EQ(ReadBytes(data), expected) << command;
  }
  fs::create_directory(install.dir.File("folder"));
  ProgramRun folder = install.Run({"--import", data, "planes.txt", "folder"});
  EXPECT_NE(folder.exitCode, 0);
  EXPECT_NE(folder.err.find("folder"), std::string::npos) << folder.err;
}

// The sample's CSV without its last column, which is empty in every row.
std::string WithoutRest(std::string csv) {
  csv.replace(csv.find(",rest\r\n"), 7, "\r\n");
  for (size_t at; (at = csv.find(",\r\n")) != std::string::npos;)
    csv.replace(at, 3, "\r\n");
  return csv;
}

TEST(TextForms, RefusedInputNamesItsPlaceAndWritesNothing) {
  TextFormsInstall install;
  std::string data = install.dir.File("planes1.dat");
  fs::copy_file(VANTOR_SOURCE_DIR "/samples/planes1.dat", data);
  std::string csv = install.Export(data, "planes.txt", "csv");
  std::string json = install.Export(data, "planes.txt", "json");
  // A valid change first: it must not be written either.
  std::string csvChanged = ChangedCsv(csv, 0, "Crew", "3");
  auto replaced = ReplacedOnce;
  struct Case {
    std::string input, message;
  } cases[] = {
      {replaced(csvChanged, "\r\n11,", "\r\n12,"), "in:13:1: record 12 does not exist"},
      {ChangedCsv(csvChanged, 5, "Top speed km/h", "65536"),
       "in:7:72: column \"Top speed km/h\": 65536 is outside 0 to 65535"},
      {ChangedCsv(csvChanged, 5, "Trim", "x"), "in:7:69: column \"Trim\": \"x\" is not an integer"},
      {ChangedCsv(csvChanged, 5, "Wing area m2", "1e39"),
       "in:7:85: column \"Wing area m2\": \"1e39\" is too large for a 32-bit real"},
      {ChangedCsv(csvChanged, 5, "Name", "sixteen letters!"),
       "in:7:3: column \"Name\": the text has 16 characters, the field holds 15"},
      {ChangedCsv(csvChanged, 5, "Name", "\xe2\x82\xac"),
       "in:7:3: column \"Name\": the text holds a character that code page 437 does not have"},
      {replaced(csvChanged, "Crew", "Crow"), "in:1:72: unknown column \"Crow\""},
      {replaced(csvChanged, "Crew,Trim", "Trim,Crew"),
       "in:1:72: the header does not match the format: expected \"Crew\" here, found \"Trim\""},
      {WithoutRest(csvChanged),
       "in:1:1: the header does not match the format: column \"rest\" is missing"},
      {replaced(csvChanged, "\r\n4,", "\r\n3,"), "in:6:1: record 3 is given twice"},
      {replaced(csvChanged, "Gotha night", "\"Gotha night"),
       "in:13:4: a quoted field is not closed"},
      {replaced(json, "\"Crew\": 1,", "\"Crew\": 300,"),
       "in:5:189: column \"Crew\": 300 is outside 0 to 255"},
      {replaced(json, "\"Crew\": 1,", "\"Crew\": null,"),
       "in:5:189: expected a number or a string"},
      {replaced(json, "\"Crew\": 1,", ""), "in:5:3: member \"Crew\" is missing"},
      {replaced(json, "\"Crew\"", "\"Crow\""), "in:5:189: unknown column \"Crow\""},
      {replaced(json, "\"record_size\": 46", "\"record_size\": 47"),
       "in:3:17: the record size does not match"},
      {replaced(json, "]}", "}"), "in:17:1: expected \",\" or \"]\""},
  };
  for (const auto& c : cases) {
    WriteText(install.dir.File("in"), c.input);
    ProgramRun run = install.Run({"--import", data, "planes.txt", "in"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err.substr(0, 9 + c.message.size()), "datedit: " + c.message) << run.err;
    EXPECT_EQ(ReadBytes(data), ReadBytes(VANTOR_SOURCE_DIR "/samples/planes1.dat")) << c.message;
  }
}

TEST(TextForms, CommandLinesThatAreRefused) {
  TextFormsInstall install;
  struct Case {
    std::vector<std::string> arguments;
    std::string error;
  } cases[] = {
      {{"--export"}, "--export takes DATA and an optional FORMAT"},
      {{"--import", "a.dat", "planes.txt"}, "--import takes DATA, FORMAT and IN"},
      {{"--export", "a.dat", "--import"}, "give one of --export and --import"},
      {{"--export=xml", "a.dat"}, "unknown option --export=xml"},
      {{"--export", "a.dat", "--dry-run"}, "--dry-run belongs to --import"},
      {{"--export", "a.dat", "-o"}, "-o needs the name of the output file"},
  };
  for (const auto& c : cases) {
    ProgramRun run = install.Run(c.arguments);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(Lines(run.err).at(0), "datedit: " + c.error);
    EXPECT_EQ(run.out, "");
  }
  ProgramRun help = install.Run({"--help"});
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_NE(help.out.find("datedit --import DATA FORMAT IN [--dry-run]"), std::string::npos);
}

// An export never writes over a file that it reads, however the output is
// named; both stay as they were.
TEST(TextForms, AnExportOverAFileItReadsIsRefused) {
  TextFormsInstall install;
  fs::copy_file(VANTOR_SOURCE_DIR "/samples/planes1.dat", install.dir.File("planes1.dat"));
  fs::create_directory(install.dir.File("sub"));
  const auto data = ReadBytes(install.dir.File("planes1.dat"));
  const auto format = ReadBytes(install.dir.File("planes.txt"));
  struct Case {
    std::vector<std::string> arguments;
    std::string refused;
  } cases[] = {
      {{"--export", "planes1.dat", "-o", "sub/../planes1.dat"}, "data file planes1.dat"},
      {{"--export", "planes1.dat", "planes.txt", "-o", "planes.txt"}, "format file planes.txt"},
      // The format file found from the data file's name.
      {{"--export=json", "planes1.dat", "-o", "./planes.txt"}, "format file planes.txt"},
  };
  for (const auto& c : cases) {
    ProgramRun run = install.Run(c.arguments);
    EXPECT_EQ(run.exitCode, 1) << c.refused;
    EXPECT_EQ(run.err, "datedit: refused: the export would replace the " + c.refused + "\n");
    EXPECT_EQ(ReadBytes(install.dir.File("planes1.dat")), data);
    EXPECT_EQ(ReadBytes(install.dir.File("planes.txt")), format);
  }
}

// Python's csv and json modules read the sample's export: the columns, and
// the values of one record.
const std::string kReadWithPython = std::string(kPythonReadsExports) + R"(
r = doc["records"][1]
print(list(r)[:4], r["Name"], r["Aircraft_name"], r["Top speed km/h"], r["Empty weight kg"])
)";

TEST(TextForms, PythonReadsTheCsvAndTheJson) {
  VANTOR_PROGRAM_OR_SKIP("python3");
  TextFormsInstall install;
  std::string data = VANTOR_SOURCE_DIR "/samples/planes1.dat";
  WriteText(install.dir.File("p.csv"), install.Export(data, "planes.txt", "csv"));
  WriteText(install.dir.File("p.json"), install.Export(data, "planes.txt", "json"));
  ProgramRun run =
      RunProgram("/usr/bin/env", {"python3", "-c", kReadWithPython, "p.csv", "p.json", "12", "46"},
                 "", install.dir.Path());
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(
      run.out,
      "['record', 'Name', 'Aircraft', 'Aircraft_name'] Camel, worn Sopwith Camel 185 420.5\n");
}

TEST(TextForms, Sqlite3ImportsTheCsv) {
  VANTOR_PROGRAM_OR_SKIP("sqlite3");
  TextFormsInstall install;
  WriteText(install.dir.File("p.csv"),
            install.Export(VANTOR_SOURCE_DIR "/samples/planes1.dat", "planes.txt", "csv"));
  ProgramRun run = RunProgram(testing::ProgramOnPath("sqlite3"),
                              {":memory:", ".import --csv p.csv planes",
                               "SELECT count(*), max(CAST(\"Top speed km/h\" AS INTEGER)), "
                               "group_concat(Name, '|') "
                               "FILTER (WHERE CAST(record AS INTEGER) < 2) "
                               "FROM planes"},
                              "", install.dir.Path());
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out, "12|222|Triplane trainer|Camel, worn\n");
}

// git shows field-level differences of data files through a textconv filter.
TEST(TextForms, GitDiffShowsTheChangedFieldThroughTextconv) {
  VANTOR_PROGRAM_OR_SKIP("git");
  TextFormsInstall install;
  std::string repo = install.dir.File("repo");
  fs::create_directory(repo);
  fs::copy_file(VANTOR_SOURCE_DIR "/samples/planes1.dat", repo + "/planes1.dat");
  WriteText(repo + "/.gitattributes", "*.dat diff=vantor\n");
  auto git = [&](std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(),
                     {"-c", "user.name=t", "-c", "user.email=t@t", "-c",
                      "diff.vantor.textconv=" + install.dir.File("datedit") + " --export"});
    ProgramRun run = RunProgram(testing::ProgramOnPath("git"), arguments, "", repo);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    return run.out;
  };
  git({"init", "-q"});
  git({"add", "."});
  git({"commit", "-qm", "one"});
  WriteText(install.dir.File("in.csv"),
            ChangedCsv(install.Export(repo + "/planes1.dat", "planes.txt", "csv"), 5,
                       "Top speed km/h", "999"));
  ProgramRun import = install.Run({"--import", repo + "/planes1.dat", "planes.txt", "in.csv"});
  ASSERT_EQ(import.exitCode, 0) << import.err;
  git({"commit", "-qam", "two"});
  std::string diff = git({"diff", "HEAD~1", "HEAD"});
  EXPECT_NE(
      diff.find("\n-5,Nieuport 17 copy,21,Nieuport 17,789,Nieuport 17,3,03 - Aircraft,2,-2,175,"),
      std::string::npos)
      << diff;
  EXPECT_NE(
      diff.find("\n+5,Nieuport 17 copy,21,Nieuport 17,789,Nieuport 17,3,03 - Aircraft,2,-2,999,"),
      std::string::npos)
      << diff;
}

}  // namespace
}  // namespace vantor::testing
