// Data files and states for the datedit tests.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "datedit.h"
#include "datedit_state.h"
#include "scripted_backend.h"
#include "test_support.h"

namespace vantor::testing {

// A structured data file: header text, count and length, then the record bytes.
inline std::vector<uint8_t> DataFileBytes(uint16_t count, uint16_t size,
                                          const std::vector<uint8_t>& records,
                                          const std::string& headerText = "SAMPLE HEADER") {
  std::vector<uint8_t> bytes(100, 0);
  std::copy_n(headerText.begin(), std::min<size_t>(headerText.size(), 20), bytes.begin());
  bytes[20] = static_cast<uint8_t>(count);
  bytes[21] = static_cast<uint8_t>(count >> 8);
  bytes[22] = static_cast<uint8_t>(size);
  bytes[23] = static_cast<uint8_t>(size >> 8);
  // Copied rather than inserted: GCC 12 at -O2 reports a false -Warray-bounds
  // on the inlined insert.
  bytes.resize(100 + records.size());
  std::copy(records.begin(), records.end(), bytes.begin() + 100);
  return bytes;
}

// Every field type once: t5 s b i w l 4 8 O P C L x3 u h c o = 39 bytes.
inline constexpr const char* kAllTypesFormat =
    "t Name\n5\ns Signed\nb Byte\ni Int\nw Word\nl Long\n4 Single\n8 Double\nO Object\n"
    "P Plane\nC Class\nL Landmark\nx\n3\nu U\nh H\nc C\no O\n";

// count records of `size` bytes, record r filled with the byte 'A' + r.
inline std::vector<uint8_t> LetterRecords(int count, int size) {
  std::vector<uint8_t> records;
  for (int r = 0; r < count; ++r)
    records.insert(records.end(), size, static_cast<uint8_t>('A' + r));
  return records;
}

// A datedit state on a scripted console whose program folder is `programDir`.
struct DateditHarness {
  explicit DateditHarness(const std::string& programDir, std::vector<std::string> arguments = {})
      : console(datedit::DateditConsoleOptions()),
        options(datedit::ParseCommandLine(WithProgram(programDir, std::move(arguments)))),
        state(console) {
    state.ProgramDir = options.ProgramDir;
  }

  static std::vector<std::string> WithProgram(const std::string& dir,
                                              std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), dir + "/datedit");
    return arguments;
  }

  ScriptedConsole console;
  datedit::DateditOptions options;
  datedit::DateditState state;
};

}  // namespace vantor::testing
