#include "record_edits.h"

#include <algorithm>
#include <array>
#include <functional>
#include <initializer_list>
#include <map>
#include <optional>
#include <thread>
#include <vector>

#include "base/hex.h"
#include "base/json_text.h"
#include "base/text_format.h"
#include "os/file_lock.h"
#include "os/platform.h"

namespace vantor::vtweb {
namespace {

using Kind = JsonValue::Kind;

[[noreturn]] void Refuse(std::string reason, int status = 400) {
  throw RequestRefusal{status, std::move(reason)};
}

// What a member should be, in JsonValue::Kind's order.
std::string KindName(Kind kind) {
  constexpr std::array<std::string_view, 7> kNames = {
      "null", "false", "true", "a whole number", "a string", "an array", "an object"};
  return std::string(kNames[static_cast<size_t>(kind)]);
}

// A JSON object of a request: members of the names given only, each of the
// kind asked for.
class RequestObject {
 public:
  RequestObject(const JsonValue& value, std::string_view what,
                std::initializer_list<std::string_view> known)
      : value_(value), what_(what) {
    if (value.kind != Kind::Object) Refuse(what_ + " is not a JSON object");
    for (const JsonMember& member : value.members) {
      if (std::find(known.begin(), known.end(), member.name) == known.end())
        Refuse(what_ + " has an unknown member " + JsonString(member.name));
    }
  }

  const JsonValue* Optional(std::string_view name, Kind kind) const {
    const JsonValue* member = value_.Member(name);
    if (member != nullptr && member->kind != kind)
      Refuse(JsonString(name) + " of " + what_ + " is not " + KindName(kind));
    return member;
  }
  const JsonValue& Required(std::string_view name, Kind kind) const {
    const JsonValue* member = Optional(name, kind);
    if (member == nullptr) Refuse(what_ + " lacks the member " + JsonString(name));
    return *member;
  }
  const std::string& Text(std::string_view name) const { return Required(name, Kind::String).text; }
  int64_t Number(std::string_view name) const { return WholeNumber(Required(name, Kind::Number)); }

  // A number without fraction or exponent, within a record number's reach.
  int64_t WholeNumber(const JsonValue& number) const {
    const std::string& text = number.text;
    const bool whole = text.size() < 12 && text.find_first_of(".eE") == std::string::npos;
    if (!whole) Refuse(text + " in " + what_ + " is not a record number");
    return std::stoll(text);
  }

