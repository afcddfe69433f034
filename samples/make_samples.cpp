// Writes the bundled sample files. They are synthetic: made here, field by
// field, not taken from the game. With --check the files in a folder are
// compared with what would be written, so the bundled copies stay current.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

void PutWord(Bytes& out, uint16_t value) {
  out.push_back(static_cast<uint8_t>(value));
  out.push_back(static_cast<uint8_t>(value >> 8));
}

void PutLong(Bytes& out, uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8)
    out.push_back(static_cast<uint8_t>(value >> shift));
}

template <typename Real>
void PutReal(Bytes& out, Real value) {
  uint8_t bytes[sizeof(Real)];
  std::memcpy(bytes, &value, sizeof(Real));  // the game's files are little-endian, as is x86
  out.insert(out.end(), bytes, bytes + sizeof(Real));
}

void PutText(Bytes& out, const std::string& text, size_t length) {
  for (size_t i = 0; i < length; ++i)
    out.push_back(i < text.size() ? text[i] : 0);
}

Bytes Header(const std::string& text, uint16_t count, uint16_t length) {
  Bytes header;
  PutText(header, text, 20);
  PutWord(header, count);
  PutWord(header, length);
  header.resize(100, 0);
  return header;
}

struct Plane {
  const char* name;
  uint8_t aircraft;
  uint16_t topSpeed;
  int16_t climb;
  int32_t ceiling;
  float wingArea;
  double emptyWeight;
};

// The records of planes1.dat, laid out as datedit/formats/planes.txt says.
Bytes PlanesData() {
  const Plane planes[] = {
      {"Triplane trainer", 10, 165, 290, 6100, 18.7f, 406.0},
      {"Camel, worn", 36, 185, 320, 5800, 21.5f, 420.5},
      {"Spad demo", 27, 218, 250, 6650, 21.1f, 565.0},
      {"Pup practice", 33, 179, 190, 5330, 23.6f, 358.25},
      {"Albatros spare", 8, 186, 230, 5700, 21.2f, 687.0},
      {"Nieuport 17 copy", 21, 175, 240, 5300, 14.8f, 375.0},
      {"SE5a (test)", 37, 222, 270, 5185, 22.8f, 639.0},
      {"Pfalz, no engine", 12, 0, -5, 0, 22.2f, 695.0},
      {"Snipe prototype", 40, 195, 310, 6000, 25.0f, 595.5},
      {"Balloon", 18, 0, 0, 1500, 0.0f, 1200.0},
      {"Fighter two-seat", 42, 198, 180, 5500, 37.6f, 975.0},
      {"Gotha night", 9, 140, 90, 6500, 89.5f, 2400.0},
  };
  Bytes records;
  uint8_t crew = 1;
  for (const Plane& p : planes) {
    PutText(records, p.name, 16);
    records.push_back(p.aircraft);                       // P
    records.push_back(3);                                // O: class 3 (aircraft) ...
    records.push_back(p.aircraft);                       // ... and the object
    records.push_back(3);                                // C
    records.push_back(crew);                             // b
    records.push_back(static_cast<uint8_t>(-2));         // s
    PutWord(records, p.topSpeed);                        // w
    PutWord(records, static_cast<uint16_t>(p.climb));    // i
    PutLong(records, static_cast<uint32_t>(p.ceiling));  // l
    PutReal(records, p.wingArea);                        // 4
    PutReal(records, p.emptyWeight);                     // 8
    records.push_back(0x5A);                             // h
    PutWord(records, 0);                                 // x, 2 bytes skipped
    records.push_back(0);                                // L
    crew = crew == 1 ? 2 : 1;
  }
  const uint16_t recordLength = 46;
  Bytes file = Header("VANTOR SAMPLE DATA", 12, recordLength);
  file.insert(file.end(), records.begin(), records.end());
  return file;
}

struct Landmark {
  const char* name;
  uint16_t id;
  uint8_t objectType;
  uint8_t side;
  float north;
  float east;
  float elevation;
  float rotation;
};

