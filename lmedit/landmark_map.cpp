#include "landmark_map.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <limits>

#include "base/cp437.h"
#include "base/run_time_error.h"
#include "base/text_format.h"
#include "files/binary_file.h"
#include "landmark_record.h"
#include "records/record_file.h"
#include "textform/text_form_import.h"

namespace vantor::lmedit {
namespace {

// The picture, in SVG user units (pixels at 100%): the landmarks fill a plot
// whose longer side is kPlotSize, so that both axes have one scale.
constexpr double kPlotSize = 800;
constexpr double kMargin = 20;
constexpr double kTitleHeight = 40;
constexpr double kScaleBarHeight = 40;
constexpr double kLegendWidth = 200;
constexpr double kLegendRow = 16;
// Two headings and 13 rows, and room below the last.
constexpr double kLegendHeight = kLegendRow * 16;
constexpr double kLabelDx = 6;
constexpr double kLabelDy = 3;
// Room for the names of the landmarks furthest east, before the legend.
constexpr double kLabelRoom = 100;

// Type codes with a symbol of their own; every other code (6 and 9 to 255)
// is drawn as "other".
constexpr std::array<std::string_view, 9> kTypeNames = {
    "aero", "city", "supply", "railyard", "railbridge", "factory", "", "town", "village"};
constexpr std::string_view kOtherTypeName = "other (code 6, 9 to 255)";
constexpr uint8_t kUnusableType = 6;

// One shape per symbol, centred on 0,0; <use> places it and gives it the
// side's colour.
constexpr std::string_view kSymbolDefinitions =
    "<circle id=\"t0\" r=\"4\"/>\n"
    "<rect id=\"t1\" x=\"-4\" y=\"-4\" width=\"8\" height=\"8\"/>\n"
    "<path id=\"t2\" d=\"M0-5L5 0L0 5L-5 0Z\"/>\n"
    "<path id=\"t3\" d=\"M0-5L5 4H-5Z\"/>\n"
    "<path id=\"t4\" d=\"M0 5L5-4H-5Z\"/>\n"
    "<path id=\"t5\" d=\"M-4.5 0L-2.25-4H2.25L4.5 0L2.25 4H-2.25Z\"/>\n"
    "<path id=\"t7\" d=\"M0-5L4.8-1.5L3 4H-3L-4.8-1.5Z\"/>\n"
    "<path id=\"t8\" d=\"M-1.5-5H1.5V-1.5H5V1.5H1.5V5H-1.5V1.5H-5V-1.5H-1.5Z\"/>\n"
    "<path id=\"tx\" d=\"M0-5L1.2-1.6L4.8-1.5L1.9 .6L2.9 4L0 2L-2.9 4L-1.9 "
    ".6L-4.8-1.5L-1.2-1.6Z\"/>"
    "\n";

// Colours by side, and the dashed outline that marks an invalid side or a
// type without a symbol of its own.
constexpr std::string_view kStyle =
    "<style>\n"
    "use{stroke:#000;stroke-width:.6}\n"
    ".c{fill:#1f5fbf}\n"
    ".a{fill:#d9480f}\n"
    ".i{fill:#9e9e9e}\n"
    ".n{fill:#fff}\n"
    ".x{stroke:#c00;stroke-width:1.4;stroke-dasharray:2 1}\n"
    "text{font:10px sans-serif;fill:#000}\n"
    ".h{font-weight:bold;font-size:12px}\n"
    ".t{font-size:16px}\n"
    "</style>\n";

constexpr std::array<std::string_view, 3> kSideClasses = {"c", "a", "i"};
constexpr std::array<std::string_view, 3> kSideNames = {"Central", "Allied",
                                                        "invalid side (code 2 to 255)"};

bool HasSymbol(uint8_t type) {
  return type < kTypeNames.size() && type != kUnusableType;
}

int SideIndex(uint8_t side) {
  return side < 2 ? side : 2;
}

std::string SymbolId(uint8_t type) {
  return HasSymbol(type) ? "t" + std::to_string(type) : "tx";
}

// A co-ordinate in the picture with one decimal, whatever the locale.
void AppendNumber(std::string& out, double value) {
  char text[64];
  auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 1);
  out.append(text, result.ptr);
}

std::string Number(double value) {
  std::string text;
  AppendNumber(text, value);
  return text;
}

void AppendEscaped(std::string& out, std::string_view text) {
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&#39;";
        break;
      default:
        out.push_back(c);
    }
  }
}

