// The text screen as data: a grid of single-byte cells and a cursor. The
// terminal, the snapshots of stream mode and the tests all read these cells.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace vantor {

// The two screens of the tools differ in a few rules.
enum class ScreenKind {
  // datedit's console: every byte is a glyph; a position outside the screen
  // leaves the cursor where it is.
  Console,
  // lmedit's window: carriage return ends the line, backspace erases to the
  // left, bell rings, other control characters show nothing; positions
  // outside the screen are moved to the nearest edge.
  Window,
};

class ScreenModel {
 public:
  ScreenModel(ScreenKind kind, int columns, int rows);

  ScreenKind Kind() const { return kind_; }
  int Columns() const { return columns_; }
  int Rows() const { return rows_; }

  // Resizes and clears the screen, cursor to the top left.
  void Reset(int columns, int rows);

  void Write(std::string_view bytes);
  void Put(uint8_t byte);
  void LineEnd();
  // Moves one column to the left (to the end of the row above at column 1) and
  // blanks that cell: how an echoed character is taken back.
  void EraseLeft();

  void Clear();
  void ClearToEndOfLine();
  void GotoXY(int column, int row);
  int WhereX() const { return cursorColumn_; }
  int WhereY() const { return cursorRow_; }

  // Row 1 is the top row. Cells are the raw bytes written.
  std::string_view Row(int row) const;
  // The row without its trailing blanks.
  std::string RowText(int row) const;
  // All rows, trailing blanks trimmed, each followed by a line feed; trailing
  // empty rows are left out.
  std::string Text() const;

  // Text() with every row's bytes shown as their code page 437 glyphs in UTF-8.
  std::string Utf8Text() const;
  // Text() with every row's bytes converted by `glyphs` first.
  std::string TextAs(const std::function<std::string(std::string_view)>& glyphs) const;

 private:
  uint8_t* RowCells(int row);
  void AdvanceRow();
  void ScrollUp();
  void WriteGlyph(uint8_t byte);

  ScreenKind kind_;
  int columns_;
  int rows_;
  // Rows are kept in a ring, so that scrolling one line costs one row, not the
  // whole screen: long outputs scroll many thousand times.
  std::vector<uint8_t> cells_;
  int topRow_ = 0;
  int cursorColumn_ = 1;
  int cursorRow_ = 1;
};

}  // namespace vantor
