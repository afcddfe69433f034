// Writes the bundled sample files. They are synthetic: made here, field by
// field, not taken from the game. With --check the files in a folder are
// compared with what would be written, so the bundled copies stay current.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
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
  std::map<std::string, Bytes> files = {{"planes1.dat", PlanesData()}};
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