 private:
  const JsonValue& value_;
  std::string what_;
};

// A cell of a request: its column in the table and its text.
struct CellText {
  size_t column;
  std::string text;
};

size_t ValueColumn(const RecordTable& table, const std::string& name) {
  const std::vector<TextColumn>& columns = table.Columns();
  auto found = std::find_if(columns.begin(), columns.end(),
                            [&](const TextColumn& c) { return c.name == name; });
  if (found == columns.end()) Refuse("there is no column " + JsonString(name));
  if (found->role != TextColumnRole::Value)
    Refuse("the column " + JsonString(name) + " is not one of values");
  return static_cast<size_t>(found - columns.begin());
}

// The cells of an object of column names and texts.
std::vector<CellText> CellsOf(const RecordTable& table, const JsonValue& object,
                              std::string_view what) {
  if (object.kind != Kind::Object) Refuse(std::string(what) + " is not a JSON object");
  std::vector<CellText> cells;
  for (const JsonMember& member : object.members) {
    if (member.value.kind != Kind::String)
      Refuse("the cell " + JsonString(member.name) + " of " + std::string(what) +
             " is not a string");
    cells.push_back({ValueColumn(table, member.name), member.value.text});
  }
  return cells;
}

// `text` put into `record`, or a refusal that names the column.
void PutCell(const RecordTable& table, const CellText& cell, std::span<uint8_t> record) {
  if (table.CellText(cell.column, record) == cell.text) return;
  if (std::optional<std::string> why = table.PutCellText(cell.column, cell.text, record))
    Refuse("column " + JsonString(table.Columns()[cell.column].name) + ": " + *why);
}

// Whether the cell of `record` stands for `text`: it shows that text, or
// the text stores the bytes it holds ("1e3" where "1000" is shown).
bool CellHolds(const RecordTable& table, const CellText& cell, std::span<const uint8_t> record) {
  if (table.CellText(cell.column, record) == cell.text) return true;
  std::vector<uint8_t> stored(record.begin(), record.end());
  return !table.PutCellText(cell.column, cell.text, stored) && std::ranges::equal(stored, record);
}

// The record numbered `number` of the file: refused when there is none.
int64_t IndexOf(const ShownFile& shown, const OpenedFile& opened, int64_t number) {
  const int64_t first = shown.FirstRecord();
  if (number < first || number >= first + opened.count) {
    Refuse("there is no record " + std::to_string(number) + "; the file holds " +
           (opened.count == 0 ? std::string("none")
                              : "records " + std::to_string(first) + " to " +
                                    std::to_string(first + opened.count - 1)));
  }
  return number - first;
}

std::vector<uint8_t> ReadRecord(OpenedFile& opened, int64_t index) {
  std::vector<uint8_t> record(opened.recordSize);
  opened.file.Read(index, record);
  return record;
}

std::string VersionText(const ShownFile& shown) {
  const std::optional<FileStamp> stamp = StampOf(shown.Name());
  if (!stamp) return "missing";
  return std::to_string(stamp->identity.device) + "-" + std::to_string(stamp->identity.inode) +
         "-" + std::to_string(stamp->size) + "-" + std::to_string(stamp->modifiedNanoseconds) +
         "-" + std::to_string(shown.RecordSizeNow());
}

// Whether the name still leads to the file the page read, with records of
// the same length: the version's first two parts (device and inode, never
// negative) and its last. Asked before the file is opened, so that a file
// put in its place that is no file of its kind is a replaced file too.
bool SameFileAsRead(const ShownFile& shown, const std::string& version) {
  if (version == "missing") return false;
  const size_t inode = version.find('-');
  const size_t rest = version.find('-', std::min(inode + 1, version.size()));
  const size_t recordSize = version.rfind('-');
  if (rest == std::string::npos || recordSize <= rest)
    Refuse("the version " + JsonString(version) + " is none that this server gave");
  const std::optional<FileStamp> stamp = StampOf(shown.Name());
  return stamp &&
         version.substr(0, rest) ==
             std::to_string(stamp->identity.device) + "-" + std::to_string(stamp->identity.inode) &&
         version.substr(recordSize + 1) == std::to_string(shown.RecordSizeNow());
}

HttpResponse Json(int status, std::string text) {
  return JsonAnswer(status, std::move(text) + "\n");
}

// The lock on the file, waited for as long as the state allows; 503 after.
class WriteLock {
 public:
  explicit WriteLock(const VtwebState& s) {
    struct GaveUp {};
    const auto until = std::chrono::steady_clock::now() + s.LockPatience;
    try {
      lock_.emplace(
          s.Shown->Name(), [] {},
          [&](std::chrono::milliseconds pause) {
            if (std::chrono::steady_clock::now() >= until) throw GaveUp{};
            std::this_thread::sleep_for(pause);
          });
    } catch (const GaveUp&) {
      Refuse("another program is writing " + PrintableName(s.Shown->Name()) + "; try again", 503);
    }
  }

