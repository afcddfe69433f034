// CSV of any content: read, or refused with a place inside the text; what is
// read, written again, reads back the same.
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_support.h"
#include "textform/csv_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vantor;
  std::string_view text(reinterpret_cast<const char*>(data), size);
  std::vector<CsvRecord> rows;
  try {
    rows = ReadCsv(text);
  } catch (const TextFormError& e) {
    fuzzing::Require(e.Place().line >= 1 && e.Place().column >= 1, "a place in the text");
    return 0;
  }
  std::string written;
  for (const CsvRecord& row : rows) {
    std::vector<std::string> fields;
    for (const CsvCell& cell : row.cells)
      fields.push_back(cell.text);
    written += CsvRow(fields);
  }
  std::vector<CsvRecord> again = ReadCsv(written);
  fuzzing::Require(again.size() == rows.size(), "rows read back");
  for (size_t r = 0; r < rows.size(); ++r) {
    fuzzing::Require(again[r].cells.size() == rows[r].cells.size(), "fields read back");
    for (size_t c = 0; c < rows[r].cells.size(); ++c)
      fuzzing::Require(again[r].cells[c].text == rows[r].cells[c].text, "field text read back");
  }
  return 0;
}
