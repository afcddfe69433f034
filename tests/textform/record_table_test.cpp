// The export and import drivers on a small table of two-byte records: the
// bytes of both exports, the numbering, the JSON kinds, and an import's
// changes, patches and refusals.
#include <gtest/gtest.h>

#include <array>

#include "base/hex.h"

#include "test_support.h"
#include "textform/record_table.h"

namespace vantor {
namespace {

// Byte 0 as a number ("nan" for 255), byte 1 as hex, and a read-only label
// that needs quotes in CSV.
class TwoByteTable : public RecordTable {
 public:
  TwoByteTable()
      : columns_{{"record", TextColumnRole::Record},
                 {"n", TextColumnRole::Value, 0, 1, JsonKind::Integer},
                 {"label", TextColumnRole::ReadOnly},
                 {"hex", TextColumnRole::Value, 1, 1}} {}
  const std::vector<TextColumn>& Columns() const override { return columns_; }
  std::string CellText(size_t column, std::span<const uint8_t> record) const override {
    if (column == 1) return record[0] == 255 ? "nan" : std::to_string(record[0]);
    if (column == 2) return "a,\"" + std::to_string(record[0]) + "\"";
    return BytesToHex(record.subspan(1, 1));
  }
  std::optional<std::string> PutCellText(size_t column, std::string_view text,
                                         std::span<uint8_t> record) const override {
    ++puts;
    if (column == 3) return PutHexDigits(text, record.subspan(1, 1));
    if (text == "bad") return "not a byte";
    record[0] = static_cast<uint8_t>(std::stoi(std::string(text)));
    return std::nullopt;
  }
  mutable int puts = 0;

 private:
  std::vector<TextColumn> columns_;
};

struct RecordsFixture : ::testing::Test {
  std::vector<std::array<uint8_t, 2>> records{{7, 0xAB}, {255, 0x01}};
  TwoByteTable table;

  TableFile File() {
    TableFile file;
    file.shape.firstRecord = 1;
    file.shape.count = static_cast<int64_t>(records.size());
    file.shape.recordSize = 2;
    file.shape.fileKind = "test file";
    file.documentHead = {{"file", "\"t.bin\""}};
    file.read = [this](int64_t number, std::span<uint8_t> bytes) {
      std::ranges::copy(records[static_cast<size_t>(number - 1)], bytes.begin());
    };
    return file;
  }
  std::string Export(bool json) {
    ExportTable(table, File(), json, dir.File("out"), discard);
    auto bytes = testing::ReadBytes(dir.File("out"));
    return std::string(bytes.begin(), bytes.end());
  }
  ImportChanges Import(const std::string& text) {
    testing::WriteText(dir.File("in.csv"), text);
    return ReadTableChanges(table, File(), dir.File("in.csv"));
  }
  struct : TextOutput {
    void Write(std::string_view) override {}
    void WriteLn() override {}
  } discard;
  testing::ScratchDir dir;
};

TEST_F(RecordsFixture, ExportsWriteEveryColumnOfEveryRecord) {
  EXPECT_EQ(Export(false),
            "record,n,label,hex\r\n"
            "1,7,\"a,\"\"7\"\"\",AB\r\n"
            "2,nan,\"a,\"\"255\"\"\",01\r\n");
  EXPECT_EQ(Export(true),
            "{\"file\": \"t.bin\",\n \"record_size\": 2,\n \"records\": [\n"
            "  {\"record\": 1, \"n\": 7, \"label\": \"a,\\\"7\\\"\", \"hex\": \"AB\"},\n"
            "  {\"record\": 2, \"n\": \"nan\", \"label\": \"a,\\\"255\\\"\", \"hex\": \"01\"}\n"
            "]}\n");
  records.clear();
  EXPECT_EQ(Export(true), "{\"file\": \"t.bin\",\n \"record_size\": 2,\n \"records\": []}\n");
}

TEST_F(RecordsFixture, AnImportPatchesOnlyTheRecordsThatChange) {
  ImportChanges result = Import("record,n,hex\r\n1,7,AB\r\n2,9,01\r\n");
  EXPECT_EQ(table.puts, 1);  // an unchanged text is not read back
  ASSERT_EQ(result.changes.size(), 1u);
  EXPECT_EQ(result.changes[0].record, 2);
  EXPECT_EQ(result.changes[0].column, "n");
  EXPECT_EQ(result.changes[0].before, "nan");
  EXPECT_EQ(result.changes[0].after, "9");
  ASSERT_EQ(result.patches.size(), 1u);
  EXPECT_EQ(result.patches[0].index, 1);  // record 2, numbered from 1
  EXPECT_EQ(result.patches[0].bytes, (std::vector<uint8_t>{9, 0x01}));
}

// Texts as other programs write them, each changing record 2's n to 9.
TEST_F(RecordsFixture, InputsAsOtherProgramsWriteThemAreRead) {
  const std::string json =
      "{\"records\": [{\"record\": 2, \"n\": 9, \"hex\": \"01\"}], \"record_size\": 2}";
  for (const std::string& input : std::vector<std::string>{
           "\xEF\xBB\xBF" + json, "record,n,hex\r\n2,9,01\r\n\r\n", "record,n,hex\n2,9,01\n\n"}) {
    ImportChanges result = Import(input);
    ASSERT_EQ(result.changes.size(), 1u) << input;
    EXPECT_EQ(result.changes[0].after, "9") << input;
  }
}

TEST_F(RecordsFixture, ARefusedCellNamesItsPlaceAndColumn) {
  struct Case {
    std::string input, message;
  } cases[] = {
      {"record,n,hex\r\n2,bad,01\r\n", ":2:3: column \"n\": not a byte"},
      {"{\"file\": \"x\", \"record_size\": 2, \"records\": [{\"record\": 1, \"n\": 7, \"hex\": "
       "\"ZZ\"}]}",
       ":1:74: column \"hex\": \"ZZ\" is not hex digits"},
      {"{\"format\": null, \"records\": []}", ":1:12: unknown member \"format\""},
      {"\xEF\xBB\xBFrecord;n;hex\r\n1;7;AB\r\n",
       ":1:1: the columns are separated by semicolons: save the file with commas as the "
       "separator"},
      // Refused at its start, at the bound: four times the longest field, and room to spare.
      {"record,n,hex\r\n1,7," + std::string(200000, 'A') + "\r\n", ":2:5: " + TooLongMessage(1030)},
      {"{\"record_size\": 3, \"records\": []}",
       ":1:17: the record size does not match the test "
       "file's 2"},
  };
  for (const Case& c : cases) {
    try {
      Import(c.input);
      ADD_FAILURE() << "accepted: " << c.input;
    } catch (const TextFormRefusal& refusal) {
      EXPECT_EQ(refusal.message, dir.File("in.csv") + c.message) << c.input;
    }
  }
}

}  // namespace
}  // namespace vantor
