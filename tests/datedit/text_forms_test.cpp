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
  ProgramRun Run(const std::vector<std::string>& arguments, const std::string& input = "") {
    return RunProgram(dir.File("datedit"), arguments, input, dir.Path());
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
                       const std::string& value);

// The exports opened and saved again by the programs people use import
// without a change; a cell changed in the CSV before a program saves it
// changes only its own bytes.
TEST(TextForms, ExportsSavedByOutsideProgramsImportUnchanged) {
  TextFormsInstall install;
  const std::string data = install.dir.File("planes7.dat");
  const std::string planes = VANTOR_SOURCE_DIR "/samples/planes1.dat";
  struct Case {
    // No source: random records (NaNs, -0, hex that looks like numbers) named
    // "R0" to "R299", since a spreadsheet reads a text with tabs as TSV.
    std::string source, format;
    bool changeSpeed;  // record 5's top speed to 999, in a CSV
  } cases[] = {
      {planes, "planes.txt", false}, {"", "types.txt", false}, {planes, "planes.txt", true}};
  const std::vector<ExportClient> clients = InstalledExportClients();
  if (clients.empty()) GTEST_SKIP() << "none of the outside programs is installed";
  for (const ExportClient& client : clients) {
    for (const Case& c : cases) {
      if (c.changeSpeed && client.form != "csv") continue;
      if (c.source.empty()) {
        std::vector<uint8_t> records = RandomRecords(300, 46);
        for (size_t r = 0; r < 300; ++r) {
          std::string name = "R" + std::to_string(r);
          std::copy(name.c_str(), name.c_str() + name.size() + 1, records.begin() + r * 46);
        }
        // Record 1's Double -0, which a JSON reader takes for the integer 0
        // unless it is written -0.0.
        std::fill_n(records.begin() + 46 + 19, 7, 0);
        records[46 + 26] = 0x80;
        WriteBytes(data, DataFileBytes(300, 46, records));
      } else {
        fs::copy_file(c.source, data, fs::copy_options::overwrite_existing);
      }
      std::vector<uint8_t> expected = ReadBytes(data);
      std::string exported = install.Export(data, c.format, client.form.c_str());
      if (c.changeSpeed) {
        exported = ChangedCsv(exported, 5, "Top speed km/h", "999");
        expected[100 + 5 * 46 + 22] = 0xE7;
        expected[100 + 5 * 46 + 23] = 0x03;
      }
      const std::string what = client.name + " " + client.form + " " + c.format;
      ProgramRun saved = SaveThroughClient(client, install.dir.Path(), exported);
      ASSERT_EQ(saved.exitCode, 0) << what << ": " << saved.err;
      ProgramRun imported = install.Run({"--import", data, c.format, "saved." + client.form});
      EXPECT_EQ(imported.exitCode, 0) << what << ": " << imported.err;
      EXPECT_EQ(ReadBytes(data), expected) << what;
    }
  }
}

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

