// datedit --export and --import run as real programs: exact round trips,
// patches that touch only what changed, refusals that name their place and
// write nothing, and outside readers (Python, sqlite3, git) reading exports.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "datedit/datedit_fixtures.h"
#include "format_seek.h"
#include "format_table.h"
#include "os/platform.h"
#include "outside_readers.h"
#include "textform/csv_text.h"

namespace vantor::testing {
namespace {

namespace fs = std::filesystem;

// Names that collide with the reserved columns and with each other, and a
// name with blanks, a quote, a comma and a code page 437 letter: 26 bytes.
constexpr const char* kOddNamesFormat =
    "t rest\n4\nb Aircraft_name\nP Aircraft\nP A\nP A\nb a_2_NAME\n4 Single\n8 Double\n"
    "w record\nx\n2\ns  Blanks, \"quoted\" \x82 \n";

// A copy of datedit in a scratch folder with its format files beside it.
struct TextFormsInstall {
  TextFormsInstall() {
    fs::copy_file(DATEDIT_BINARY, dir.File("datedit"));
    fs::permissions(dir.File("datedit"), fs::perms::owner_all);
    fs::copy_file(fs::path(DATEDIT_BINARY).parent_path() / "planes.txt", dir.File("planes.txt"));
    WriteText(dir.File("types.txt"), kAllTypesFormat);
    WriteText(dir.File("odd.txt"), kOddNamesFormat);
    WriteText(dir.File("none.txt"), "");
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
  const std::string planes = VANTOR_SOURCE_DIR "/samples/planes1.dat";
  struct Case {
    // No source: random records (NaNs, -0, hex that looks like numbers) named
    // "R0" to "R299", since a spreadsheet reads a text with tabs as TSV.
    std::string source, format;
    bool changeSpeed;  // record 5's top speed to 999, in a CSV
  } cases[] = {
      {planes, "planes.txt", false}, {"", "types.txt", false}, {planes, "planes.txt", true}};
  ForEachInstalledRewriter(
      [&](const OutsideRewriter& rewriter) {
        TextFormsInstall install;
        const std::string data = install.dir.File("planes7.dat");
        for (const Case& c : cases) {
          if (c.changeSpeed && rewriter.json) continue;
          if (c.source.empty()) {
            std::vector<uint8_t> records = RandomRecords(300, 46);
            for (size_t r = 0; r < 300; ++r) {
              std::string name = "R" + std::to_string(r);
              std::copy(name.c_str(), name.c_str() + name.size() + 1, records.begin() + r * 46);
            }
            // Record 1's Double -0, which a JSON reader takes for the integer
            // 0 unless it is written -0.0.
            std::fill_n(records.begin() + 46 + 19, 7, 0);
            records[46 + 26] = 0x80;
            WriteBytes(data, DataFileBytes(300, 46, records));
          } else {
            fs::copy_file(c.source, data, fs::copy_options::overwrite_existing);
          }
          std::vector<uint8_t> expected = ReadBytes(data);
          std::string exported = install.Export(data, c.format, rewriter.json ? "json" : "csv");
          if (c.changeSpeed) {
            exported = ChangedCsv(exported, 5, "Top speed km/h", "999");
            expected[100 + 5 * 46 + 22] = 0xE7;
            expected[100 + 5 * 46 + 23] = 0x03;
          }
          WriteText(install.dir.File("out"), exported);
          ProgramRun saved = Rewritten(rewriter, install.dir.Path(), "out");
          ASSERT_EQ(saved.exitCode, 0) << c.format << ": " << saved.err;
          WriteText(install.dir.File("in"), saved.out);
          ProgramRun imported = install.Run({"--import", data, c.format, "in"});
          EXPECT_EQ(imported.exitCode, 0) << c.format << ": " << imported.err;
          EXPECT_EQ(ReadBytes(data), expected) << c.format << " " << c.changeSpeed;
        }
      },
      true);
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
      // The input's control bytes cannot act on the terminal.
      {replaced(csvChanged, "Crew", "C\x1b[2Jw"), "in:1:72: unknown column \"C\\x1B[2Jw\""},
      {ChangedCsv(csvChanged, 5, "Trim", "\x1b]0;x\x07"),
       "in:7:69: column \"Trim\": \"\\x1B]0;x\\x07\" is not an integer"},
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
  // The keys are for --help alone; a refused line gets the usage.
  EXPECT_NE(help.out.find("\n  Ctrl+Q       find the format file by"), std::string::npos);
  EXPECT_EQ(install.Run({"--export"}).err.find("Ctrl+Q       find"), std::string::npos);
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

// The fields of a format as its entries list them.
datedit::FieldDefs Fields(const std::vector<datedit::FieldDef>& entries) {
  datedit::FieldDefs fields{};
  std::copy(entries.begin(), entries.end(), fields.begin());
  return fields;
}

std::string ColumnNames(const datedit::FormatTable& table) {
  std::string names;
  for (const TextColumn& column : table.Columns())
    names += (names.empty() ? "" : ",") + column.name;
  return names;
}

// "record", "rest" and every neighbour column stay what they are; a field
// that would take one of them, or whose neighbour would, gets a suffix.
TEST(FormatTable, ColumnNamesNeverCollide) {
  struct Case {
    std::vector<datedit::FieldDef> fields;
    std::string columns;
  } cases[] = {
      {{{'t', 4, "rest"}}, "record,rest_2,rest"},
      {{{'w', 2, " record "}, {'x', 1, ""}, {'b', 1, "field_2"}},
       "record,record_2,field_2,field_2_2,rest"},
      {{{'b', 1, "Aircraft_name"}, {'P', 1, "Aircraft"}},
       "record,Aircraft_name_2,Aircraft,Aircraft_name,rest"},
      {{{'P', 1, "Aircraft"}, {'b', 1, "Aircraft_name"}},
       "record,Aircraft,Aircraft_name,Aircraft_name_2,rest"},
      {{{'P', 1, "A"}, {'P', 1, "A"}, {'b', 1, "A_2_name"}, {'L', 1, "A_2"}},
       "record,A,A_name,A_2,A_2_name,A_2_name_2,A_2_2,A_2_2_name,rest"},
      // sqlite3 compares column names without regard to case.
      {{{'b', 1, "Name"}, {'b', 1, "name"}, {'P', 1, "REST"}},
       "record,Name,name_2,REST_2,REST_2_name,rest"},
  };
  datedit::NameTables names;
  datedit::InitNameTables(names);
  for (const Case& c : cases) {
    EXPECT_EQ(ColumnNames(datedit::FormatTable(Fields(c.fields), 10, names)), c.columns);
  }
}

// A field that reaches past the record's end is named on export and import.
TEST(TextForms, FieldsBeyondTheRecordAreNamedInAWarning) {
  TextFormsInstall install;
  // A name that would act on a terminal is shown with its control bytes as
  // hex.
  WriteText(install.dir.File("esc.txt"), "w Big\nb A\x1b[31m\n");
  struct Case {
    uint16_t recordSize;
    std::string format, warning;  // warning empty: none
  } cases[] = {
      {20, "types.txt",
       "field \"Double\" (entry 8) does not fit the 20-byte record and is left out, "
       "with the 9 fields after it"},
      {37, "types.txt",
       "field \"C\" (entry 16) does not fit the 37-byte record and is left out, "
       "with the field after it"},
      {38, "types.txt", "field \"O\" (entry 17) does not fit the 38-byte record and is left out"},
      {39, "types.txt", ""},
      {2, "esc.txt",
       "field \"A\\x1B[31m\" (entry 2) does not fit the 2-byte record and is left out"},
  };
  for (const Case& c : cases) {
    WriteBytes(install.dir.File("t.dat"),
               DataFileBytes(1, c.recordSize, LetterRecords(1, c.recordSize)));
    ProgramRun exported = install.Run({"--export", "t.dat", c.format, "-o", "t.csv"});
    ProgramRun imported = install.Run({"--import", "t.dat", c.format, "t.csv"});
    for (const ProgramRun& run : {exported, imported}) {
      EXPECT_EQ(run.exitCode, 0) << run.err;
      std::string line = "datedit: warning: " + c.warning + "\n";
      EXPECT_EQ(run.err.find(line) != std::string::npos, !c.warning.empty()) << run.err;
    }
  }
}

// Records of 30 bytes under kOddNamesFormat whose reals are -0, NaNs with
// a payload, infinities, the smallest subnormal and values without a short
// decimal.
std::vector<uint8_t> OddRealsFile() {
  const uint32_t singles[] = {0x80000000u, 0x7FC00001u, 0x7F800000u,
                              0xFF800000u, 0x00000001u, 0x3DCCCCCDu};
  const uint64_t doubles[] = {0x8000000000000000u, 0xFFF8000000000001u, 0x7FF0000000000000u,
                              0xFFF0000000000000u, 0x0000000000000001u, 0x3FD5555555555555u};
  std::vector<uint8_t> records(6 * 30);
  for (size_t i = 0; i < records.size(); ++i)
    records[i] = static_cast<uint8_t>(i * 37 + 5);
  for (size_t r = 0; r < 6; ++r) {
    for (size_t b = 0; b < 4; ++b)
      records[r * 30 + 9 + b] = static_cast<uint8_t>(singles[r] >> (8 * b));
    for (size_t b = 0; b < 8; ++b)
      records[r * 30 + 13 + b] = static_cast<uint8_t>(doubles[r] >> (8 * b));
  }
  return DataFileBytes(6, 30, records);
}

// The files every outside reader is tried on: the sample under each kind of
// format (none found, fields left out, every type, odd names and reals),
// random records and the fuzz seeds that are data files.
struct ExportCase {
  std::string name;  // the data file's name in the install's folder
  std::vector<uint8_t> bytes;
  std::string format;  // empty: as found from the name
};

std::vector<ExportCase> ExportCases() {
  const auto sample = ReadBytes(VANTOR_SOURCE_DIR "/samples/planes1.dat");
  std::vector<ExportCase> cases = {
      {"planes1.dat", sample, "planes.txt"},
      {"other.dat", sample, ""},
      {"planes7.dat", DataFileBytes(300, 46, RandomRecords(300, 46)), "types.txt"},
      {"short.dat", DataFileBytes(3, 20, LetterRecords(3, 20)), "types.txt"},
      {"odd.dat", OddRealsFile(), "odd.txt"},
  };
  for (const auto& seed :
       fs::directory_iterator(VANTOR_SOURCE_DIR "/tests/fuzz/corpus/fuzz_data_file")) {
    cases.push_back({"seed.dat", ReadBytes(seed.path().string()), "types.txt"});
  }
  return cases;
}

// Exports the case's file, as JSON or CSV, into `out`; false where the
// file is no data file.
bool ExportCaseTo(TextFormsInstall& install, const ExportCase& c, bool json,
                  const std::string& out) {
  WriteBytes(install.dir.File(c.name), c.bytes);
  std::vector<std::string> arguments = {json ? "--export=json" : "--export=csv", c.name};
  if (!c.format.empty()) arguments.push_back(c.format);
  arguments.insert(arguments.end(), {"-o", out});
  return install.Run(arguments).exitCode == 0;
}

TEST(TextForms, PythonJsonschemaFindsEveryExportValid) {
  VANTOR_PYTHON_MODULE_OR_SKIP("jsonschema");
  TextFormsInstall install;
  const std::vector<ExportCase> cases = ExportCases();
  ExpectExportsMatch(VANTOR_SOURCE_DIR "/docs/schemas/datedit-export.schema.json",
                     install.dir.Path(), cases.size(), [&](size_t n, const std::string& out) {
                       return ExportCaseTo(install, cases[n], true, out);
                     });
}

// Every case exported, passed through an outside program and imported back
// changes no byte.
TEST(TextForms, RoundTripsThroughPythonJqAndSqlite3ChangeNoByte) {
  ForEachInstalledRewriter([](const OutsideRewriter& rewriter) {
    TextFormsInstall install;
    for (const ExportCase& c : ExportCases()) {
      ExpectRoundTrip(
          rewriter, install.dir.Path(), install.dir.File(c.name), c.bytes,
          [&](const std::string& out) { return ExportCaseTo(install, c, rewriter.json, out); },
          [&](const std::string& in) {
            return install.Run({"--import", c.name, c.format.empty() ? "none.txt" : c.format, in});
          });
    }
  });
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

// The format file found for a data file named without one: by its own name
// first; a temporary copy named as older versions of git name them, by the
// name after its prefix.
TEST(TextForms, AFormatIsSoughtByTheFilesOwnNameFirst) {
  ScratchDir program;
  WriteText(program.File("planes.txt"), "");
  WriteText(program.File("aa.txt"), "");
  const std::string temporary = JoinPath(TemporaryFolder(), "");
  const std::string elsewhere = program.File("");
  struct Case {
    std::string dataFile, format;  // format empty: none found
  } cases[] = {
      {temporary + "git-blob-Ab12Cd/plane1_aa.dat", "planes.txt"},  // what git 2.39 passes
      {temporary + "git-blob-Ab12Cd/odd.dat", ""},
      {elsewhere + "planes_a1.dat", ""},  // "planes_a*.txt"
      {temporary + "plane1_aa.dat", "planes.txt"},
      {temporary + "kQ2zPa_planes1.dat", "planes.txt"},
      {temporary + "4kQ2zP_odd.dat", ""},
      {elsewhere + "kQ2zPa_planes1.dat", ""},
      {elsewhere + "4kQ2zP_odd.dat", "aa.txt"},  // as Ctrl+Q finds it: every format matches
  };
  for (const Case& c : cases) {
    EXPECT_EQ(datedit::SeekTextFormFormat(program.Path(), c.dataFile).value_or(""), c.format)
        << c.dataFile;
  }
}

// git shows field-level differences of data files through a textconv filter.
TEST(TextForms, GitDiffShowsTheChangedFieldThroughTextconv) {
  VANTOR_PROGRAM_OR_SKIP("git");
  TextFormsInstall install;
  std::string repo = install.dir.File("repo");
  fs::create_directory(repo);
  // git 2.39 hands the filter /tmp/git-blob-XXXXXX/plane1_aa.dat: found by
  // its own name, not by "aa.dat" after a prefix "plane1_".
  fs::copy_file(install.dir.File("types.txt"), install.dir.File("aa.txt"));
  fs::copy_file(VANTOR_SOURCE_DIR "/samples/planes1.dat", repo + "/plane1_aa.dat");
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
            ChangedCsv(install.Export(repo + "/plane1_aa.dat", "planes.txt", "csv"), 5,
                       "Top speed km/h", "999"));
  ProgramRun import = install.Run({"--import", repo + "/plane1_aa.dat", "planes.txt", "in.csv"});
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
