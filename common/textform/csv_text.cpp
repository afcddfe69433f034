#include "textform/csv_text.h"

#include <algorithm>
#include <functional>

namespace vantor {
namespace {

// What ends or spoils a field that is not quoted.
bool IsFieldStop(char c) {
  return c == ',' || c == '\n' || c == '\r' || c == '"';
}

bool NeedsQuotes(std::string_view text) {
  if (text.empty()) return false;
  if (text.front() == ' ' || text.back() == ' ' || text.front() == '\t' || text.back() == '\t') {
    return true;
  }
  // A byte order mark at the start of a text is skipped when it is read, so
  // a field that begins with one keeps it only in quotes.
  if (text.starts_with("\xEF\xBB\xBF")) return true;
  // A loop rather than find_first_of, which looks each byte up in the set
  // with a call of its own: an export asks this of every cell.
  return std::ranges::any_of(text, IsFieldStop);
}

class CsvReader {
 public:
  CsvReader(TextStream& in, size_t maxCell, size_t maxFields)
      : in_(in), maxCell_(maxCell), maxFields_(maxFields) {}

  void Rows(const std::function<void(CsvRecord&)>& take) {
    in_.SkipByteOrderMark();
    while (!in_.AtEnd()) {
      if (AtRowEnd()) {
        EmptyLines(take);
      } else {
        CsvRecord row = Row(fields_);
        Hand(row, take);
      }
    }
  }

 private:
  void Hand(CsvRecord& row, const std::function<void(CsvRecord&)>& take) {
    if (first_) fields_ = row.fields;
    first_ = false;
    if (row.fields != fields_) {
      throw TextFormError("this row has " + std::to_string(row.fields) + " fields, the first row " +
                              std::to_string(fields_),
                          row.place);
    }
    take(row);
  }

  bool AtRowEnd() { return !in_.AtEnd() && (in_.Peek() == '\n' || in_.LooksAt("\r\n")); }

  // Empty lines that end a text are no rows: editors and spreadsheets leave
  // them. Ones before more text are rows of one empty field each.
  void EmptyLines(const std::function<void(CsvRecord&)>& take) {
    const TextPlace first = in_.Place();
    int64_t lines = 0;
    for (; AtRowEnd(); ++lines)
      TakeRowEnd();
    if (in_.AtEnd()) return;
    for (int64_t i = 0; i < lines; ++i) {
      TextPlace place{PlaceCounter::LineAfter(first.line, i), i == 0 ? first.column : 1};
      CsvRecord row{{CsvCell{"", place}}, place, 1};
      Hand(row, take);
    }
  }

  // At a row end (LF, CR LF or the end of the text): takes it.
  bool TakeRowEnd() {
    if (in_.AtEnd()) return true;
    if (in_.Peek() == '\n') {
      in_.Take();
      return true;
    }
    if (in_.LooksAt("\r\n")) {
      in_.Skip(2);
      return true;
    }
    return false;
  }

  // `fields`: room for as many cells as the first row had.
  CsvRecord Row(size_t fields) {
    CsvRecord row;
    row.cells.reserve(fields);
    row.place = in_.Place();
    for (;;) {
      // A row far wider than the reader takes is read on, its cells not
      // kept, so that its width can be told.
      CsvCell cell = Cell();
      if (row.cells.size() <= maxFields_) row.cells.push_back(std::move(cell));
      ++row.fields;
      if (TakeRowEnd()) return row;
      in_.Take();  // the comma that Cell stopped at
    }
  }

  CsvCell Cell() {
    CsvCell cell;
    cell.place = in_.Place();
    if (!in_.AtEnd() && in_.Peek() == '"') {
      cell.text = Quoted(cell.place);
    } else {
      cell.text = Unquoted(cell.place);
    }
    return cell;
  }

  void Append(std::string& text, std::string_view bytes, TextPlace cell) const {
    if (bytes.size() > maxCell_ - text.size()) throw TextFormError(TooLongMessage(maxCell_), cell);
    text += bytes;
  }

  // Taken a piece at a time up to the first character that ends or spoils
  // it: long exports hold hundreds of thousands of fields.
  std::string Unquoted(TextPlace cell) {
    std::string text;
    for (std::string_view ready = in_.Ready(); !ready.empty(); ready = in_.Ready()) {
      size_t run = 0;
      while (run < ready.size() && !IsFieldStop(ready[run]))
        ++run;
      Append(text, ready.substr(0, run), cell);
      in_.SkipInLine(run);
      if (run < ready.size()) break;
    }
    if (in_.AtEnd()) return text;
    if (in_.Peek() == '"') throw TextFormError("a quote inside a field that is not quoted", Here());
    if (in_.Peek() == '\r' && !in_.LooksAt("\r\n")) {
      throw TextFormError("a carriage return that does not end a row", Here());
    }
    return text;
  }

  std::string Quoted(TextPlace opened) {
    in_.Take();
    std::string text;
    for (;;) {
      std::string_view ready = in_.Ready();
      if (ready.empty()) throw TextFormError("a quoted field is not closed", opened);
      size_t run = ready.find('"');
      if (run == std::string_view::npos) run = ready.size();
      Append(text, ready.substr(0, run), opened);
      in_.Skip(run);
      if (run == ready.size()) continue;
      in_.Take();  // the quote
      if (!in_.AtEnd() && in_.Peek() == '"') {
        Append(text, "\"", opened);
        in_.Take();
        continue;
      }
      bool atFieldEnd = in_.AtEnd() || in_.Peek() == ',' || AtRowEnd();
      if (!atFieldEnd) throw TextFormError("text after the closing quote of a field", Here());
      return text;
    }
  }

  TextPlace Here() const { return in_.Place(); }

  TextStream& in_;
  size_t maxCell_;
  size_t maxFields_;
  bool first_ = true;
  size_t fields_ = 0;
};

}  // namespace

void AppendCsvField(std::string& row, std::string_view text) {
  if (!NeedsQuotes(text)) {
    row += text;
    return;
  }
  row += '"';
  for (char c : text) {
    if (c == '"') row += '"';
    row += c;
  }
  row += '"';
}

std::string CsvField(std::string_view text) {
  std::string field;
  AppendCsvField(field, text);
  return field;
}

std::string CsvRow(const std::vector<std::string>& fields) {
  std::string row;
  for (size_t i = 0; i < fields.size(); ++i) {
    if (i > 0) row += ',';
    row += CsvField(fields[i]);
  }
  // A row of one empty field in quotes: an empty line that ends a text is
  // no row.
  if (fields.size() == 1 && fields[0].empty()) row = "\"\"";
  row += "\r\n";
  return row;
}

void ReadCsvRows(TextStream& in, const std::function<void(CsvRecord&)>& take, size_t maxCell,
                 size_t maxFields) {
  CsvReader(in, maxCell, maxFields).Rows(take);
}

void ReadCsvRows(std::string_view text, const std::function<void(CsvRecord&)>& take) {
  TextStream in(text);
  ReadCsvRows(in, take, std::string::npos, std::string::npos);
}

std::vector<CsvRecord> ReadCsv(std::string_view text) {
  std::vector<CsvRecord> rows;
  ReadCsvRows(text, [&rows](CsvRecord& row) { rows.push_back(std::move(row)); });
  return rows;
}

}  // namespace vantor
