// Helpers of the tests that drive datedit's command loop: data files, screen
// rows and the run itself.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "command_loop.h"
#include "data_file.h"
#include "datedit/datedit_fixtures.h"

namespace vantor::testing {

// Row `row` (the top one is 1) of a screen snapshot; empty past its last row.
inline std::string RowOf(const std::string& snapshot, int row) {
  size_t start = 0;
  for (int r = 1; r < row; ++r) {
    start = snapshot.find('\n', start);
    if (start == std::string::npos) return "";
    ++start;
  }
  if (start >= snapshot.size()) return "";
  return snapshot.substr(start, snapshot.find('\n', start) - start);
}

// The first status line from " Pos:" on, the part that does not depend on
// the file's name.
inline std::string PositionPart(const std::string& snapshot) {
  std::string status = RowOf(snapshot, 1);
  size_t at = status.find(" Pos:");
  return at == std::string::npos ? status : status.substr(at);
}

inline size_t CountOf(std::string_view text, std::string_view part) {
  size_t n = 0;
  for (size_t at = text.find(part); at != std::string_view::npos; at = text.find(part, at + 1))
    ++n;
  return n;
}

inline bool Contains(std::string_view text, std::string_view part) {
  return text.find(part) != std::string_view::npos;
}

// Opens the data file as the program does, then runs the loop until Q.
inline void OpenAndRun(DateditHarness& h) {
  datedit::OpenDataFile(h.state, h.options);
  datedit::CommandLoop(h.state, h.options);
}

inline const std::vector<std::string>& Shots(DateditHarness& h) {
  return h.console.Script().Snapshots();
}

}  // namespace vantor::testing
