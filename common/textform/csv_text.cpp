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
  explicit CsvReader(std::string_view text) : text_(text) {
    if (text_.starts_with("\xEF\xBB\xBF")) text_.remove_prefix(3);
  }

  void Rows(const std::function<void(CsvRecord&)>& take) {
    size_t fields = 0;
    for (bool first = true; pos_ < text_.size() && !OnlyEmptyLinesLeft(); first = false) {
      CsvRecord row = Row(fields);
      if (first) fields = row.cells.size();
      if (row.cells.size() != fields) {
        throw TextFormError("this row has " + std::to_string(row.cells.size()) +
                                " fields, the first row " + std::to_string(fields),
                            row.place);
      }
      take(row);
    }
  }

 private:
  bool AtEnd() const { return pos_ >= text_.size(); }
  char Peek() const { return text_[pos_]; }
  void Take() { counter_.Advance(text_[pos_++]); }

  // At a row end (LF, CR LF or the end of the text): takes it.
  bool TakeRowEnd() {
    if (AtEnd()) return true;
    if (Peek() == '\n') {
      Take();
      return true;
    }
    if (Peek() == '\r' && pos_ + 1 < text_.size() && text_[pos_ + 1] == '\n') {
      Take();
      Take();
      return true;
    }
    return false;
  }

  // Empty lines that end a text are no rows: editors and spreadsheets leave
  // them. One in the middle stays a row of one empty field.
  bool OnlyEmptyLinesLeft() const {
    for (size_t at = pos_; at < text_.size(); ++at) {
      if (text_[at] == '\r' && at + 1 < text_.size() && text_[at + 1] == '\n') ++at;
      if (text_[at] != '\n') return false;
    }
    return true;
  }

  // `fields`: room for as many cells as the first row had.
  CsvRecord Row(size_t fields) {
    CsvRecord row;
    row.cells.reserve(fields);
    row.place = counter_.Place();
    for (;;) {
      row.cells.push_back(Cell());
      if (TakeRowEnd()) return row;
      Take();  // the comma that Cell stopped at
    }
  }

  CsvCell Cell() {
    CsvCell cell;
    cell.place = counter_.Place();
    if (!AtEnd() && Peek() == '"') {
      cell.text = Quoted();
    } else {
      cell.text = Unquoted();
    }
    return cell;
  }

  // Taken as one piece up to the first character that ends or spoils it:
  // long exports hold hundreds of thousands of fields.
  std::string Unquoted() {
    size_t end = pos_;
    while (end < text_.size() && !IsFieldStop(text_[end]))
      ++end;
    std::string text(text_.substr(pos_, end - pos_));
    counter_.AdvanceInLine(text);
    pos_ = end;
    if (AtEnd()) return text;
    if (Peek() == '"') throw TextFormError("a quote inside a field that is not quoted", Here());
    if (Peek() == '\r' && !(pos_ + 1 < text_.size() && text_[pos_ + 1] == '\n')) {
      throw TextFormError("a carriage return that does not end a row", Here());
    }
    return text;
  }

  std::string Quoted() {
    TextPlace opened = counter_.Place();
    Take();
    std::string text;
    for (;;) {
      if (AtEnd()) throw TextFormError("a quoted field is not closed", opened);
      char c = Peek();
      Take();
      if (c != '"') {
        text += c;
        continue;
      }
      if (!AtEnd() && Peek() == '"') {
        text += '"';
        Take();
        continue;
      }
      bool atFieldEnd = AtEnd() || Peek() == ',' || Peek() == '\n' ||
                        (Peek() == '\r' && pos_ + 1 < text_.size() && text_[pos_ + 1] == '\n');
      if (!atFieldEnd) throw TextFormError("text after the closing quote of a field", Here());
      return text;
    }
  }

  TextPlace Here() const { return counter_.Place(); }

  std::string_view text_;
  size_t pos_ = 0;
  PlaceCounter counter_;
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
  row += "\r\n";
  return row;
}

void ReadCsvRows(std::string_view text, const std::function<void(CsvRecord&)>& take) {
  CsvReader(text).Rows(take);
}

std::vector<CsvRecord> ReadCsv(std::string_view text) {
  std::vector<CsvRecord> rows;
  ReadCsvRows(text, [&rows](CsvRecord& row) { rows.push_back(std::move(row)); });
  return rows;
}

}  // namespace vantor
