// What the tools' text forms (CSV and JSON) have in common: an export written
// to standard output or to a file that replaces its name whole, the rows of an
// input file read as CSV or JSON by what it begins with and checked against
// the tool's columns, the changed records patched into a copy that replaces
// the file in one step under the screen's lock, and refusals that say in
// which file, line and column the fault lies.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/text_io.h"
#include "files/binary_file.h"
#include "records/record_file.h"
#include "textform/text_form_error.h"

namespace vantor {

// Input or a command that is refused: the message, exit code 1.
struct TextFormRefusal {
  std::string message;
};

// Refuses "refused: ACTION would replace INPUT" when `outputName` is the
// file `inputName`, under any name: an export or a map ("the export") never
// writes over a file that it reads ("the data file d.dat"). Nothing is
// refused when either name is empty.
void RefuseToReplace(const std::string& outputName, const std::string& inputName,
                     std::string_view action, const std::string& input);

// A cell's UTF-8 text as the code page 437 bytes a file holds, in `bytes`;
// why not when it is no UTF-8 or holds a character code page 437 lacks.
std::optional<std::string> CellTextAsCp437(std::string_view text, std::string& bytes);

// Refuses with "FILE:LINE:COLUMN: what".
[[noreturn]] void RefuseAt(const std::string& file, TextPlace place, const std::string& what);

// The result of `run`; a refusal is written to `err` as "tool: message" and
// gives 1.
int RunRefusable(std::string_view tool, TextOutput& err, const std::function<int()>& run);

// Where an export goes: standard output, or a file that replaces OUT whole
// when the export is complete. Text is passed on in large pieces.
class ExportSink {
 public:
  ExportSink(const std::string& outputName, TextOutput& out);
  void Write(std::string_view text);
  void Finish();

 private:
  void Flush();
  TextOutput& out_;
  BinaryFile file_;
  std::string buffer_;
};

enum class TextColumnRole {
  Record,    // the record's number
  Value,     // a value read back into the record
  ReadOnly,  // shown beside a value, ignored on import and may be left out
};

// How a JSON export writes a column's cells: as strings, as integers, or as
// reals that JSON readers keep reals ("1.0", "-0.0"; infinities and
// not-a-numbers, which JSON has no number for, stay strings).
enum class JsonKind { String, Integer, Real };

struct TextColumn {
  std::string name;
  TextColumnRole role;
  // The bytes of a record the column stands for; the import compares them
  // to tell a changed value.
  size_t offset = 0;
  size_t length = 0;
  // How a JSON export writes the cell (the record's number is always an
  // integer).
  JsonKind json = JsonKind::String;
};

// What an input must look like.
struct TextFormShape {
  std::vector<TextColumn> columns;
  int64_t firstRecord = 0;  // the records are numbered firstRecord on
  int64_t count = 0;
  int64_t recordSize = 0;
  // The members of a JSON document besides "records"; "record_size" is
  // checked against recordSize.
  std::vector<std::string> documentMembers;
  std::string fileKind;  // "data file", "landmark file": for messages
};

struct TextCell {
  size_t column;  // in TextFormShape::columns
  std::string text;
  TextPlace place;
};

// One row of the input: its record's number and its Value cells.
struct TextRow {
  int64_t record = 0;
  TextPlace place;  // where the row, or its object, begins
  std::vector<TextCell> cells;
};

// The rows of the input `inName` (a file, a pipe, or standard input for "-"),
// handed to `take` one by one in the input's order: JSON when its first
// non-blank character (after a byte order mark) is "{", CSV otherwise. The
// input is read in pieces and never held whole, a JSON document a record at
// a time. A CSV header names the columns in their order (read-only ones may
// be left out); a JSON record names every column but the read-only ones.
// Refused with the place of the fault: malformed text, an unknown or missing
// column, a record that does not exist or is given twice, and a cell longer
// than any column can hold (four bytes for each byte of the longest field,
// or the longest column name, and 1024 to spare), which is refused at its
// start before it is read whole. Rows before the fault have been taken then,
// so nothing may be written before the last row.
void ReadTextRows(const std::string& inName, const TextFormShape& shape,
                  const std::function<void(const TextRow&)>& take);

// A value that an import changes, for the dry run.
struct FieldChange {
  int64_t record;
  std::string column, before, after;
};

// What an import does to a file: the changed records as patches, and each
// changed value for the dry run.
struct ImportChanges {
  std::vector<RecordPatch> patches;
  std::vector<FieldChange> changes;
};

// A dry run lists the changes on `out`, "record N: COLUMN BEFORE -> AFTER"
// each, or "no change". Otherwise a copy of the file `name` with the patches
// in it is put in its place in one step (through a link, in the place of the
// file it leads to; the link stays); nothing happens without patches.
void ApplyImport(const std::string& name, bool dryRun, ImportChanges changes, TextOutput& out);

// Runs `import` under the lock the screen's commands take on `name`, so that
// the records read and the patches written belong to one moment; a dry run
// writes nothing and takes no lock. A wait is reported on `err`.
int WithImportLock(const std::string& name, bool dryRun, WaitOutput& err,
                   const std::function<int()>& import);

}  // namespace vantor
