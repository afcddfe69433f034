#include "console/terminal/terminal_view.h"
#include "console/viewport.h"

#include <gtest/gtest.h>

#include <clocale>
#include <functional>

#include "base/cp437.h"
#include "console/console.h"
#include "console/terminal/terminal_backend.h"

namespace vantor {
namespace {

// "1-3,30-50" for the lines 1 to 3 and 30 to 50.
std::string Ranges(const std::vector<int>& lines) {
  std::string text;
  for (size_t i = 0; i < lines.size(); ++i) {
    bool startsRun = i == 0 || lines[i] != lines[i - 1] + 1;
    bool endsRun = i + 1 == lines.size() || lines[i + 1] != lines[i] + 1;
    if (startsRun) text += (text.empty() ? "" : ",") + std::to_string(lines[i]);
    if (endsRun && !startsRun) text += "-" + std::to_string(lines[i]);
  }
  return text;
}

TEST(TerminalView, PinnedRowsStayAndTheRestFollowsTheCursor) {
  struct Case {
    int screen, terminal, cursor, pinned;
    const char* shown;
  };
  for (const Case& c : std::initializer_list<Case>{
           {50, 24, 45, 3, "1-3,30-50"},  // datedit's field editor near the bottom
           {50, 24, 25, 3, "1-3,15-35"},
           {50, 24, 2, 3, "1-24"},
           {50, 60, 45, 3, "1-50"},
           {50, 5, 45, 3, "1-2,44-46"},  // pinned rows take at most half
           {50, 1, 45, 3, "45"},
           {25, 24, 25, 0, "2-25"},
           {80, 40, 75, 0, "41-80"},
       }) {
    EXPECT_EQ(Ranges(VisibleLines(c.screen, c.terminal, c.cursor, c.pinned)), c.shown)
        << c.screen << " lines on " << c.terminal << ", cursor " << c.cursor;
  }
}

// Runs `check` with the given locale in force, the previous one afterwards;
// false when this system lacks the locale.
bool InLocale(const char* name, const std::function<void()>& check) {
  std::string previous = std::setlocale(LC_ALL, nullptr);
  if (std::setlocale(LC_ALL, name) == nullptr) return false;
  check();
  std::setlocale(LC_ALL, previous.c_str());
  return true;
}

TEST(TerminalView, GlyphsTheLocaleCannotShowBecomeOneQuestionMarkEach) {
  std::string allBytes;
  for (int byte = 0; byte < 256; ++byte)
    allBytes.push_back(static_cast<char>(byte));
  ASSERT_TRUE(InLocale("C", [&] {
    LocaleGlyphs glyphs;
    EXPECT_EQ(glyphs.Encode(std::string("\0\x01 A~\x7F\x80\x82\xB0\xFF", 10)), " ? A~?????");
    EXPECT_EQ(glyphs.Encode(allBytes).size(), 256u);
    EXPECT_EQ(glyphs.Glyph(0x82), L'?');
    EXPECT_EQ(glyphs.Glyph('A'), L'A');
  }));
  ASSERT_TRUE(InLocale("C.UTF-8", [&] {
    EXPECT_EQ(LocaleGlyphs().Encode(allBytes), Cp437ToUtf8(allBytes));
    EXPECT_EQ(LocaleGlyphs().Glyph(0x01), L'\u263A');
  }));
  // Not every system has a Latin-1 locale; where it has one, é and ß show.
  InLocale("en_US.ISO-8859-1",
           [&] { EXPECT_EQ(LocaleGlyphs().Encode("\x82\x01\xE1 "), "\xE9?\xDF "); });
}

// Typed bytes become keys by the locale; what does not decode passes byte by
// byte, and a character that has only begun holds back no key once the
// reader gives up on it.
TEST(TypedBytes, KeysOfTypedBytesInTheLocale) {
  const int f1 = kExtendedKey | ScanCode::F1;
  struct Case {
    const char* locale;
    std::string bytes;
    std::vector<int> keys;  // before the reader gives up waiting
    std::vector<int> then;  // once it gives up, or once F1 comes
    bool f1Comes = false;
  };
  const Case cases[] = {
      {"C", "\xC3\xA9q", {0xC3, 0xA9, 'q'}, {}},
      {"C.UTF-8", "\xC3\xA9", {0x82}, {}},                  // é
      {"C.UTF-8", "\xE9q", {0xE9, 'q'}, {}},                // no continuation byte
      {"C.UTF-8", "\xE9", {}, {0xE9}},                      // the rest never comes
      {"C.UTF-8", "\xE2\x82\xAC", {kUnheldCharacter}, {}},  // €
      {"C.UTF-8", "\xE2\x82", {}, {0xE2, 0x82, f1}, true},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(InLocale(c.locale, [&] {
      TypedBytes typed;
      for (char byte : c.bytes)
        typed.Add(static_cast<uint8_t>(byte));
      auto drain = [&] {
        std::vector<int> keys;
        while (std::optional<int> key = typed.NextKey())
          keys.push_back(*key);
        return keys;
      };
      EXPECT_EQ(drain(), c.keys) << c.locale << " " << c.bytes;
      if (c.f1Comes) {
        typed.AddKey(f1);
      } else {
        typed.GiveUpCharacter();
      }
      EXPECT_EQ(drain(), c.then) << c.locale << " " << c.bytes;
    }));
  }
}

TEST(TerminalBackend, TerminalsThatCannotMoveTheCursorGetStreamMode) {
  EXPECT_TRUE(CanAddressCursor("xterm"));
  EXPECT_FALSE(CanAddressCursor("dumb"));
  EXPECT_FALSE(CanAddressCursor("vantor-no-such-terminal"));
}

}  // namespace
}  // namespace vantor