std::string Escaped(std::string_view text) {
  std::string out;
  AppendEscaped(out, text);
  return out;
}

bool IsUtf8(std::string_view text) {
  size_t i = 0;
  while (i < text.size()) {
    auto lead = static_cast<unsigned char>(text[i]);
    size_t length = lead < 0x80         ? 1
                    : (lead >> 5) == 6  ? 2
                    : (lead >> 4) == 14 ? 3
                    : (lead >> 3) == 30 ? 4
                                        : 0;
    if (length == 0 || i + length > text.size()) return false;
    for (size_t k = 1; k < length; ++k)
      if ((static_cast<unsigned char>(text[i + k]) >> 6) != 2) return false;
    i += length;
  }
  return true;
}

// A file name as the title shows it: control bytes as \xNN (XML has no room
// for them), and a name that is no UTF-8 read as code page 437.
std::string TitleName(std::string_view fileName) {
  std::string shown = PrintableName(fileName);
  return IsUtf8(shown) ? shown : Cp437ToUtf8(shown);
}

struct Extent {
  double minEast = 0, maxEast = 0, minNorth = 0, maxNorth = 0;
  size_t leftOut = 0;  // landmarks with a co-ordinate that is not finite
};

bool IsDrawn(const LandmarkRecord& record) {
  return std::isfinite(RealAt(record, kECoordOffset)) &&
         std::isfinite(RealAt(record, kNCoordOffset));
}

Extent ExtentOf(std::span<const LandmarkRecord> records) {
  Extent extent;
  bool any = false;
  for (const LandmarkRecord& record : records) {
    if (!IsDrawn(record)) {
      ++extent.leftOut;
      continue;
    }
    double east = RealAt(record, kECoordOffset);
    double north = RealAt(record, kNCoordOffset);
    extent.minEast = any ? std::min(extent.minEast, east) : east;
    extent.maxEast = any ? std::max(extent.maxEast, east) : east;
    extent.minNorth = any ? std::min(extent.minNorth, north) : north;
    extent.maxNorth = any ? std::max(extent.maxNorth, north) : north;
    any = true;
  }
  return extent;
}

// A round length for the scale bar: 1, 2 or 5 times a power of ten, at most a
// quarter of `span`; its text is written from the digits, never rounded.
struct ScaleLength {
  double value;
  std::string text;
};

ScaleLength RoundLength(double span) {
  double quarter = span / 4;
  int exponent = static_cast<int>(std::floor(std::log10(quarter)));
  double power = std::pow(10.0, exponent);
  int digit = quarter >= 5 * power ? 5 : quarter >= 2 * power ? 2 : 1;
  std::string text =
      exponent >= 0
          ? std::to_string(digit) + std::string(static_cast<size_t>(exponent), '0')
          : "0." + std::string(static_cast<size_t>(-exponent - 1), '0') + std::to_string(digit);
  return {digit * power, text};
}

// Where the landmarks go: file co-ordinates to picture co-ordinates, north up.
struct Projection {
  Extent extent;
  double scale = 1;  // picture units per file unit, on both axes
  double span = 1;   // the longer side of the extent in file units
  double plotWidth = 0, plotHeight = 0;

  explicit Projection(const Extent& e) : extent(e) {
    double eastSpan = e.maxEast - e.minEast;
    double northSpan = e.maxNorth - e.minNorth;
    span = std::max(eastSpan, northSpan);
    if (!(span > 0) || !std::isfinite(span)) span = 1;  // one place, or none
    scale = kPlotSize / span;
    plotWidth = eastSpan * scale;
    plotHeight = northSpan * scale;
  }
  double X(double east) const { return kMargin + (east - extent.minEast) * scale; }
  double Y(double north) const { return kTitleHeight + (extent.maxNorth - north) * scale; }
};

