// The command line of vtvolx, read once into one value; nothing below the
// main program looks at the arguments.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vantor::vtvolx {

enum class RunMode {
  Usage,            // no arguments
  Make,             // "-make": build a volume from a folder
  List,             // "-list": entries on the screen and into a list file
  Batch,            // "-batch": a batch file that extracts entries one by one
  ExtractAll,       // "-all"
  ExtractMatching,  // a pattern
  AskPattern,       // only the volume was named: the pattern is asked for
  JsonListing,      // "--json": the entries as JSON Lines, nothing written
  Help,             // "--help": the usage and the options
  Version,          // "--version": the program's name and the package version
  Refused,          // an unknown option, or one that does not fit the words
};

struct Options {
  RunMode Mode = RunMode::Usage;
  // The volume read, or, with "-make", the one built (empty when missing),
  // as the user typed it.
  std::string Volume;
  // The filter of -list and -batch (empty: every entry), or the pattern of
  // an extraction.
  std::string Pattern;
  // "-test" after a pattern or "-all": show what would be extracted.
  bool TestOnly = false;
  // A ".ted" volume: entries are numbered, not named.
  bool IsTed = false;
  // With "-make": the folder of the files to store.
  std::string SourceFolder;
  // Where the program's real file lives (ending with a separator, links
  // followed) and that file's name in lower case: its own files are there.
  std::string ProgramDir;
  std::string ProgramFile;
  // The program's name in lower case as argument 0 gives it, links not
  // followed: what the user typed and can type again (banner, batch lines).
  std::string ProgramName;
  // With Refused: what is wrong with the command line.
  std::string Problem;
};

// Argument 0 is the program's own path. Options begin with "--" (no volume
// or file name of the game does) and may stand anywhere; the other words
// keep their places among themselves.
Options ParseCommandLine(const std::vector<std::string>& arguments);

// What a word in the place of the mode means: "-list", "-batch", "-all", or
// a pattern (ExtractMatching). Words are compared exactly.
RunMode ModeOfWord(std::string_view word);

}  // namespace vantor::vtvolx
