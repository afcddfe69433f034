// lmedit --export and --import run as real programs: exact round trips,
// patches that touch only what changed, the same import from CSV and JSON,
// refusals that name their place and write nothing, and Python reading the
// exports.
#include <gtest/gtest.h>

#include <bit>
#include <filesystem>

#include "lmedit/lmedit_fixtures.h"
#include "outside_readers.h"
#include "textform/csv_text.h"

namespace vantor::testing {
namespace {

namespace fs = std::filesystem;

const std::string kSample = VANTOR_SOURCE_DIR "/samples/lndmrks0.mrf";

ProgramRun Lmedit(const ScratchDir& dir, const std::vector<std::string>& arguments) {
  return RunProgram(LMEDIT_BINARY, arguments, "", dir.Path());
}

std::string Export(const ScratchDir& dir, const std::string& file, const char* form) {
  ProgramRun run = Lmedit(dir, {std::string("--export=") + form, file});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  return run.out;
}

// What the screen can never write: NaNs with payloads and signs,
// infinities, a name filling all 40 bytes, bytes after a name's zero, spare
// and middle bytes that are not zero, types and sides without a name.
std::vector<uint8_t> OddFile() {
  std::vector<uint8_t> records;
  for (int r = 1; r <= 4; ++r) {
    Landmark l = KnownLandmark();
    l.type = static_cast<uint8_t>(r * 60);
    l.side = static_cast<uint8_t>(r);
    l.north = std::bit_cast<float>(0x7FC00001u + r);
    l.east = std::bit_cast<float>(0xFF800001u);
    l.elevation = r % 2 ? std::numeric_limits<float>::infinity() : -0.0f;
    l.rotation = std::bit_cast<float>(0x00000001u);  // the smallest subnormal
    l.name = r == 1 ? std::string(40, '\xDB') : std::string("A\0tail,\"x\"\r\n", 12);
    auto bytes = RecordBytes(l);
    records.insert(records.end(), bytes.begin(), bytes.end());
  }
  return LandmarkFileBytes(4, records);
}

TEST(LandmarkText, ExportThenImportLeavesEveryFileAsItWas) {
  ScratchDir dir;
  std::vector<std::vector<uint8_t>> files = {ReadBytes(kSample), OddFile(), NumberedFile(0)};
  for (const auto& seed :
       fs::directory_iterator(VANTOR_SOURCE_DIR "/tests/fuzz/corpus/fuzz_landmark")) {
    files.push_back(ReadBytes(seed.path().string()));
  }
  const std::string file = dir.File("l.mrf");
  for (const auto& before : files) {
    WriteBytes(file, before);
    for (const char* form : {"csv", "json"}) {
      ProgramRun exported = Lmedit(dir, {std::string("--export=") + form, file, "-o", "out"});
      if (exported.exitCode != 0) {  // only files that are no landmark files are refused
        EXPECT_EQ(exported.exitCode, 1);
        EXPECT_NE(exported.err.find("is not a landmark file"), std::string::npos) << exported.err;
        continue;
      }
      ProgramRun imported = Lmedit(dir, {"--import", file, "out"});
      EXPECT_EQ(imported.exitCode, 0) << form << ": " << imported.err;
      EXPECT_EQ(ReadBytes(file), before) << form;
    }
  }
}

// The cells of the export's rows.
std::vector<std::vector<std::string>> Cells(const std::string& csv) {
  std::vector<std::vector<std::string>> rows;
  for (const CsvRecord& record : ReadCsv(csv)) {
    rows.emplace_back();
    for (const CsvCell& cell : record.cells)
      rows.back().push_back(cell.text);
  }
  return rows;
}

// One record of the export, with `column` set to `value`, as CSV (every
// column) and as JSON (values only, all as strings).
struct Edit {
  std::string csv, json;
};

Edit Edited(const std::string& exported, size_t record, const std::string& column,
            const std::string& value) {
  auto rows = Cells(exported);
  std::vector<std::string> row = rows.at(record);
  Edit edit{CsvRow(rows[0]), "{\"records\": [{"};
  for (size_t c = 0; c < row.size(); ++c) {
    if (rows[0][c] == column) row[c] = value;
    if (rows[0][c] == "type" || rows[0][c] == "side") continue;
    edit.json += (c == 0 ? "\"" : ", \"") + rows[0][c] + "\": \"" + row[c] + "\"";
  }
  edit.csv += CsvRow(row);
  edit.json += "}]}";
  return edit;
}

TEST(LandmarkText, AChangeInCsvOrJsonChangesOnlyItsOwnBytes) {
  ScratchDir dir;
  const std::string file = dir.File("l.mrf");
  const std::string exported = Export(dir, kSample, "csv");
  std::string newName(40, '\0');
  newName.replace(0, 11, "Hestle Nord");
  struct Case {
    std::string column, value;
    size_t offset;
    std::string bytes;  // from `offset` of record 9
  } cases[] = {
      {"lm_id", "4661", 0, "\x35\x12"},
      {"lm_id", "$FFFF", 0, "\xFF\xFF"},
      {"spare", "0a0B", 2, "\x0A\x0B"},
      {"lo_file_id", "0801ff", 4, "\x08\x01\xFF"},
      {"lo_file_id", "0x0801FF", 4, "\x08\x01\xFF"},
      {"lo_file_id", "1", 4, std::string("\0\0\x01", 3)},  // 000001 as a spreadsheet leaves it
      {"elevation", "inf", 15, std::string("\0\0\x80\x7F", 4)},
      {"n_coord", "1", 7, std::string("\0\0\x80\x3F", 4)},
      {"rotation", " -0 ", 19, std::string("\0\0\0\x80", 4)},
      {"name", "Hestle Nord", 23, newName},
      {"name", "\xc3\xa9", 23, std::string("\x82\0\0\0\0\0", 6)},  // the rest zeroed
  };
  for (const Case& c : cases) {
    Edit edit = Edited(exported, 9, c.column, c.value);
    for (const std::string& input : {edit.csv, edit.json}) {
      std::vector<uint8_t> expected = ReadBytes(kSample);
      std::copy(c.bytes.begin(), c.bytes.end(), expected.begin() + 100 + 8 * 63 + c.offset);
      WriteBytes(file, ReadBytes(kSample));
      WriteText(dir.File("in"), input);
      ProgramRun run = Lmedit(dir, {"--import", file, "in"});
      EXPECT_EQ(run.exitCode, 0) << run.err;
      EXPECT_EQ(ReadBytes(file), expected) << c.column << " " << c.value << "\n" << input;
    }
  }
}

// The exports opened and saved again by the programs people use import
// without a change (-0, NaNs and hex cells included); a name changed in the
// CSV before a program saves it changes only its own bytes.
TEST(LandmarkText, ExportsSavedByOutsideProgramsImportUnchanged) {
  ScratchDir dir;
  const std::string file = dir.File("l.mrf");
  std::string newName(40, '\0');
  newName.replace(0, 11, "Hestle Nord");
  struct Case {
    std::vector<uint8_t> bytes;
    bool rename;  // record 9 to Hestle Nord, in a CSV
  } cases[] = {{ReadBytes(kSample), false}, {OddFile(), false}, {ReadBytes(kSample), true}};
  ForEachInstalledRewriter(
      [&](const OutsideRewriter& rewriter) {
        for (const Case& c : cases) {
          if (c.rename && rewriter.json) continue;
          WriteBytes(file, c.bytes);
          std::vector<uint8_t> expected = c.bytes;
          std::string exported = Export(dir, file, rewriter.json ? "json" : "csv");
          if (c.rename) {
            exported = Edited(exported, 9, "name", "Hestle Nord").csv;
            std::copy(newName.begin(), newName.end(), expected.begin() + 100 + 8 * 63 + 23);
          }
          WriteText(dir.File("out"), exported);
          ProgramRun saved = Rewritten(rewriter, dir.Path(), "out");
          ASSERT_EQ(saved.exitCode, 0) << saved.err;
          WriteText(dir.File("in"), saved.out);
          ProgramRun imported = Lmedit(dir, {"--import", file, "in"});
          EXPECT_EQ(imported.exitCode, 0) << imported.err;
          EXPECT_EQ(ReadBytes(file), expected) << c.rename;
        }
      },
      true);
}

TEST(LandmarkText, DryRunListsTheChangesAndWritesNothing) {
  ScratchDir dir;
  WriteBytes(dir.File("l.mrf"), ReadBytes(kSample));
  auto rows = Cells(Export(dir, kSample, "csv"));
  rows[9][10] = "Hestle Nord";
  rows[9][6] = "53110.25";
  rows[2][1] = "7";
  std::string csv;
  for (const auto& row : rows)
    csv += CsvRow(row);
  WriteText(dir.File("in.csv"), csv);
  // From a file, and from standard input.
  for (ProgramRun run :
       {Lmedit(dir, {"--import", "l.mrf", "in.csv", "--dry-run"}),
        RunProgram(LMEDIT_BINARY, {"--import", "l.mrf", "-", "--dry-run"}, csv, dir.Path())}) {
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out,
              "record 2: lm_id 102 -> 7\n"
              "record 9: n_coord 53110.5 -> 53110.25\n"
              "record 9: name Hestle -> Hestle Nord\n");
  }
  EXPECT_EQ(ReadBytes(dir.File("l.mrf")), ReadBytes(kSample));
}

TEST(LandmarkText, RefusedInputNamesItsPlaceAndWritesNothing) {
  ScratchDir dir;
  const std::string csv = Export(dir, kSample, "csv");
  const std::string json = Export(dir, kSample, "json");
  // A valid change in record 1 first: it must not be written either.
  const std::string changed = ReplacedOnce(csv, "Field Hollin", "Field Holly");
  auto csvWith = [&](const std::string& from, const std::string& to) {
    return ReplacedOnce(changed, from, to);
  };
  auto jsonWith = [&](const std::string& from, const std::string& to) {
    return ReplacedOnce(json, from, to);
  };
  // The changed export with one more value changed in record 9 (line 10).
  auto cell = [&](const std::string& column, const std::string& value) {
    auto rows = Cells(changed);
    std::string text;
    for (auto& row : rows) {
      if (&row == &rows[9])
        row[std::find(rows[0].begin(), rows[0].end(), column) - rows[0].begin()] = value;
      text += CsvRow(row);
    }
    return text;
  };
  const std::string kLong(400, '1');  // quoted cut in the message
  struct Case {
    std::string input, message;
  } cases[] = {
      {csvWith("\r\n20,", "\r\n21,"), "in:21:1: record 21 does not exist"},
      {csvWith("\r\n1,", "\r\n0,"), "in:2:1: record 0 does not exist"},
      {csvWith("\r\n2,", "\r\n1,"), "in:3:1: record 1 is given twice"},
      {cell("lm_id", "65536"), "in:10:3: column \"lm_id\": 65536 is outside 0 to 65535"},
      {cell("lm_id", "-1"), "in:10:3: column \"lm_id\": -1 is outside 0 to 65535"},
      {cell("lm_id", kLong), "in:10:3: column \"lm_id\": \"111111111111111111111111...\" is"},
      {cell("spare", "2E+23"), "in:10:7: column \"spare\": \"2E+23\" is a number in exponent"},
      {cell("n_coord", "1e-50"), "in:10:39: column \"n_coord\": \"1e-50\" is too small"},
      {cell("spare", "00000"), "in:10:7: column \"spare\": expected up to 4 hex digits, found 5"},
      {cell("lo_file_id", "08000G"), "in:10:14: column \"lo_file_id\": \"08000G\" is not hex"},
      {cell("n_coord", "3.5e38"), "in:10:39: column \"n_coord\": \"3.5e38\" is too large"},
      {cell("e_coord", "east"), "in:10:47: column \"e_coord\": \"east\" is not a number"},
      {cell("name", std::string(40, 'x')),
       "in:10:62: column \"name\": the name has 40 characters, the field holds 39"},
      {cell("name", "\xe2\x82\xac"), "in:10:62: column \"name\": the text holds a character"},
      {csvWith("lm_id", "lm_ids"), "in:1:8: unknown column \"lm_ids\""},
      {csvWith("n_coord,e_coord", "e_coord,n_coord"),
       "in:1:41: the header does not match the format: expected \"n_coord\" here"},
      {csvWith(",name\r\n", "\r\n"), "in:1:1: the header does not match"},
      {csvWith("Verdmont", "Verd\"mont"), "in:3:62: a quote inside a field that is not quoted"},
      {jsonWith("\"record_size\": 63", "\"record_size\": 64"),
       "in:2:17: the record size does not match the landmark file's 63"},
      {jsonWith("\"record_size\"", "\"size\""), "in:2:10: unknown member \"size\""},
      {jsonWith("\"lm_id\": 104,", ""), "in:7:3: member \"lm_id\" is missing"},
      {jsonWith("\"lm_id\": 104", "\"lm_id\": 70000"),
       "in:7:26: column \"lm_id\": 70000 is outside 0 to 65535"},
  };
  for (const Case& c : cases) {
    WriteBytes(dir.File("l.mrf"), ReadBytes(kSample));
    WriteText(dir.File("in"), c.input);
    ProgramRun run = Lmedit(dir, {"--import", "l.mrf", "in"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err.substr(0, 8 + c.message.size()), "lmedit: " + c.message) << run.err;
    EXPECT_EQ(ReadBytes(dir.File("l.mrf")), ReadBytes(kSample)) << c.message;
  }
}

// The files every outside reader is tried on: the sample, odd reals and
// names, no record, and the fuzz seeds that are landmark files.
std::vector<std::vector<uint8_t>> ExportedFiles() {
  std::vector<std::vector<uint8_t>> files = {ReadBytes(kSample), OddFile(), NumberedFile(0),
                                             NumberedFile(5)};
  for (const auto& seed :
       fs::directory_iterator(VANTOR_SOURCE_DIR "/tests/fuzz/corpus/fuzz_landmark")) {
    files.push_back(ReadBytes(seed.path().string()));
  }
  return files;
}

TEST(LandmarkText, PythonJsonschemaFindsEveryExportValid) {
  VANTOR_PYTHON_MODULE_OR_SKIP("jsonschema");
  ScratchDir dir;
  const std::vector<std::vector<uint8_t>> files = ExportedFiles();
  ExpectExportsMatch(VANTOR_SOURCE_DIR "/docs/schemas/lmedit-export.schema.json", dir.Path(),
                     files.size(), [&](size_t n, const std::string& out) {
                       WriteBytes(dir.File("l.mrf"), files[n]);
                       return Lmedit(dir, {"--export=json", "l.mrf", "-o", out}).exitCode == 0;
                     });
}

// Every file exported, passed through an outside program and imported back
// changes no byte.
TEST(LandmarkText, RoundTripsThroughPythonJqAndSqlite3ChangeNoByte) {
  ForEachInstalledRewriter([](const OutsideRewriter& rewriter) {
    ScratchDir dir;
    const std::string form = rewriter.json ? "--export=json" : "--export=csv";
    for (const auto& bytes : ExportedFiles()) {
      ExpectRoundTrip(
          rewriter, dir.Path(), dir.File("l.mrf"), bytes,
          [&](const std::string& out) {
            return Lmedit(dir, {form, "l.mrf", "-o", out}).exitCode == 0;
          },
          [&](const std::string& in) {
            return Lmedit(dir, {"--import", "l.mrf", in});
          });
    }
  });
}

// Python's csv and json modules read the sample's export: the columns, and
// the values of one record.
const std::string kReadWithPython = std::string(kPythonReadsExports) + R"(
r = doc["records"][17]
print(",".join(rows[0]), r["lo_file_id"], r["type"], r["name"], r["e_coord"])
)";

TEST(LandmarkText, PythonReadsTheCsvAndTheJson) {
  VANTOR_PROGRAM_OR_SKIP("python3");
  ScratchDir dir;
  WriteText(dir.File("l.csv"), Export(dir, kSample, "csv"));
  WriteText(dir.File("l.json"), Export(dir, kSample, "json"));
  ProgramRun run =
      RunProgram("/usr/bin/env", {"python3", "-c", kReadWithPython, "l.csv", "l.json", "20", "63"},
                 "", dir.Path());
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out,
            "record,lm_id,spare,lo_file_id,type,side,n_coord,e_coord,elevation,rotation,name "
            "0x0C0000 unknown type Marker, type unknown 23000.0\n");
}

}  // namespace
}  // namespace vantor::testing
