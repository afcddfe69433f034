// What the fuzz targets share: a scratch folder for the files they write and
// a way to stop loudly when a property does not hold.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace vantor::fuzzing {

// One folder for the whole run, made on first use.
inline const std::string& ScratchFolder() {
  static const std::string folder = [] {
    char pattern[] = "/tmp/vantor-fuzz-XXXXXX";
    if (mkdtemp(pattern) == nullptr) std::abort();
    return std::string(pattern);
  }();
  return folder;
}

inline void WriteFile(const std::string& path, const uint8_t* data, size_t size) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) std::abort();
  if (size > 0 && std::fwrite(data, 1, size, file) != size) std::abort();
  std::fclose(file);
}

// The fuzz input written into the scratch folder under `name`; its path.
inline std::string WrittenInput(const char* name, const uint8_t* data, size_t size) {
  std::string path = ScratchFolder() + "/" + name;
  WriteFile(path, data, size);
  return path;
}

// A property of the code that must hold for every input.
inline void Require(bool holds, const char* what) {
  if (!holds) {
    std::fprintf(stderr, "property broken: %s\n", what);
    std::abort();
  }
}

}  // namespace vantor::fuzzing
