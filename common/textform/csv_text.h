// CSV as RFC 4180 writes it: fields separated by commas, rows ended by CR LF,
// a field quoted when it holds a comma, a quote, a CR or an LF, or begins or
// ends with a blank (which some readers would drop otherwise), and quotes
// inside doubled. UTF-8 without a byte order mark.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "textform/text_form_error.h"
#include "textform/text_stream.h"

namespace vantor {

// One field, quoted where needed.
std::string CsvField(std::string_view text);
// CsvField(text) added to the end of `row`.
void AppendCsvField(std::string& row, std::string_view text);

// The fields joined by commas, ended by CR LF; a row of one empty field is
// written as "" so that it is no empty line.
std::string CsvRow(const std::vector<std::string>& fields);

struct CsvCell {
  std::string text;
  TextPlace place;  // where the cell begins
};

struct CsvRecord {
  std::vector<CsvCell> cells;
  TextPlace place;    // where the row begins
  size_t fields = 0;  // the row's width; cells may keep fewer (ReadCsvRows)
};

// The rows of a CSV text. Rows end with LF or CR LF (the last may have no
// end); quoted fields may hold both. A UTF-8 byte order mark at the start is
// skipped, as spreadsheets write one, and so are empty lines at the end of
// the text. TextFormError for a quote left open,
// text after a closing quote, a quote or a lone CR inside an unquoted field,
// or a row whose number of fields differs from the first row's.
std::vector<CsvRecord> ReadCsv(std::string_view text);

// The same rows handed to `take` one by one as they are read, so that a long
// text is never held as cells all at once.
void ReadCsvRows(std::string_view text, const std::function<void(CsvRecord&)>& take);
// The same from a stream; a cell longer than `maxCell` bytes is refused at
// its start as soon as it is seen to be, so that it is never read whole, and
// of a row wider than `maxFields` only the first maxFields + 1 cells are
// kept.
void ReadCsvRows(TextStream& in, const std::function<void(CsvRecord&)>& take, size_t maxCell,
                 size_t maxFields);

}  // namespace vantor
