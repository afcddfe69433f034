#include <gtest/gtest.h>

#include "index_walk.h"
#include "volume_reader.h"

namespace vantor::vtvolx {
namespace {

struct MatchCase {
  const char* pattern;
  const char* name;
  bool selected;
};

TEST(MatchName, PatternRules) {
  const MatchCase cases[] = {
      // A lone star selects every named entry; inverted, none.
      {"*", "a.txt", true},
      {"!*", "a.txt", false},
      // "!" alone inverts the empty pattern, which selects nothing.
      {"!", "a.txt", true},
      {"", "a.txt", false},
      // Without a star: every name that starts with the pattern.
      {"03", "03a.dml", true},
      {"03", "03", true},
      {"03", "x03", false},
      // A star at the start: the rest occurs anywhere.
      {"*.bmp", "sky.bmp", true},
      {"*.bmp", "a.bmpx", true},
      {"*.bmp", "sky.pcx", false},
      {"!*.bmp", "sky.pcx", true},
      {"!*.bmp", "sky.bmp", false},
      // A star at the end only: the name starts with what stands before it.
      {"03*", "03x", true},
      {"03*", "03", true},
      {"03*", "04x", false},
      // A star in the middle: the part after it occurs from the second
      // character on, and may overlap the part before it.
      {"03*.dml", "03a.dml", true},
      {"03*.dml", "03x.dmlold", true},
      {"03*.dml", "04a.dml", false},
      {"ab*b", "ab", true},
      {"a*a", "a", false},
      {"a*a", "aa", true},
      // A second star is an ordinary character of the part after the first.
      {"a*b*", "axb", false},
      {"a*b*", "axb*", true},
      {"*a*", "x*a*y", true},
      {"*a*", "xay", false},
      // Case matters.
      {"A.TXT", "a.txt", false},
      {"*.TXT", "a.txt", false},
      // A blank before the "!" makes it part of the pattern.
      {" !a", "a", false},
      {"-test", "-testfile", true},
  };
  for (const MatchCase& c : cases) {
    std::string result = MatchName(c.pattern, c.name);
    EXPECT_EQ(result, c.selected ? std::string(c.name) : std::string())
        << "pattern \"" << c.pattern << "\" name \"" << c.name << "\"";
  }
}

TEST(MatchName, EmptyNamesAreNeverSelected) {
  for (const char* pattern : {"*", "!", "!x", "", "a*"})
    EXPECT_EQ(MatchName(pattern, ""), "");
}

TEST(EntryNames, UnsafeNamesAreRecognised) {
  for (const char* name : {"..", ".", "../x.dat", "a/b", "a\\b", "/etc/passwd", "C:x.dat",
                           "c:", "x\x01y", "tab\there", "del\x7f"}) {
    EXPECT_TRUE(IsUnsafeEntryName(name)) << name;
  }
  for (const char* name : {"a.txt", "..hidden", "x..y", "name with blanks", "\xe9t\xe9.txt", "1:2",
                           "~long~name.dat"}) {
    EXPECT_FALSE(IsUnsafeEntryName(name)) << name;
  }
}

TEST(EntryNames, BatchLinesAreGuardedForCommandCharacters) {
  for (const char* name :
       {"a&b", "a|b", "a<b", "a>b", "a^b", "50%", "a;b", "a`b", "$x", "a\"b", "../up"}) {
    EXPECT_TRUE(NeedsBatchGuard(name)) << name;
  }
  EXPECT_FALSE(NeedsBatchGuard("plain_name-1.dat"));
}

TEST(Low24, KeepsTheLengthDropsTheFlags) {
  EXPECT_EQ(Low24(0x8000003Eu), 0x3Eu);
  EXPECT_EQ(Low24(0x12FFFFFFu), 0xFFFFFFu);
  EXPECT_EQ(Low24(0x00000000u), 0u);
}

}  // namespace
}  // namespace vantor::vtvolx
