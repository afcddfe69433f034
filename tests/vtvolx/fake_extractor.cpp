// A stand-in for the game's extractor, for the tests: it checks how it was
// called and the working volume it was given, then writes the "unpacked"
// entry. What it does is chosen by the first bytes of the packed entry:
// "FAIL" exits with status 3, "SHORT" writes less than the real size, "KBM"
// writes a bitmap-like file, "HANG" hangs (see Hang), anything else writes
// "unpacked" repeated, longer than the real size so that the caller's cut
// shows.
#ifdef _WIN32
#include <process.h>
#define getpid _getpid
#else
#include <unistd.h>
#endif

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace {

std::vector<uint8_t> ReadAll(const char* path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

int Fail(const char* why) {
  std::fprintf(stderr, "fake extractor: %s\n", why);
  return 9;
}

uint32_t Low24At(const std::vector<uint8_t>& bytes, size_t at) {
  return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16;
}

// Says its process ID in "extractor.pid" beside the working volume, then
// writes its output again and again for half a minute: an extractor that
// outlived vtvolx would make the file anew.
int Hang(const std::string& work, const char* output) {
  std::string folder = work.substr(0, work.size() - 7);
  std::ofstream(folder + "extractor.pid.new") << getpid() << "\n";
  std::rename((folder + "extractor.pid.new").c_str(), (folder + "extractor.pid").c_str());
  auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (std::chrono::steady_clock::now() < end) {
    std::ofstream(output, std::ios::binary) << "hang";
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) return Fail("wants three arguments");
  std::string work = argv[1];
  // The caller joins the folder and the name with its platform's separator.
  const bool outVol = work.size() >= 8 && work.substr(work.size() - 7) == "out.vol" &&
                      (work[work.size() - 8] == '/' || work[work.size() - 8] == '\\');
  if (!outVol) return Fail("not out.vol");
  if (std::strcmp(argv[2], "huh.dat") != 0) return Fail("inner name is not huh.dat");
  std::vector<uint8_t> volume = ReadAll(argv[1]);
  std::vector<uint8_t> packed = ReadAll(argv[3]);
  if (volume.size() < 16 + packed.size() + 4) return Fail("working volume too short");
  uint32_t realSize = Low24At(volume, 12) - 256;
  // The packed bytes follow the 16 header bytes, then "VBLK".
  if (std::memcmp(volume.data() + 16, packed.data(), packed.size()) != 0) return Fail("bytes");
  if (std::memcmp(volume.data() + 16 + packed.size(), "VBLK", 4) != 0) return Fail("no VBLK");
  if (Low24At(volume, volume.size() - 5) != realSize + 256) return Fail("size at the end");
  if (packed.size() >= 4 && std::memcmp(packed.data(), "FAIL", 4) == 0) return 3;
  if (packed.size() >= 4 && std::memcmp(packed.data(), "HANG", 4) == 0) return Hang(work, argv[3]);

  std::string content;
  const char* unit =
      packed.size() >= 3 && std::memcmp(packed.data(), "KBM", 3) == 0 ? "KBM" : "unpacked";
  while (content.size() < realSize + 10)
    content += unit;
  if (packed.size() >= 5 && std::memcmp(packed.data(), "SHORT", 5) == 0) content.resize(3);
  std::FILE* out = std::fopen(argv[3], "wb");
  if (out == nullptr) return Fail("cannot write the output");
  std::fwrite(content.data(), 1, content.size(), out);
  std::fclose(out);
  return 0;
}
