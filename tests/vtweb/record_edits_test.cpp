// The edit requests without sockets, on a data file of every field type and
// on a landmark file: saves that write what the screens' editors write,
// merges and conflicts, a replaced file, every refusal with the file left
// byte for byte, inserts, blanks, checks and the lock.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "base/json_text.h"
#include "datedit/datedit_fixtures.h"
#include "landmark_record.h"
#include "lmedit/lmedit_fixtures.h"
#include "os/file_lock.h"
#include "record_edits.h"
#include "textform/json_reader.h"
#include "web_page.h"
#include "web_requests.h"

namespace vantor::testing {
namespace {

using vtweb::HttpHeaders;
using vtweb::HttpRequest;
using vtweb::HttpResponse;
using vtweb::VtwebState;

constexpr const char* kSecret = "00112233445566778899AABBCCDDEEFF";
constexpr uint16_t kTypesSize = 39;  // kAllTypesFormat's record length

HttpRequest Post(std::string path, std::string body, HttpHeaders more = {}) {
  HttpRequest request{"POST",
                      std::move(path),
                      {{"Host", "127.0.0.1:8123"},
                       {"Cookie", std::string("vtweb-8123=") + kSecret},
                       {"Origin", "http://127.0.0.1:8123"},
                       {"Content-Type", "application/json"}},
                      std::move(body)};
  for (auto& [name, value] : more) {
    std::erase_if(request.headers, [&](const auto& h) { return h.first == name; });
    if (!value.empty()) request.headers.emplace_back(name, value);
  }
  return request;
}

class RecordEdits : public ::testing::Test {
 protected:
  RecordEdits() {
    WriteBytes(dir.File("d.dat"), DataFileBytes(3, kTypesSize, LetterRecords(3, kTypesSize)));
    WriteText(dir.File("types.txt"), kAllTypesFormat);
    WriteBytes(dir.File("l.mrf"), NumberedFile(3));
    data = Serving(ShowData());
    landmarks = Serving(vtweb::ShowLandmarkFile(dir.File("l.mrf")));
  }
  std::unique_ptr<vtweb::ShownFile> ShowData() {
    datedit::DateditOptions options;
    options.DataFileName = dir.File("d.dat");
    options.FormatFileName = dir.File("types.txt");
    StringOutput warnings;
    return vtweb::ShowDataFile(options, warnings);
  }
  static VtwebState Serving(std::unique_ptr<vtweb::ShownFile> shown) {
    VtwebState s;
    s.Shown = std::move(shown);
    s.Port = 8123;
    s.Secret = kSecret;
    return s;
  }
  static std::string Get(const VtwebState& s, const std::string& path) {
    HttpRequest request = Post(path, "", {{"Content-Type", ""}});
    request.method = "GET";
    return vtweb::AnswerRequest(s, request).body;
  }
  static std::string Version(const VtwebState& s) {
    return ReadJson(Get(s, "/api/version")).Member("version")->text;
  }
  // A write to `path` at the file's version now, with the other members.
  static HttpResponse Write(const VtwebState& s, const std::string& path,
                            const std::string& members) {
    return vtweb::AnswerRequest(
        s, Post(path, "{\"version\": " + JsonString(Version(s)) + ", " + members + "}"));
  }
  // A save of one record's cells, `before` as the disk has them now.
  static std::string SaveBody(const VtwebState& s, int64_t record,
                              const std::vector<std::pair<std::string, std::string>>& after) {
    std::string before, changed;
    for (const auto& [column, text] : after) {
      before += std::string(before.empty() ? "" : ", ") + JsonString(column) + ": " +
                JsonString(DiskText(s, record, column));
      changed +=
          std::string(changed.empty() ? "" : ", ") + JsonString(column) + ": " + JsonString(text);
    }
    return "{\"version\": " + JsonString(Version(s)) +
           ", \"records\": [{\"record\": " + std::to_string(record) + ", \"before\": {" + before +
           "}, \"after\": {" + changed + "}}]}";
  }
  static std::string DiskText(const VtwebState& s, int64_t record, const std::string& column) {
    const JsonValue records = ReadJson(Get(s, "/api/records"));
    for (const JsonValue& row : records.Member("records")->items) {
      if (row.Member("record")->text == std::to_string(record)) return row.Member(column)->text;
    }
    return "?";
  }
  ScratchDir dir;
  VtwebState data, landmarks;
};

HttpResponse Answer(const VtwebState& s, const HttpRequest& request) {
  return vtweb::AnswerRequest(s, request);
}

// The file with `bytes` put at `offset` of record `index`.
std::vector<uint8_t> Patched(std::vector<uint8_t> file, size_t recordSize, int64_t index,
                             size_t offset, const std::vector<uint8_t>& bytes) {
  std::copy(bytes.begin(), bytes.end(),
            file.begin() + static_cast<std::ptrdiff_t>(100 + index * recordSize + offset));
  return file;
}

// Each cell stored as the field editor (datedit's E, lmedit's M) stores it.
TEST_F(RecordEdits, ASaveWritesWhatTheEditorsWrite) {
  struct Case {
    bool landmark;
    const char* column;
    const char* text;
    size_t offset;
    std::vector<uint8_t> bytes;
  };
  const std::vector<uint8_t> name{'N', 'e', 'w'};
  std::vector<uint8_t> zeroFilledName(lmedit::kLmNameSize, 0);
  std::copy(name.begin(), name.end(), zeroFilledName.begin());
  const std::vector<Case> cases = {
      {false, "Name", "Ab", 0, {'A', 'b', 0, 0, 0}},
      {false, "Signed", "-1", 5, {0xFF}},
      {false, "Byte", "$7f", 6, {0x7F}},
      {false, "Word", "65535", 9, {0xFF, 0xFF}},
      {false, "Long", "-2", 11, {0xFE, 0xFF, 0xFF, 0xFF}},
      {false, "Single", "1.5", 15, {0, 0, 0xC0, 0x3F}},
      {false, "Double", "-2", 19, {0, 0, 0, 0, 0, 0, 0, 0xC0}},
      {false, "Object", "770", 27, {3, 2}},
      {false, "Plane", "42", 29, {42}},
      {false, "Landmark", "5", 31, {5}},
      {false, "field_13", "0x0102ff", 32, {1, 2, 0xFF}},
      {true, "name", "New", lmedit::kLmNameOffset, zeroFilledName},
      {true, "n_coord", "1e3", lmedit::kNCoordOffset, {0, 0, 0x7A, 0x44}},
      {true, "lo_file_id", "0x0a1B02", lmedit::kLoFileIdOffset, {0x0A, 0x1B, 0x02}},
      {true, "lm_id", "65535", lmedit::kLmIdOffset, {0xFF, 0xFF}},
  };
  for (const Case& c : cases) {
    const VtwebState& s = c.landmark ? landmarks : data;
    const int64_t record = c.landmark ? 2 : 1;
    const size_t size = c.landmark ? lmedit::kRecordSize : kTypesSize;
    const std::vector<uint8_t> before = ReadBytes(s.Shown->Name());
    const HttpResponse response =
        Answer(s, Post("/api/save", SaveBody(s, record, {{c.column, c.text}})));
    EXPECT_EQ(response.status, 200) << c.column << ": " << response.body;
    EXPECT_NE(response.body.find("\"written\": [" + std::to_string(record) + "]"),
              std::string::npos)
        << response.body;
    // Record 1 of the data file and record 2 of the landmark file: both index 1.
    EXPECT_EQ(ReadBytes(s.Shown->Name()), Patched(before, size, 1, c.offset, c.bytes)) << c.column;
  }
}

// Another program's change in place merges; a cell it changed to another
// text than the page's is a conflict and stays as the disk has it.
TEST_F(RecordEdits, ChangesOnDiskMergeAndTheSameCellConflicts) {
  const std::string name = landmarks.Shown->Name();
  const std::string pageRead = Version(landmarks);
  const std::string oldName = DiskText(landmarks, 1, "name");
  // Another program writes record 1 in place: a new n_coord and a new name.
  std::vector<uint8_t> file = ReadBytes(name);
  file = Patched(file, lmedit::kRecordSize, 0, lmedit::kNCoordOffset, {0, 0, 0x80, 0x3F});
  file = Patched(file, lmedit::kRecordSize, 0, lmedit::kLmNameOffset, {'O', 't', 'h', 0});
  BinaryFile inPlace = BinaryFile::OpenExisting(name, BinaryFile::Access::ReadWrite);
  inPlace.Write(file.data(), file.size());
  inPlace.Close();
  const std::string body =
      "{\"version\": " + JsonString(pageRead) +
      ", \"records\": [{\"record\": 1, \"before\": {\"name\": " + JsonString(oldName) +
      ", \"e_coord\": " + JsonString(DiskText(landmarks, 1, "e_coord")) +
      "}, \"after\": {\"e_coord\": \"7\", \"name\": \"Mine\"}}, {\"record\": 2, \"before\": "
      "{\"name\": \"x\"}, \"after\": {\"name\": " +
      JsonString(DiskText(landmarks, 2, "name")) + "}}]}";
  const HttpResponse response = Answer(landmarks, Post("/api/save", body));
  EXPECT_EQ(response.status, 200) << response.body;
  // Record 2 already holds the page's text: nothing to write, no conflict.
  EXPECT_NE(response.body.find("\"written\": [1], \"conflicts\": [{\"record\": 1, \"column\": "
                               "\"name\", \"page\": \"Mine\", \"disk\": \"Oth\"}]}"),
            std::string::npos)
      << response.body;
  EXPECT_EQ(ReadBytes(name),
            Patched(file, lmedit::kRecordSize, 0, lmedit::kECoordOffset, {0, 0, 0xE0, 0x40}));
}

// A new file under the name, or records of another length, and nothing is
// written: the page must read everything again.
TEST_F(RecordEdits, AReplacedOrReshapedFileIsAnswered409) {
  const std::string pageRead = Version(data);
  WriteBytes(dir.File("new.dat"), DataFileBytes(3, kTypesSize, LetterRecords(3, kTypesSize)));
  std::filesystem::rename(dir.File("new.dat"), dir.File("d.dat"));
  const std::string body = SaveBody(data, 1, {{"Signed", "-1"}});
  const std::string replacedBody =
      ReplacedOnce(body, Version(data), pageRead);  // the version the page read
  const std::vector<uint8_t> before = ReadBytes(dir.File("d.dat"));
  HttpResponse response = Answer(data, Post("/api/save", replacedBody));
  EXPECT_EQ(response.status, 409);
  EXPECT_NE(response.body.find("\"replaced\": true"), std::string::npos) << response.body;
  EXPECT_NE(response.body.find("was changed by another program; nothing written"),
            std::string::npos);
  EXPECT_EQ(ReadBytes(dir.File("d.dat")), before);

  // The same bytes read as 9 records of 13 bytes, written in place.
  const std::string sameFile = Version(data);
  std::vector<uint8_t> reshaped = before;
  reshaped[20] = 9;
  reshaped[22] = 13;
  BinaryFile header = BinaryFile::OpenExisting(dir.File("d.dat"), BinaryFile::Access::ReadWrite);
  header.Write(reshaped.data(), 100);
  header.Close();
  response = Answer(
      data, Post("/api/blank", "{\"version\": " + JsonString(sameFile) + ", \"record\": 1}"));
  EXPECT_EQ(response.status, 409) << response.body;
  EXPECT_EQ(ReadBytes(dir.File("d.dat")), reshaped);

  // A file that is no data file put in its place, and then none at all.
  const std::string lastRead = Version(data);
  WriteBytes(dir.File("new.dat"), {1, 2, 3});
  std::filesystem::rename(dir.File("new.dat"), dir.File("d.dat"));
  const std::string blank = "{\"version\": " + JsonString(lastRead) + ", \"record\": 1}";
  EXPECT_EQ(Answer(data, Post("/api/blank", blank)).status, 409);
  EXPECT_EQ(ReadBytes(dir.File("d.dat")), std::vector<uint8_t>({1, 2, 3}));
  std::filesystem::remove(dir.File("d.dat"));
  EXPECT_EQ(Answer(data, Post("/api/blank", blank)).status, 409);
  EXPECT_FALSE(std::filesystem::exists(dir.File("d.dat")));
}

// Each refusal with its status, and the file byte for byte as it was.
TEST_F(RecordEdits, EveryRefusalWritesNothing) {
  const std::string v = JsonString(Version(data));
  auto save = [&](const std::string& records) {
    return "{\"version\": " + v + ", \"records\": [" + records + "]}";
  };
  HttpRequest getSave = Post("/api/save", "");
  getSave.method = "GET";
  struct Case {
    const char* what;
    HttpRequest request;
    int status;
  };
  const std::vector<Case> cases = {
      {"malformed JSON", Post("/api/save", "{\"version\": "), 400},
      {"no object", Post("/api/save", "[]"), 400},
      {"unknown member", Post("/api/save", "{\"version\": " + v + ", \"records\": [], \"x\": 1}"),
       400},
      {"no version", Post("/api/save", "{\"records\": []}"), 400},
      {"records no array", Post("/api/save", "{\"version\": " + v + ", \"records\": {}}"), 400},
      {"no such record",
       Post("/api/save", save("{\"record\": 3, \"before\": {\"Byte\": \"66\"}, \"after\": "
                              "{\"Byte\": \"1\"}}")),
       400},
      {"record number no whole number",
       Post("/api/save", save("{\"record\": 1.5, \"before\": {}, \"after\": {}}")), 400},
      {"a read-only column",
       Post("/api/save", save("{\"record\": 1, \"before\": {\"Plane_name\": \"x\"}, \"after\": "
                              "{\"Plane_name\": \"y\"}}")),
       400},
      {"no such column",
       Post("/api/save",
            save("{\"record\": 1, \"before\": {\"Nope\": \"x\"}, \"after\": {\"Nope\": \"y\"}}")),
       400},
      {"one cell refused among good ones",
       Post("/api/save", save("{\"record\": 1, \"before\": {\"Signed\": \"66\", \"Byte\": "
                              "\"66\"}, \"after\": {\"Signed\": \"-1\", \"Byte\": \"300\"}}")),
       400},
      {"before lacks a column",
       Post("/api/save", save("{\"record\": 1, \"before\": {\"Signed\": \"66\"}, \"after\": "
                              "{\"Byte\": \"1\"}}")),
       400},
      {"a number for a text",
       Post("/api/save",
            save("{\"record\": 1, \"before\": {\"Byte\": \"66\"}, \"after\": {\"Byte\": 1}}")),
       400},
      {"a record twice",
       Post("/api/save", save("{\"record\": 1, \"before\": {}, \"after\": {}}, {\"record\": 1, "
                              "\"before\": {}, \"after\": {}}")),
       400},
      {"a version of no server", Post("/api/blank", "{\"version\": \"1-2\", \"record\": 1}"), 400},
      {"insert both ways",
       Post("/api/insert", "{\"version\": " + v + ", \"at\": 1, \"copy_of\": 1, \"cells\": {}}"),
       400},
      {"insert past the end",
       Post("/api/insert", "{\"version\": " + v +
                               ", \"at\": 4, "
                               "\"copy_of\": 1}"),
       400},
      {"insert a refused cell",
       Post("/api/insert", "{\"version\": " + v + ", \"at\": 3, \"cells\": {\"Word\": \"-1\"}}"),
       400},
      {"blank no record", Post("/api/blank", "{\"version\": " + v + ", \"record\": -1}"), 400},
      {"text/plain", Post("/api/save", save(""), {{"Content-Type", "text/plain"}}), 415},
      {"no Content-Type", Post("/api/save", save(""), {{"Content-Type", ""}}), 415},
      {"oversized", Post("/api/save", std::string(vtweb::kMaxRequestBody + 1, ' ')), 413},
      {"cross-site fetch without Origin",
       Post("/api/save", save(""), {{"Origin", ""}, {"Sec-Fetch-Site", "cross-site"}}), 403},
      {"cross-site Origin", Post("/api/save", save(""), {{"Origin", "http://evil.example"}}), 403},
      {"no cookie", Post("/api/save", save(""), {{"Cookie", ""}}), 403},
      {"wrong Host", Post("/api/save", save(""), {{"Host", "evil.example:8123"}}), 403},
      {"GET of a POST path", getSave, 405},
      {"POST to a GET path", Post("/api/records", "{}"), 405},
      {"PUT",
       [&] {
         HttpRequest put = Post("/api/save", save(""));
         put.method = "PUT";
         return put;
       }(),
       405},
  };
  const std::vector<uint8_t> before = ReadBytes(dir.File("d.dat"));
  for (const Case& c : cases) {
    const HttpResponse response = Answer(data, c.request);
    EXPECT_EQ(response.status, c.status) << c.what << ": " << response.body;
    EXPECT_EQ(ReadBytes(dir.File("d.dat")), before) << c.what;
  }
  // Where nothing is wrong, the same bodies are taken.
  EXPECT_EQ(Answer(data, Post("/api/save", save(""), {{"Origin", ""}})).status, 200);
  EXPECT_EQ(
      Answer(data, Post("/api/save", save(""), {{"Origin", ""}, {"Sec-Fetch-Site", "same-origin"}}))
          .status,
      200);
}

TEST_F(RecordEdits, InsertsAndBlanksChangeTheRecordsAsTheScreensDo) {
  // A copy of record 1 before it: A B B C, counted.
  HttpResponse response = Write(data, "/api/insert", "\"at\": 1, \"copy_of\": 1");
  EXPECT_EQ(response.status, 200) << response.body;
  EXPECT_NE(response.body.find("\"record\": 1}"), std::string::npos) << response.body;
  std::vector<uint8_t> records = LetterRecords(3, kTypesSize);
  records.insert(records.begin() + kTypesSize, kTypesSize, 'B');
  EXPECT_EQ(ReadBytes(dir.File("d.dat")), DataFileBytes(4, kTypesSize, records));

  // The map's add: a blank landmark with its co-ordinates, after the last.
  response = Write(landmarks, "/api/insert",
                   "\"at\": 4, \"cells\": {\"n_coord\": \"1\", \"e_coord\": \"2\"}");
  EXPECT_EQ(response.status, 200) << response.body;
  std::vector<uint8_t> added = NumberedRecords(3);
  Landmark blank;
  blank.north = 1;
  blank.east = 2;
  const std::vector<uint8_t> last = RecordBytes(blank);
  added.insert(added.end(), last.begin(), last.end());
  const std::vector<uint8_t> withAdded = LandmarkFileBytes(4, added);
  EXPECT_EQ(ReadBytes(dir.File("l.mrf")), withAdded);

  // "Z": record 2 all zero, in place.
  response = Write(landmarks, "/api/blank", "\"record\": 2");
  EXPECT_EQ(response.status, 200) << response.body;
  EXPECT_EQ(ReadBytes(dir.File("l.mrf")), Patched(withAdded, lmedit::kRecordSize, 1, 0,
                                                  std::vector<uint8_t>(lmedit::kRecordSize, 0)));
}

// The count is a 16-bit word: a 65536th record could not be counted.
TEST_F(RecordEdits, AFullFileTakesNoInsert) {
  WriteBytes(dir.File("d.dat"), DataFileBytes(65535, 1, std::vector<uint8_t>(65535, 7)));
  const VtwebState full = Serving(ShowData());
  const std::vector<uint8_t> before = ReadBytes(dir.File("d.dat"));
  const HttpResponse response = Write(full, "/api/insert", "\"at\": 0, \"copy_of\": 0");
  EXPECT_EQ(response.status, 400);
  EXPECT_NE(response.body.find("holds 65535 records"), std::string::npos) << response.body;
  EXPECT_EQ(ReadBytes(dir.File("d.dat")), before);
}

TEST_F(RecordEdits, ACheckGivesTheStoredTextOrTheReason) {
  const struct {
    const char* column;
    const char* text;
    const char* answer;
  } cases[] = {
      {"Single", "1e3", "{\"text\": \"1000\"}\n"},
      {"Word", "$ffff", "{\"text\": \"65535\"}\n"},
      {"Byte", "300", "{\"error\": \"300 is outside 0 to 255\"}\n"},
      {"Name", "toolong", "{\"error\": \"the text has 7 characters, the field holds 4\"}\n"},
  };
  const std::vector<uint8_t> before = ReadBytes(dir.File("d.dat"));
  for (const auto& c : cases) {
    const HttpResponse response =
        Answer(data, Post("/api/check", "{\"column\": " + JsonString(c.column) +
                                            ", \"text\": " + JsonString(c.text) + "}"));
    EXPECT_EQ(response.status, 200);
    EXPECT_EQ(response.body, c.answer) << c.column;
  }
  EXPECT_EQ(ReadBytes(dir.File("d.dat")), before);
}

// The grid's page, and its data as datedit's own export, byte for byte.
TEST_F(RecordEdits, TheRecordsAreDateditsExport) {
  const ProgramRun run = RunProgram(
      DATEDIT_BINARY, {"--export=json", dir.File("d.dat"), dir.File("types.txt")}, "", dir.Path());
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(Get(data, "/api/records"), run.out);
  EXPECT_EQ(Get(data, "/"), vtweb::GridPageText());
  EXPECT_EQ(Get(data, "/api/landmarks"), "no such page\n");
}

// What the page edits by: each column's type, range, letter and names.
TEST_F(RecordEdits, TheColumnsSayHowEachCellIsEdited) {
  const JsonValue columns = ReadJson(Get(data, "/api/columns"));
  EXPECT_EQ(columns.Member("kind")->text, "data file");
  EXPECT_EQ(columns.Member("count")->text, "3");
  EXPECT_EQ(columns.Member("first_record")->text, "0");
  const struct {
    const char* name;
    const char* type;
    const char* limit;  // "min..max", or max_length
    const char* letter;
  } expected[] = {
      {"Name", "text", "4", "t"},
      {"Signed", "integer", "-128..127", "s"},
      {"Long", "integer", "-2147483647..2147483647", "l"},
      {"Double", "real", "", "8"},
      {"Object", "integer", "0..65535", "O"},
      {"Object_name", "name", "", "O"},
      {"field_13", "hex", "", "x"},
  };
  for (const auto& e : expected) {
    const auto& items = columns.Member("columns")->items;
    auto column = std::find_if(items.begin(), items.end(), [&](const JsonValue& c) {
      return c.Member("name")->text == e.name;
    });
    ASSERT_NE(column, items.end()) << e.name;
    EXPECT_EQ(column->Member("type")->text, e.type) << e.name;
    EXPECT_EQ(column->Member("letter")->text, e.letter) << e.name;
    const JsonValue* min = column->Member("min");
    const JsonValue* length = column->Member("max_length");
    const std::string limit = min != nullptr      ? min->text + ".." + column->Member("max")->text
                              : length != nullptr ? length->text
                                                  : "";
    EXPECT_EQ(limit, e.limit) << e.name;
  }
  const auto& object = *std::find_if(
      columns.Member("columns")->items.begin(), columns.Member("columns")->items.end(),
      [](const JsonValue& c) { return c.Member("name")->text == "Object"; });
  EXPECT_EQ(object.Member("neighbour")->text, "Object_name");
  // Class 3 (aircraft), object 2: the cell's number and the name beside it.
  const JsonValue& choice = object.Member("choices")->items[3 * 43 + 2];
  EXPECT_EQ(choice.items[0].text, "770");
  EXPECT_EQ(choice.items[1].text, "Albatros C.3");

  const JsonValue map = ReadJson(Get(landmarks, "/api/columns"));
  EXPECT_EQ(map.Member("first_record")->text, "1");
  EXPECT_EQ(map.Member("choices")->Member("type")->items[8].items[1].text, "village");
  EXPECT_EQ(map.Member("choices")->Member("side")->items[1].items[1].text, "Allied");
}

// Another program's lock is waited for; too long a wait is answered 503.
TEST_F(RecordEdits, AWriteWaitsForTheLockAndGivesUpIn503) {
  const std::string body = SaveBody(data, 1, {{"Signed", "-1"}});
  const std::vector<uint8_t> before = ReadBytes(dir.File("d.dat"));
  auto holdLock = [&](std::chrono::milliseconds time) {
    return std::thread([this, time] {
      FileLock lock(dir.File("d.dat"), [] {});
      std::this_thread::sleep_for(time);
    });
  };
  data.LockPatience = std::chrono::milliseconds(100);
  std::thread holder = holdLock(std::chrono::milliseconds(800));
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  HttpResponse response = Answer(data, Post("/api/save", body));
  holder.join();
  EXPECT_EQ(response.status, 503) << response.body;
  EXPECT_NE(response.body.find("another program is writing"), std::string::npos);
  EXPECT_EQ(ReadBytes(dir.File("d.dat")), before);

  data.LockPatience = vtweb::kLockPatience;
  holder = holdLock(std::chrono::milliseconds(400));
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  const auto start = std::chrono::steady_clock::now();
  response = Answer(data, Post("/api/save", body));
  const auto waited = std::chrono::steady_clock::now() - start;
  holder.join();
  EXPECT_EQ(response.status, 200) << response.body;
  EXPECT_GE(waited, std::chrono::milliseconds(200));
  EXPECT_NE(ReadBytes(dir.File("d.dat")), before);
}

}  // namespace
}  // namespace vantor::testing
