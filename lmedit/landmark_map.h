// `lmedit --map`: a landmark file drawn as one self-contained SVG picture,
// each landmark at its east and north co-ordinates with a symbol for its type,
// a colour for its side and its name, under a legend and a scale bar.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "console/plain_console.h"
#include "lmedit_state.h"
#include "records/record_file.h"

namespace vantor::lmedit {

// The map of `records` as SVG text; `fileName` heads it. Landmarks whose
// co-ordinates are not finite are left out and counted in a note.
std::string LandmarkMapSvg(std::string_view fileName, std::span<const LandmarkRecord> records,
                           bool labels);

// The record count of a landmark file open as `file`; a TextFormRefusal
// when it is no landmark file (too short for the header, or a size other
// than the header's record count says).
int64_t LandmarkCountOf(RecordFile& file);

// All records of a landmark file, opened read-only; a TextFormRefusal when
// the file is no landmark file (too short for the header, or a size other
// than the header's record count says).
std::vector<LandmarkRecord> ReadAllLandmarks(const std::string& name);

// Reads `fileName` and writes its map to `outputName` (replaced whole, or
// not at all) or, when that is empty, to `out`. Returns the exit code, 0; a
// refusal is a TextFormRefusal.
int DrawMap(const std::string& fileName, const std::string& outputName, bool labels,
            PlainConsole& out);

}  // namespace vantor::lmedit
