#include "console/screen_model.h"

#include <algorithm>
#include <cstring>

#include "base/cp437.h"

namespace vantor {
namespace {
constexpr uint8_t kBlank = ' ';
constexpr uint8_t kBackspace = 8;
constexpr uint8_t kCarriageReturn = 13;
}  // namespace

ScreenModel::ScreenModel(ScreenKind kind, int columns, int rows) : kind_(kind) {
  Reset(columns, rows);
}

void ScreenModel::Reset(int columns, int rows) {
  columns_ = std::max(columns, 1);
  rows_ = std::max(rows, 1);
  cells_.assign(static_cast<size_t>(columns_) * rows_, kBlank);
  topRow_ = 0;
  cursorColumn_ = 1;
  cursorRow_ = 1;
}

uint8_t* ScreenModel::RowCells(int row) {
  int physical = (topRow_ + row - 1) % rows_;
  return cells_.data() + static_cast<size_t>(physical) * columns_;
}

std::string_view ScreenModel::Row(int row) const {
  if (row < 1 || row > rows_) return {};
  int physical = (topRow_ + row - 1) % rows_;
  return {reinterpret_cast<const char*>(cells_.data()) + static_cast<size_t>(physical) * columns_,
          static_cast<size_t>(columns_)};
}

std::string ScreenModel::RowText(int row) const {
  std::string_view cells = Row(row);
  auto end = cells.find_last_not_of(' ');
  return std::string(end == std::string_view::npos ? std::string_view() : cells.substr(0, end + 1));
}

std::string ScreenModel::Text() const {
  int lastRow = rows_;
  while (lastRow > 0 && RowText(lastRow).empty())
    --lastRow;
  std::string text;
  for (int row = 1; row <= lastRow; ++row) {
    text += RowText(row);
    text += '\n';
  }
  return text;
}

std::string ScreenModel::Utf8Text() const {
  return TextAs(Cp437ToUtf8);
}

std::string ScreenModel::TextAs(const std::function<std::string(std::string_view)>& glyphs) const {
  // Zero bytes show as blanks too, so rows are trimmed after the conversion.
  std::vector<std::string> rows;
  for (int row = 1; row <= rows_; ++row) {
    std::string text = glyphs(Row(row));
    text.erase(text.find_last_not_of(' ') + 1);
    rows.push_back(std::move(text));
  }
  while (!rows.empty() && rows.back().empty())
    rows.pop_back();
  std::string text;
  for (const std::string& row : rows)
    text += row + '\n';
  return text;
}

void ScreenModel::ScrollUp() {
  topRow_ = (topRow_ + 1) % rows_;
  std::memset(RowCells(rows_), kBlank, columns_);
}

void ScreenModel::AdvanceRow() {
  if (cursorRow_ == rows_) {
    ScrollUp();
  } else {
    ++cursorRow_;
  }
}

void ScreenModel::LineEnd() {
  cursorColumn_ = 1;
  AdvanceRow();
}

void ScreenModel::WriteGlyph(uint8_t byte) {
  RowCells(cursorRow_)[cursorColumn_ - 1] = byte;
  if (cursorColumn_ < columns_) {
    ++cursorColumn_;
  } else {
    LineEnd();  // writing past the last column goes on in the next row
  }
}

void ScreenModel::EraseLeft() {
  if (cursorColumn_ > 1) {
    --cursorColumn_;
  } else if (cursorRow_ > 1) {
    --cursorRow_;
    cursorColumn_ = columns_;
  } else {
    return;
  }
  RowCells(cursorRow_)[cursorColumn_ - 1] = kBlank;
}

void ScreenModel::Put(uint8_t byte) {
  if (kind_ == ScreenKind::Console || byte >= 32) {
    WriteGlyph(byte);
    return;
  }
  switch (byte) {
    case kCarriageReturn:
      LineEnd();
      break;
    case kBackspace:
      if (cursorColumn_ > 1) {
        --cursorColumn_;
        RowCells(cursorRow_)[cursorColumn_ - 1] = kBlank;
      }
      break;
    default:
      break;  // other control characters show nothing
  }
}

void ScreenModel::Write(std::string_view bytes) {
  for (char c : bytes)
    Put(static_cast<uint8_t>(c));
}

void ScreenModel::Clear() {
  std::fill(cells_.begin(), cells_.end(), kBlank);
  topRow_ = 0;
  cursorColumn_ = 1;
  cursorRow_ = 1;
}

void ScreenModel::ClearToEndOfLine() {
  uint8_t* cells = RowCells(cursorRow_);
  std::memset(cells + cursorColumn_ - 1, kBlank, columns_ - cursorColumn_ + 1);
}

void ScreenModel::GotoXY(int column, int row) {
  if (kind_ == ScreenKind::Window) {
    cursorColumn_ = std::clamp(column, 1, columns_);
    cursorRow_ = std::clamp(row, 1, rows_);
    return;
  }
  if (column < 1 || column > columns_ || row < 1 || row > rows_) return;
  cursorColumn_ = column;
  cursorRow_ = row;
}

}  // namespace vantor
