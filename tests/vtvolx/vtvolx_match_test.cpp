#include <gtest/gtest.h>

#include "entry_names.h"
#include "name_pattern.h"
#include "volume_format.h"

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
  // Also what Windows cannot create: device names, a colon, a trailing dot
  // or blank.
  for (const char* name :
       {"..",         ".",    "../x.dat", "a/b",       "a\\b",     "/etc/passwd", "C:x.dat",
        "c:",         "1:2",  "x\x01y",   "tab\there", "del\x7f",  "CON",         "con.txt",
        "Nul.tar.gz", "aux",  "PRN.",     "com1",      "LPT9.dat", "trail.",      "blank ",
        "a*b",        "why?", "\"q\"",    "a<b",       "a>b",      "a|b",         ""}) {
    EXPECT_TRUE(IsUnsafeEntryName(name)) << name;
  }
  for (const char* name : {"a.txt", "..hidden", "x..y", "name with blanks", "\xe9t\xe9.txt",
                           "~long~name.dat", "console.txt", "com10", "lpt0.txt", ".profile"}) {
    EXPECT_FALSE(IsUnsafeEntryName(name)) << name;
  }
}

TEST(EntryNames, BatchLinesAreGuardedForCommandCharacters) {
  for (const char* name :
       {"a&b", "a|b", "a<b", "a>b", "a^b", "50%", "a;b", "a`b", "$x", "a\"b", "../up",
        // Read by vtvolx as more than the entry: a mode, an option, a
        // second argument, a star, an inversion.
        "-all", "-list", "-batch", "-make", "-test", "--help", "--json", "--x", "-allx",
        "two words", "st*r", "!bang"}) {
    EXPECT_TRUE(NeedsBatchGuard(name)) << name;
  }
  for (const char* name : {"plain_name-1.dat", "x!y"})
    EXPECT_FALSE(NeedsBatchGuard(name)) << name;
  EXPECT_TRUE(VolumeNeedsBatchGuard("my mod.vol"));
  EXPECT_TRUE(VolumeNeedsBatchGuard("a&b.vol"));
  EXPECT_FALSE(VolumeNeedsBatchGuard("../mods/a.vol"));
}

TEST(Low24, KeepsTheLengthDropsTheFlags) {
  EXPECT_EQ(Low24(0x8000003Eu), 0x3Eu);
  EXPECT_EQ(Low24(0x12FFFFFFu), 0xFFFFFFu);
  EXPECT_EQ(Low24(0x00000000u), 0u);
}

}  // namespace
}  // namespace vantor::vtvolx