// A text stored in the 16 bytes of planes.txt's Name: the field zeroed
// behind it, as the editor stores one.
std::vector<std::pair<size_t, uint8_t>> NameBytes(const std::string& text) {
  std::vector<std::pair<size_t, uint8_t>> bytes;
  for (size_t i = 0; i < 16; ++i)
    bytes.emplace_back(i, i < text.size() ? static_cast<uint8_t>(text[i]) : 0);
  return bytes;
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
      {0, "Name", "Ab", NameBytes("Ab")},
      {1, "Name", "\xc3\xa9t\xc3\xa9", NameBytes("\x82t\x82")},
      {2, "Object", "1", {{17, 0}, {18, 1}}},
      {3, "Trim", "-128", {{21, 0x80}}},
      {4, "Wing area m2", "1", {{30, 0}, {31, 0}, {32, 0x80}, {33, 0x3F}}},
      {6, "field_13", "0aFf", {{43, 0x0A}, {44, 0xFF}}},
      {6, "field_13", "0X0aFf", {{43, 0x0A}, {44, 0xFF}}},
      {6, "field_13", "1", {{43, 0}, {44, 1}}},  // 0001 as a spreadsheet leaves it
      {4,
       "Empty weight kg",
       "-inf",
       {{34, 0}, {35, 0}, {36, 0}, {37, 0}, {38, 0}, {39, 0}, {40, 0xF0}, {41, 0xFF}}},
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

// Texts that a spreadsheet reads as numbers or dates come back unchanged when
// their column is read as text, as the README tells; read as numbers, they
// change (0123 becomes 123).
TEST(TextForms, TextCellsKeepThroughASpreadsheetThatReadsThemAsText) {
  VANTOR_PROGRAM_OR_SKIP("soffice");
  TextFormsInstall install;
  const std::string data = install.dir.File("planes1.dat");
  fs::copy_file(VANTOR_SOURCE_DIR "/samples/planes1.dat", data);
  std::string csv = install.Export(data, "planes.txt", "csv");
  csv = ChangedCsv(ChangedCsv(ChangedCsv(csv, 1, "Name", "1/2"), 2, "Name", "3-4"), 3, "Name",
                   "0123");
  WriteText(install.dir.File("in.csv"), csv);
  ASSERT_EQ(install.Run({"--import", data, "planes.txt", "in.csv"}).exitCode, 0);
  const std::vector<uint8_t> before = ReadBytes(data);
  WriteText(install.dir.File("out.csv"), install.Export(data, "planes.txt", "csv"));
  // Comma, quote, UTF-8, from line 1; "2/2": column 2 (Name) as text.
  for (std::string_view filter : {"CSV:44,34,76,1,2/2", "CSV:44,34,76,1"}) {
    ProgramRun saved = RunProgram(ProgramOnPath("soffice"),
                                  // A profile of its own: no other LibreOffice is disturbed.
                                  {"-env:UserInstallation=file://" + install.dir.File("profile"),
                                   "--headless", "--infilter=" + std::string(filter),
                                   "--convert-to", "csv", "--outdir", "saved", "out.csv"},
                                  "", install.dir.Path());
    ASSERT_EQ(saved.exitCode, 0) << saved.err;
    ProgramRun run = install.Run({"--import", data, "planes.txt", "saved/out.csv", "--dry-run"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    if (filter.ends_with("2/2")) {
      EXPECT_EQ(run.out, "no change\n");
    } else {  // 1/2 becomes a date of this year in the locale's form
      EXPECT_NE(run.out.find("record 1: Name 1/2 -> "), std::string::npos) << run.out;
      EXPECT_NE(run.out.find("record 3: Name 0123 -> 123\n"), std::string::npos) << run.out;
    }
  }
  EXPECT_EQ(ReadBytes(data), before);
}

// A value typed at E in stream mode and the same value imported store the
// same bytes, except where the import refuses what E would wrap or round to
// zero.
TEST(TextForms, AnImportStoresWhatTheEditorStores) {
  TextFormsInstall install;
  WriteText(install.dir.File("fmt.txt"), "sS\niI\nlL\nbB\nwW\ntT\n6\n4F\n8D\n");
  const std::string fields = "SILBWTFD";  // numbered from 1 at E's prompt
  const std::vector<uint8_t> original = DataFileBytes(1, 28, std::vector<uint8_t>(28, 0xA5));
  const std::string data = install.dir.File("d.dat");
  enum Outcome { Same, ImportRefuses, BothRefuse };
  struct Case {
    char field;
    std::string typed;
    Outcome outcome;
  } cases[] = {
      // clang-format off
      {'S', "$FF", Same}, {'S', "-128", Same}, {'S', "-$80", Same}, {'I', "$8000", Same},
      {'I', "$FFFF", Same}, {'I', "-1", Same}, {'L', "$FFFFFFFF", Same}, {'L', "$80000000", Same},
      {'L', "-2147483647", Same}, {'B', "$FF", Same}, {'B', "+7", Same}, {'W', "$FFFF", Same},
      {'T', "ab", Same}, {'T', "", Same}, {'F', "1.5", Same}, {'F', "-0", Same},
      {'F', "1e-45", Same}, {'D', "0.1", Same}, {'D', "-1e308", Same},
      {'S', "300", ImportRefuses}, {'S', "$1FF", ImportRefuses}, {'B', "-1", ImportRefuses},
      {'W', "70000", ImportRefuses}, {'F', "1e-50", ImportRefuses}, {'D', "1e-400", ImportRefuses},
      {'L', "-2147483648", BothRefuse}, {'F', "3.5e38", BothRefuse},
      {'S', "$0000000FF", BothRefuse},  // more than eight hex digits
      // clang-format on
  };
  for (const Case& c : cases) {
    const std::string what = std::string(1, c.field) + " " + c.typed;
    WriteBytes(data, original);
    const std::string number = std::to_string(fields.find(c.field) + 1);
    ProgramRun edit = install.Run({"d.dat", "fmt.txt"}, "\nkE" + number + "\n" + c.typed + "\nQ");
    EXPECT_EQ(edit.exitCode == 0, c.outcome != BothRefuse) << what;
    const std::vector<uint8_t> edited = ReadBytes(data);
    WriteBytes(data, original);
    WriteText(install.dir.File("in.csv"), ChangedCsv(install.Export(data, "fmt.txt", "csv"), 0,
                                                     std::string(1, c.field), c.typed));
    ProgramRun import = install.Run({"--import", "d.dat", "fmt.txt", "in.csv"});
    EXPECT_EQ(import.exitCode == 0, c.outcome == Same) << what << ": " << import.err;
    EXPECT_EQ(ReadBytes(data), c.outcome == Same ? edited : original) << what;
    if (c.outcome == ImportRefuses) {
      EXPECT_NE(edited, original) << what;
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
      {ChangedCsv(csvChanged, 5, "Trim", std::string(400, '1')),
       "in:7:69: column \"Trim\": \"111111111111111111111111...\" is not an integer\n"},
      {ChangedCsv(csvChanged, 5, "field_13", "2E+23"),
       "in:7:97: column \"field_13\": \"2E+23\" is a number in exponent form"},
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
