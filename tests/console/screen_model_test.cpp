#include "console/screen_model.h"

#include <gtest/gtest.h>

namespace vantor {
namespace {

TEST(ScreenModel, ConsoleIgnoresPositionsOutsideTheScreen) {
  ScreenModel screen(ScreenKind::Console, 80, 50);
  screen.GotoXY(10, 5);
  for (auto [x, y] : {std::pair{0, 5}, {81, 5}, {10, 0}, {10, 51}, {-3, -3}}) {
    screen.GotoXY(x, y);
    EXPECT_EQ(screen.WhereX(), 10);
    EXPECT_EQ(screen.WhereY(), 5);
  }
  screen.GotoXY(80, 50);
  EXPECT_EQ(screen.WhereX(), 80);
  EXPECT_EQ(screen.WhereY(), 50);
}

TEST(ScreenModel, WindowMovesPositionsToTheNearestEdge) {
  ScreenModel screen(ScreenKind::Window, 80, 25);
  screen.GotoXY(0, 0);
  EXPECT_EQ(screen.WhereX(), 1);
  EXPECT_EQ(screen.WhereY(), 1);
  screen.GotoXY(200, 30);
  EXPECT_EQ(screen.WhereX(), 80);
  EXPECT_EQ(screen.WhereY(), 25);
}

TEST(ScreenModel, LineEndAtTheBottomRowScrolls) {
  ScreenModel screen(ScreenKind::Console, 80, 3);
  for (const char* line : {"one", "two", "three", "four"}) {
    screen.Write(line);
    screen.LineEnd();
  }
  EXPECT_EQ(screen.RowText(1), "three");
  EXPECT_EQ(screen.RowText(2), "four");
  EXPECT_EQ(screen.RowText(3), "");
  EXPECT_EQ(screen.WhereY(), 3);
  // Positions stay screen positions after scrolling.
  screen.GotoXY(1, 1);
  screen.Write("X");
  EXPECT_EQ(screen.RowText(1), "Xhree");
}

TEST(ScreenModel, ManyScrollsKeepTheLastRows) {
  ScreenModel screen(ScreenKind::Console, 80, 50);
  for (int i = 0; i < 100000; ++i) {
    screen.Write(std::to_string(i));
    screen.LineEnd();
  }
  EXPECT_EQ(screen.RowText(49), "99999");
  EXPECT_EQ(screen.RowText(1), "99951");
}

TEST(ScreenModel, WritingPastTheLastColumnWraps) {
  for (ScreenKind kind : {ScreenKind::Console, ScreenKind::Window}) {
    ScreenModel screen(kind, 80, 25);
    screen.Write(std::string(79, 'a') + "bc");
    EXPECT_EQ(screen.RowText(1), std::string(79, 'a') + "b");
    EXPECT_EQ(screen.RowText(2), "c");
    EXPECT_EQ(screen.WhereX(), 2);
    EXPECT_EQ(screen.WhereY(), 2);
  }
}

TEST(ScreenModel, WindowControlCharacters) {
  ScreenModel screen(ScreenKind::Window, 80, 25);
  screen.Write("ab\rcd");
  EXPECT_EQ(screen.RowText(1), "ab");
  EXPECT_EQ(screen.RowText(2), "cd");
  screen.Write("x\by");  // backspace blanks the cell on its left
  EXPECT_EQ(screen.RowText(2), "cdy");
  screen.Write(
      std::string("1\0\n\t\x1b"
                  "2",
                  6));  // no glyph, no move
  EXPECT_EQ(screen.RowText(2), "cdy12");
  EXPECT_EQ(screen.WhereX(), 6);
  screen.Write("\a");  // the console rings the bell; the screen does not change
  EXPECT_EQ(screen.RowText(2), "cdy12");
  EXPECT_EQ(screen.WhereX(), 6);
}

TEST(ScreenModel, ConsoleShowsEveryByteAsAGlyph) {
  ScreenModel screen(ScreenKind::Console, 80, 25);
  screen.Write(std::string("a\0\r\n\x07\xFF", 6));
  EXPECT_EQ(screen.Row(1).substr(0, 6), std::string_view("a\0\r\n\x07\xFF", 6));
  EXPECT_EQ(screen.WhereX(), 7);
}

TEST(ScreenModel, ClearingAndErasing) {
  ScreenModel screen(ScreenKind::Console, 80, 25);
  screen.Write("hello world");
  screen.GotoXY(6, 1);
  screen.ClearToEndOfLine();
  EXPECT_EQ(screen.RowText(1), "hello");
  EXPECT_EQ(screen.WhereX(), 6);
  screen.EraseLeft();
  EXPECT_EQ(screen.RowText(1), "hell");
  screen.Clear();
  EXPECT_EQ(screen.Text(), "");
  EXPECT_EQ(screen.WhereX(), 1);
  EXPECT_EQ(screen.WhereY(), 1);
}

}  // namespace
}  // namespace vantor