 private:
  std::optional<FileLock> lock_;
};

// `write` on the file opened under its lock, when it is still the one the
// page read at `version`; 409 when another program replaced it. `write`
// gives the members of the answer after "version", which is the file's
// version once written.
HttpResponse UnderLock(const VtwebState& s, const std::string& version,
                       const std::function<std::string(OpenedFile&)>& write) {
  const HttpResponse replaced =
      Json(409, "{\"replaced\": true, \"message\": " +
                    JsonString(Utf8OrCp437(ReplacedFileNote(s.Shown->Name()))) + "}");
  // No lock can be taken on a file that is gone.
  if (!StampOf(s.Shown->Name())) return replaced;
  WriteLock lock(s);
  if (!SameFileAsRead(*s.Shown, version)) return replaced;
  OpenedFile opened = s.Shown->Open(BinaryFile::Access::ReadWrite);
  const std::string members = write(opened);
  opened.file.Close();
  const std::string written = VersionText(*s.Shown);
  if (s.HoldLock.count() > 0) std::this_thread::sleep_for(s.HoldLock);
  return Json(200, "{\"version\": " + JsonString(written) + members + "}");
}

// One record of a save: the page's cells before and after its edits.
struct RecordEdit {
  int64_t record;
  const JsonValue* before;
  const JsonValue* after;
};

struct Conflict {
  int64_t record;
  std::string column, page, disk;
};

// The cells of one record merged with what the file holds now: `record`
// changed where the disk still holds the page's "before"; a cell changed on
// disk to neither text is a conflict.
void MergeRecord(const RecordTable& table, const RecordEdit& edit, std::vector<uint8_t>& record,
                 std::vector<Conflict>& conflicts) {
  const std::vector<CellText> before = CellsOf(table, *edit.before, "\"before\"");
  const std::vector<CellText> after = CellsOf(table, *edit.after, "\"after\"");
  if (before.size() != after.size())
    Refuse("\"before\" and \"after\" of record " + std::to_string(edit.record) +
           " name other columns");
  const std::vector<uint8_t> disk = record;
  std::vector<uint8_t> checked = record;
  for (const CellText& cell : after) {
    auto read = std::find_if(before.begin(), before.end(),
                             [&](const CellText& b) { return b.column == cell.column; });
    if (read == before.end())
      Refuse("\"before\" of record " + std::to_string(edit.record) + " lacks the column " +
             JsonString(table.Columns()[cell.column].name));
    // Every text is checked, so that a refusal never depends on the disk.
    PutCell(table, cell, checked);
    if (CellHolds(table, *read, disk)) {
      PutCell(table, cell, record);
    } else if (!CellHolds(table, cell, disk)) {
      conflicts.push_back({edit.record, table.Columns()[cell.column].name, cell.text,
                           table.CellText(cell.column, disk)});
    }
  }
}

std::string NumbersJson(const std::vector<int64_t>& numbers) {
  std::string text = "[";
  for (int64_t n : numbers)
    text += (text.size() > 1 ? ", " : "") + std::to_string(n);
  return text + "]";
}

std::string ConflictsJson(const std::vector<Conflict>& conflicts) {
  std::string text = "[";
  for (const Conflict& c : conflicts) {
    text += (text.size() > 1 ? ", " : "") + std::string("{\"record\": ") +
            std::to_string(c.record) + ", \"column\": " + JsonString(c.column) +
            ", \"page\": " + JsonString(c.page) + ", \"disk\": " + JsonString(c.disk) + "}";
  }
  return text + "]";
}

std::vector<RecordEdit> EditsOf(const RequestObject& request) {
  std::vector<RecordEdit> edits;
  for (const JsonValue& item : request.Required("records", Kind::Array).items) {
    RequestObject edit(item, "a record of \"records\"", {"record", "before", "after"});
    const int64_t number = edit.Number("record");
    if (std::any_of(edits.begin(), edits.end(),
                    [&](const RecordEdit& e) { return e.record == number; }))
      Refuse("record " + std::to_string(number) + " is given twice");
    edits.push_back(
        {number, &edit.Required("before", Kind::Object), &edit.Required("after", Kind::Object)});
  }
  return edits;
}

}  // namespace

HttpResponse CheckCell(const VtwebState& s, const JsonValue& body) {
  const RequestObject request(body, "the request", {"column", "text"});
  OpenedFile opened = s.Shown->Open(BinaryFile::Access::ReadOnly);
  opened.file.Close();
  const std::unique_ptr<RecordTable> table = s.Shown->Table(opened.recordSize);
  const CellText cell{ValueColumn(*table, request.Text("column")), request.Text("text")};
  std::vector<uint8_t> record(opened.recordSize);
  if (std::optional<std::string> why = table->PutCellText(cell.column, cell.text, record))
    return Json(200, "{\"error\": " + JsonString(*why) + "}");
  return Json(200, "{\"text\": " + JsonString(table->CellText(cell.column, record)) + "}");
}

HttpResponse SaveRecords(const VtwebState& s, const JsonValue& body) {
  const RequestObject request(body, "the request", {"version", "records"});
  const std::string& version = request.Text("version");
  const std::vector<RecordEdit> edits = EditsOf(request);
  return UnderLock(s, version, [&](OpenedFile& opened) {
    const std::unique_ptr<RecordTable> table = s.Shown->Table(opened.recordSize);
    std::vector<std::pair<int64_t, std::vector<uint8_t>>> changed;
    std::vector<Conflict> conflicts;
    for (const RecordEdit& edit : edits) {
      const int64_t index = IndexOf(*s.Shown, opened, edit.record);
      std::vector<uint8_t> record = ReadRecord(opened, index);
      const std::vector<uint8_t> disk = record;
      MergeRecord(*table, edit, record, conflicts);
      if (record != disk) changed.emplace_back(index, std::move(record));
    }
    std::vector<int64_t> written;
    for (const auto& [index, record] : changed) {
      opened.file.Write(index, record);
      written.push_back(index + s.Shown->FirstRecord());
    }
    return ", \"written\": " + NumbersJson(written) +
           ", \"conflicts\": " + ConflictsJson(conflicts);
  });
}

HttpResponse InsertRecord(const VtwebState& s, const JsonValue& body) {
  const RequestObject request(body, "the request", {"version", "at", "copy_of", "cells"});
  const std::string& version = request.Text("version");
  const int64_t at = request.Number("at");
  const JsonValue* copyOf = request.Optional("copy_of", Kind::Number);
  const JsonValue* cells = request.Optional("cells", Kind::Object);
  if ((copyOf == nullptr) == (cells == nullptr))
    Refuse("the request gives \"copy_of\" or \"cells\", one of them");
  return UnderLock(s, version, [&](OpenedFile& opened) {
    if (opened.count >= RecordFile::kMaxCount) {
      Refuse(PrintableName(s.Shown->Name()) + " holds " + std::to_string(RecordFile::kMaxCount) +
             " records; no more can be added");
    }
    // Before the last record, or after it.
    const int64_t index =
        at == s.Shown->FirstRecord() + opened.count ? opened.count : IndexOf(*s.Shown, opened, at);
    std::vector<uint8_t> record(opened.recordSize);
    if (copyOf != nullptr) {
      record = ReadRecord(opened, IndexOf(*s.Shown, opened, request.WholeNumber(*copyOf)));
    } else {
      const std::unique_ptr<RecordTable> table = s.Shown->Table(opened.recordSize);
      for (const CellText& cell : CellsOf(*table, *cells, "\"cells\""))
        PutCell(*table, cell, record);
    }
    if (std::optional<std::string> noRoom = opened.file.Insert(index, record))
      Refuse("no room on the disk for one more record (" + *noRoom + ")", 507);
    return ", \"record\": " + std::to_string(index + s.Shown->FirstRecord());
  });
}

HttpResponse BlankRecord(const VtwebState& s, const JsonValue& body) {
  const RequestObject request(body, "the request", {"version", "record"});
  const std::string& version = request.Text("version");
  const int64_t number = request.Number("record");
  return UnderLock(s, version, [&](OpenedFile& opened) {
    const std::vector<uint8_t> blank(opened.recordSize);
    opened.file.Write(IndexOf(*s.Shown, opened, number), blank);
    return std::string();
  });
}

std::string RecordBytesJson(const ShownFile& shown, std::string_view number) {
  const bool digits = !number.empty() && number.size() < 12 &&
                      number.find_first_not_of("0123456789") == std::string_view::npos;
  if (!digits) Refuse("give the record by its number: /api/bytes?record=N");
  const int64_t record = std::stoll(std::string(number));
  OpenedFile opened = shown.Open(BinaryFile::Access::ReadOnly);
  const std::vector<uint8_t> bytes = ReadRecord(opened, IndexOf(shown, opened, record));
  return "{\"record\": " + std::to_string(record) + ", \"hex\": \"" + BytesToHex(bytes) + "\"}\n";
}

std::string VersionJson(const ShownFile& shown) {
  return "{\"version\": " + JsonString(VersionText(shown)) + "}\n";
}

}  // namespace vantor::vtweb
