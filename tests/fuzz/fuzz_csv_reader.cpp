// CSV of any content: read, or refused with a place inside the text; what is
// read, written again, reads back the same; read in small pieces, it gives
// the same rows or the same fault.
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_pieces.h"
#include "fuzz_support.h"
#include "textform/csv_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vantor;
  std::string_view text(reinterpret_cast<const char*>(data), size);
  std::vector<CsvRecord> rows;
  std::vector<CsvRecord> pieces;
  TextStream in = fuzzing::InPieces(text, fuzzing::PieceSize(text));
  try {
    ReadCsvRows(
        in, [&pieces](CsvRecord& row) { pieces.push_back(std::move(row)); }, 1 << 20, 1 << 20);
  } catch (const TextFormError& e) {
    pieces.push_back({{{e.what(), e.Place()}}, e.Place()});
  }
  try {
    rows = ReadCsv(text);
  } catch (const TextFormError& e) {
    fuzzing::Require(e.Place().line >= 1 && e.Place().column >= 1, "a place in the text");
    fuzzing::Require(!pieces.empty(), "pieces refused as the whole text");
    const CsvCell& fault = pieces.back().cells.at(0);
    fuzzing::Require(fault.text == e.what() && fault.place.line == e.Place().line &&
                         fault.place.column == e.Place().column,
                     "pieces refused as the whole text");
    return 0;
  }
  fuzzing::Require(pieces.size() == rows.size(), "pieces read as the whole text");
  for (size_t r = 0; r < rows.size(); ++r) {
    for (size_t c = 0; c < rows[r].cells.size(); ++c)
      fuzzing::Require(pieces[r].cells.at(c).text == rows[r].cells[c].text, "piece cells");
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
