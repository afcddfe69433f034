// Volumes and a vtvolx installation for the tests. Volumes are laid out here
// byte by byte, independently of the program's own builder.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "test_support.h"

namespace vantor::testing {

struct TestEntry {
  std::string name;
  std::string stored;     // the bytes as stored in the volume
  int64_t realSize = -1;  // -1: the same as the stored size (not packed)
};

inline void PutLong(std::vector<uint8_t>& out, uint32_t value) {
  for (int i = 0; i < 4; ++i)
    out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

inline void PutText(std::vector<uint8_t>& out, const std::string& text) {
  out.insert(out.end(), text.begin(), text.end());
}

// A volume as the builder lays it out: header, name table, index with its end
// record, data blocks.
inline std::vector<uint8_t> VolumeBytes(const std::vector<TestEntry>& entries) {
  std::string names;
  for (const auto& e : entries)
    names += e.name + '\0';
  uint32_t s = static_cast<uint32_t>(names.size());
  uint32_t i = 8 + 14 * static_cast<uint32_t>(entries.size() + 1);
  std::vector<uint8_t> v;
  PutText(v, "VOL ");
  PutLong(v, (20 + s + i) | 0x80000000u);
  PutText(v, "volh");
  PutLong(v, 0x80000000u);
  PutText(v, "vols");
  PutLong(v, (s + 4) | 0x80000000u);
  PutLong(v, s);
  PutText(v, names);
  PutText(v, "voli");
  PutLong(v, i - 8);
  uint32_t nameOffset = 0;
  uint32_t dataPosition = 28 + s + i;
  for (const auto& e : entries) {
    PutLong(v, nameOffset);
    PutLong(v, dataPosition);
    PutLong(v, static_cast<uint32_t>(e.realSize < 0 ? int64_t(e.stored.size()) : e.realSize));
    v.push_back(0);
    v.push_back(1);
    nameOffset += static_cast<uint32_t>(e.name.size() + 1);
    dataPosition += static_cast<uint32_t>(8 + e.stored.size() + 2);
  }
  PutLong(v, 0xFFFFFFFFu);
  v.insert(v.end(), 10, 0);
  for (const auto& e : entries) {
    PutText(v, "VBLK");
    PutLong(v, static_cast<uint32_t>(e.stored.size()) | 0x80000000u);
    PutText(v, e.stored);
    v.push_back(0);
    v.push_back(0);
  }
  return v;
}

// A copy of the vtvolx binary in a scratch folder, which is then the
// program's own folder (working files, extractor, template). `work` is a
// folder beside it where runs extract their files.
struct VtvolxInstall {
  VtvolxInstall() {
    std::filesystem::copy_file(VTVOLX_BINARY, dir.File("vtvolx"));
    std::filesystem::create_directory(dir.File("work"));
  }
  ProgramRun Run(const std::vector<std::string>& arguments, const std::string& input = "") {
    return RunProgram(dir.File("vtvolx"), arguments, input, dir.File("work"));
  }
  std::string Work(const std::string& name) const { return dir.File("work/" + name); }
  void InstallExtractor() {
    std::filesystem::copy_file(FAKE_EXTRACTOR_BINARY, dir.File("extract.exe"));
  }

  ScratchDir dir;
};

inline std::string TextOf(const std::vector<uint8_t>& bytes) {
  return std::string(bytes.begin(), bytes.end());
}

}  // namespace vantor::testing
