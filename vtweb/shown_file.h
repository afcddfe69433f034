// The one file vtweb shows, of either kind: a landmark file (lmedit's) or a
// data file under its format (datedit's). Everything that differs between
// the two lives behind this class, so that the requests treat both alike:
// how the file is opened and refused, its records as the text forms' table,
// its --export=json text, and how the page may edit each column.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/text_io.h"
#include "datedit.h"
#include "records/record_file.h"
#include "textform/record_table.h"

namespace vantor::vtweb {

// The file opened, with its record count and length as its tool reads them.
struct OpenedFile {
  RecordFile file;
  int64_t count = 0;
  uint16_t recordSize = 0;
};

// A value a name column gives a name to, and that name.
using Choices = std::vector<std::pair<int64_t, std::string>>;

// How the page edits a column: "integer" (within min and max), "real",
// "text" (at most maxLength bytes of code page 437), "hex", or "name" for a
// read-only column beside a value.
struct ColumnEditing {
  std::string type;
  int64_t min = 0, max = 0;
  size_t maxLength = 0;
  char letter = 0;        // a data file's type letter; 0 for a landmark file
  Choices choices;        // the values a name field may take, named
  std::string neighbour;  // the read-only column that names the value
};

class ShownFile {
 public:
  virtual ~ShownFile() = default;
  // As typed on the command line.
  const std::string& Name() const { return name_; }
  // "landmark file" or "data file", as the text forms say.
  virtual std::string_view Kind() const = 0;
  // The format's name as the export gives it; empty for none.
  virtual std::string FormatName() const = 0;
  // The number of record 0 of the file.
  virtual int64_t FirstRecord() const = 0;
  // The file opened as its tool opens it; a TextFormRefusal when it is no
  // file of its kind.
  virtual OpenedFile Open(BinaryFile::Access access) const = 0;
  // The record length the file's records have now, without refusing
  // anything; 0 when it cannot be read.
  virtual uint16_t RecordSizeNow() const = 0;
  // The columns of records `recordSize` bytes long.
  virtual std::unique_ptr<RecordTable> Table(uint16_t recordSize) const = 0;
  // The tool's --export=json text of the file.
  virtual std::string RecordsJson() const = 0;
  // The page served at "/": the map for a landmark file, the grid for a
  // data file.
  virtual std::string PageText() const = 0;
  // How the page edits column `column` of `table`.
  virtual ColumnEditing Editing(const RecordTable& table, size_t column) const = 0;
  // The names of codes that several columns share, as "choices" members
  // ("type", "side" of a landmark); none for a data file.
  virtual std::vector<std::pair<std::string, Choices>> SharedChoices() const = 0;

 protected:
  explicit ShownFile(std::string name) : name_(std::move(name)) {}

 private:
  std::string name_;
};

// The landmark file `name`.
std::unique_ptr<ShownFile> ShowLandmarkFile(const std::string& name);

// The data file of `options` (DataFileName, FormatFileName, ProgramDir)
// under the format datedit --export finds; read once here, refused as the
// export refuses it and warned about on `err` as the export warns.
std::unique_ptr<ShownFile> ShowDataFile(const datedit::DateditOptions& options, TextOutput& err);

// The /api/columns text: the file, its records' count and length, each
// column with how it is edited, and the shared choices.
std::string ColumnsJson(const ShownFile& shown);

}  // namespace vantor::vtweb