// A small landmark file laid out as lmedit reads it: a header with a date,
// a time and the count, then 63-byte records. Places and numbers are made up.
Bytes LandmarksData() {
  const Landmark landmarks[] = {
      {"Field Hollin", 101, 0, 1, 41250.5f, 18030.25f, 62.0f, 90.0f},
      {"Verdmont", 102, 1, 0, 52310.0f, 23500.75f, 48.5f, 0.0f},
      {"Dump at Ossery", 103, 2, 1, 39875.25f, 20110.0f, 71.25f, 45.0f},
      {"Carlin yards", 104, 3, 0, 55020.0f, 26340.5f, 39.0f, 180.0f},
      {"Bridge over the Lenne", 105, 4, 0, 47600.75f, 24980.0f, 22.5f, 270.0f},
      {"Works at Brell", 106, 5, 1, 36500.0f, 15875.5f, 88.0f, 12.5f},
      {"Old mill (unused)", 107, 6, 0, 44000.0f, 21000.0f, 55.0f, 0.0f},
      {"Tarrow", 108, 7, 1, 40980.0f, 17320.0f, 66.75f, 315.0f},
      {"Hestle", 109, 8, 0, 53110.5f, 22460.25f, 41.0f, 30.0f},
      {"Field Maudry", 110, 0, 0, 56780.0f, 27900.0f, 35.5f, 135.0f},
      {"Pellin", 111, 1, 1, 38120.25f, 19440.5f, 80.0f, 0.0f},
      {"Dump at Crois", 112, 2, 0, 50900.0f, 25100.0f, 44.25f, 225.0f},
      {"Junction Vell", 113, 3, 1, 42770.0f, 16650.75f, 58.0f, 60.0f},
      {"Bridge at Sorne", 114, 4, 1, 45300.5f, 20010.0f, 19.5f, 90.0f},
      {"Foundry Ansel", 115, 5, 0, 54400.0f, 24410.5f, 37.0f, 300.0f},
      {"Drenholt", 116, 7, 0, 51230.75f, 21870.0f, 46.5f, 15.0f},
      {"Ebbe", 117, 8, 1, 37450.0f, 18810.25f, 84.0f, 200.0f},
      {"Marker, type unknown", 118, 12, 0, 48000.0f, 23000.0f, 50.0f, 0.0f},
      {"Marker, no side", 119, 1, 2, 46100.0f, 22150.0f, 52.0f, 0.0f},
      {"", 120, 0, 0, 0.0f, 0.0f, 0.0f, 0.0f},
  };
  Bytes file;
  PutText(file, "04/11/17", 8);
  file.insert(file.end(), 3, 0);
  PutText(file, "10:42am", 7);
  file.insert(file.end(), 2, 0);
  PutWord(file, static_cast<uint16_t>(std::size(landmarks)));
  PutWord(file, 63);
  file.resize(100, 0);
  for (const Landmark& l : landmarks) {
    PutWord(file, l.id);
    PutWord(file, 0);  // spare
    file.push_back(l.objectType);
    file.push_back(0);
    file.push_back(l.side);
    PutReal(file, l.north);
    PutReal(file, l.east);
    PutReal(file, l.elevation);
    PutReal(file, l.rotation);
    PutText(file, l.name, 40);
  }
  return file;
}

Bytes TextBytes(const std::string& text) {
  return Bytes(text.begin(), text.end());
}

// The folder from which the sample volume is built: a text, a copy of the
// sample data file under an upper-case name (stored lower-case), and an
// empty file.
std::map<std::string, Bytes> VolumeSourceFiles() {
  return {{"volin/hangar.txt",
           TextBytes("Sample entry of a volume.\r\nBuilt by vtvolx -make from samples/volin.\r\n")},
          {"volin/PLANES1.DAT", PlanesData()},
          {"volin/empty.cfg", {}}};
}

std::map<std::string, Bytes> SampleFiles() {
  std::map<std::string, Bytes> files = {{"planes1.dat", PlanesData()},
                                        {"lndmrks0.mrf", LandmarksData()}};
  files.merge(VolumeSourceFiles());
  return files;
}

Bytes ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

int main(int argc, char** argv) {
  bool check = argc == 3 && std::string(argv[1]) == "--check";
  if (argc != 2 && !check) {
    std::cerr << "usage: make_samples [--check] <folder>\n";
    return 2;
  }
  std::string folder = argv[argc - 1];
  int stale = 0;
  for (const auto& [name, bytes] : SampleFiles()) {
    std::string path = folder + "/" + name;
    if (check) {
      if (ReadFile(path) != bytes) {
        std::cerr << path << " differs from what make_samples writes\n";
        ++stale;
      }
      continue;
    }
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out) {
      std::cerr << "cannot write " << path << "\n";
      return 1;
    }
  }
  return stale == 0 ? 0 : 1;
}