void AppendLandmark(std::string& out, const Projection& map, const LandmarkRecord& record) {
  uint8_t type = ObjectType(record);
  int side = SideIndex(Side(record));
  double x = map.X(RealAt(record, kECoordOffset));
  double y = map.Y(RealAt(record, kNCoordOffset));
  out += "<use href=\"#";
  out += SymbolId(type);
  out += "\" x=\"";
  AppendNumber(out, x);
  out += "\" y=\"";
  AppendNumber(out, y);
  out += "\" class=\"";
  out += kSideClasses[static_cast<size_t>(side)];
  if (side == 2 || !HasSymbol(type)) out += " x";
  out += "\"/>\n";
}

void AppendLabel(std::string& out, const Projection& map, const LandmarkRecord& record) {
  std::string name = LandmarkName(record);
  if (name.empty()) return;
  out += "<text x=\"";
  AppendNumber(out, map.X(RealAt(record, kECoordOffset)) + kLabelDx);
  out += "\" y=\"";
  AppendNumber(out, map.Y(RealAt(record, kNCoordOffset)) + kLabelDy);
  out += "\">";
  AppendEscaped(out, Cp437ToUtf8(name));
  out += "</text>\n";
}

std::string TitleText(std::string_view fileName, size_t count, size_t leftOut) {
  std::string title = TitleName(fileName) + ": " + std::to_string(count) +
                      (count == 1 ? " landmark" : " landmarks");
  if (leftOut > 0) title += ", " + std::to_string(leftOut) + " left out (co-ordinates not finite)";
  return title;
}

void AppendScaleBar(std::string& out, const Projection& map) {
  ScaleLength length = RoundLength(map.span);
  double x = kMargin;
  double y = kTitleHeight + map.plotHeight + kMargin + kScaleBarHeight / 2;
  double width = length.value * map.scale;
  out += "<path d=\"M" + Number(x) + " " + Number(y - 4) + "v4h" + Number(width) +
         "v-4\" fill=\"none\" stroke=\"#000\"/>\n";
  out += "<text x=\"" + Number(x + width + 6) + "\" y=\"" + Number(y + 3) + "\">" + length.text +
         " (file units)</text>\n";
}

void AppendLegend(std::string& out, double left) {
  double y = kTitleHeight;
  out += "<rect x=\"" + Number(left) + "\" y=\"" + Number(y) + "\" width=\"" +
         Number(kLegendWidth) + "\" height=\"" + Number(kLegendHeight) +
         "\" fill=\"#fff\" stroke=\"#888\"/>\n";
  auto text = [&](double x, std::string_view classes, std::string_view content) {
    out += "<text ";
    if (!classes.empty()) out += "class=\"" + std::string(classes) + "\" ";
    out += "x=\"" + Number(x) + "\" y=\"" + Number(y + 3) + "\">" + Escaped(content) + "</text>\n";
  };
  auto heading = [&](std::string_view content) {
    y += kLegendRow;
    text(left + 8, "h", content);
  };
  auto row = [&](std::string_view id, std::string_view classes, std::string_view content) {
    y += kLegendRow;
    out += "<use href=\"#" + std::string(id) + "\" x=\"" + Number(left + 12) + "\" y=\"" +
           Number(y) + "\" class=\"" + std::string(classes) + "\"/>\n";
    text(left + 22, "", content);
  };
  heading("Types");
  for (uint8_t type = 0; type < kTypeNames.size(); ++type)
    if (HasSymbol(type)) row(SymbolId(type), "n", kTypeNames[type]);
  row("tx", "n x", kOtherTypeName);
  heading("Sides");
  for (size_t side = 0; side < kSideNames.size(); ++side)
    row("t1", side == 2 ? "i x" : kSideClasses[side], kSideNames[side]);
  row("t1", "n x", "dashed: invalid side or other type");
}

}  // namespace

