// vtweb as a whole: the command line read once, then the server (of a
// landmark file's map or a data file's grid) or the map written as one file.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "console/plain_console.h"
#include "vtweb_state.h"

namespace vantor::vtweb {

enum class VtwebMode { Serve, Html, Help, Version, BadCommandLine };

struct VtwebOptions {
  VtwebMode Mode = VtwebMode::Serve;
  std::string FileName;                   // FILE.mrf, or DATA
  std::optional<std::string> FormatName;  // DATA's FORMAT, when given
  bool LandmarkFile = true;               // FILE.mrf without a FORMAT
  std::string ProgramDir;                 // where format files are looked up
  std::string OutputName;                 // --html's -o; empty: standard output
  uint16_t Port = 0;                      // --port; 0: a free one
  bool OpenBrowser = true;                // off with --no-open
  std::string CommandLineError;           // why a BadCommandLine is one
};
VtwebOptions ParseOptions(const std::vector<std::string>& arguments);

std::string HelpText();

// The secret of a run: 16 random bytes as 32 hex digits.
std::string MakeSecret();

// The address a run prints and opens.
std::string StartAddress(const VtwebState& s);

// A run; returns the exit code (1 for a command line or a file that is
// refused). The server runs until the program is ended.
int RunVtweb(const VtwebOptions& options, PlainConsole& out, PlainConsole& err);

}  // namespace vantor::vtweb