std::string LandmarkMapSvg(std::string_view fileName, std::span<const LandmarkRecord> records,
                           bool labels) {
  const Projection map(ExtentOf(records));
  const double legendLeft = kMargin + map.plotWidth + kMargin + (labels ? kLabelRoom : 0);
  const double width = legendLeft + kLegendWidth + kMargin;
  const double height =
      kTitleHeight + std::max(map.plotHeight + kMargin + kScaleBarHeight, kLegendHeight + kMargin);
  const std::string title = Escaped(TitleText(fileName, records.size(), map.extent.leftOut));

  std::string out;
  out.reserve(600 + records.size() * (labels ? 110 : 60));
  out += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  out += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + Number(width) + "\" height=\"" +
         Number(height) + "\" viewBox=\"0 0 " + Number(width) + " " + Number(height) + "\">\n";
  out += "<title>" + title + "</title>\n";
  out += kStyle;
  out += "<defs>\n";
  out += kSymbolDefinitions;
  out += "</defs>\n";
  out += "<rect width=\"100%\" height=\"100%\" fill=\"#fff\"/>\n";
  out += "<text class=\"t\" x=\"" + Number(kMargin) + "\" y=\"26\">" + title + "</text>\n";
  out += "<text x=\"" + Number(kMargin + map.plotWidth) + "\" y=\"" + Number(kTitleHeight - 8) +
         "\" text-anchor=\"end\">\u2191 N</text>\n";
  for (const LandmarkRecord& record : records)
    if (IsDrawn(record)) AppendLandmark(out, map, record);
  if (labels) {
    for (const LandmarkRecord& record : records)
      if (IsDrawn(record)) AppendLabel(out, map, record);
  }
  AppendScaleBar(out, map);
  AppendLegend(out, legendLeft);
  out += "</svg>\n";
  return out;
}

int64_t LandmarkCountOf(RecordFile& file) {
  const std::string& name = file.Name();
  const int64_t size = file.Size();
  if (size < LandmarkFileSize(0)) {
    throw TextFormRefusal{PrintableName(name) + " is not a landmark file: " + std::to_string(size) +
                          " bytes, too short for the 100-byte header"};
  }
  const int64_t count = RecordCount(ReadLandmarkHeader(file));
  if (size != LandmarkFileSize(count)) {
    throw TextFormRefusal{PrintableName(name) + " is not a landmark file: its header counts " +
                          std::to_string(count) + " records of 63 bytes (" +
                          std::to_string(LandmarkFileSize(count)) +
                          " bytes in all), the file has " + std::to_string(size) + " bytes"};
  }
  return count;
}

std::vector<LandmarkRecord> ReadAllLandmarks(const std::string& name) {
  RecordFile file = RecordFile::Open(name, BinaryFile::Access::ReadOnly);
  const int64_t count = LandmarkCountOf(file);
  std::vector<LandmarkRecord> records(static_cast<size_t>(count));
  std::vector<uint8_t> run(static_cast<size_t>(kRecordsPerRead) * kRecordSize);
  for (int64_t first = 0; first < count; first += kRecordsPerRead) {
    const auto got = static_cast<size_t>(ReadRecordRun(file, first, count, run));
    for (size_t k = 0; k < got; ++k) {
      std::copy_n(run.begin() + static_cast<std::ptrdiff_t>(k * kRecordSize), kRecordSize,
                  records[static_cast<size_t>(first) + k].begin());
    }
  }
  file.Close();
  return records;
}

int DrawMap(const std::string& fileName, const std::string& outputName, bool labels,
            PlainConsole& out) {
  RefuseToReplace(outputName, fileName, "the map", "the landmark file " + PrintableName(fileName));
  std::vector<LandmarkRecord> records = ReadAllLandmarks(fileName);
  std::string svg = LandmarkMapSvg(fileName, records, labels);
  if (outputName.empty()) {
    out.Write(svg);
    out.Flush();
    return 0;
  }
  BinaryFile map = BinaryFile::CreateReplacing(outputName);
  map.Write(svg.data(), svg.size());
  map.Commit();
  return 0;
}

}  // namespace vantor::lmedit
