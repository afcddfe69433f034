// CSV or JSON of any content imported into a data file and a landmark file:
// the import ends with 0 or with a refusal (exit code 1) and never a crash
// or a run-time error, a refused import leaves the file as it was, and no
// import changes a file's size or header.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "console/plain_console.h"
#include "datedit.h"
#include "fuzz_support.h"
#include "lmedit.h"
#include "text_forms.h"

namespace {

using Bytes = std::vector<uint8_t>;

// Every field type datedit knows, in 42 bytes.
constexpr const char* kFormat =
    "uByte\nbUnsigned\nsSigned\nCClass\nPAircraft\nLLandmark\ni16 bit\nw16 bit u\n"
    "OObject\nl32 bit\n4Single\n8Double\ntName\n9\nx\n4\nhHex\n";

Bytes FileWithRecords(uint16_t count, uint16_t size, uint8_t seed) {
  Bytes bytes(100 + static_cast<size_t>(count) * size);
  bytes[20] = static_cast<uint8_t>(count);
  bytes[22] = static_cast<uint8_t>(size);
  for (size_t i = 100; i < bytes.size(); ++i)
    bytes[i] = static_cast<uint8_t>(i * seed + 7);
  return bytes;
}

Bytes ReadWhole(const std::string& path) {
  Bytes bytes;
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return bytes;
  int c;
  while ((c = std::fgetc(file)) != EOF)
    bytes.push_back(static_cast<uint8_t>(c));
  std::fclose(file);
  return bytes;
}

// Runs one import and checks what it may have done to `target`.
template <typename Run>
void CheckImport(const std::string& target, const Bytes& before, Run run) {
  vantor::fuzzing::WriteFile(target, before.data(), before.size());
  std::FILE* sink = std::fopen("/dev/null", "w");
  vantor::PlainConsole out(nullptr, sink);
  vantor::PlainConsole err(nullptr, sink);
  int code = run(out, err);
  std::fclose(sink);
  vantor::fuzzing::Require(code == 0 || code == 1, "an import ends with 0 or a refusal");
  Bytes after = ReadWhole(target);
  if (code == 1) vantor::fuzzing::Require(after == before, "a refused import changes nothing");
  vantor::fuzzing::Require(after.size() == before.size(), "an import keeps the file's size");
  vantor::fuzzing::Require(
      Bytes(after.begin(), after.begin() + 100) == Bytes(before.begin(), before.begin() + 100),
      "an import keeps the header");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vantor;
  const std::string& folder = fuzzing::ScratchFolder();
  const std::string in = folder + "/in.txt";
  const std::string format = folder + "/format.txt";
  fuzzing::WriteFile(in, data, size);
  static const bool formatWritten = [&] {
    std::string text = kFormat;
    fuzzing::WriteFile(format, reinterpret_cast<const uint8_t*>(text.data()), text.size());
    return true;
  }();
  (void)formatWritten;

  CheckImport(folder + "/data.dat", FileWithRecords(3, 42, 13), [&](auto& out, auto& err) {
    auto options = datedit::ParseCommandLine(
        {folder + "/datedit", "--import", folder + "/data.dat", format, in});
    return datedit::RunTextMode(options, out, err);
  });
  CheckImport(folder + "/land.mrf", FileWithRecords(3, 63, 29), [&](auto& out, auto& err) {
    auto options = lmedit::ParseOptions({folder + "/lmedit", "--import", folder + "/land.mrf", in});
    return lmedit::RunTextMode(options, out, err);
  });
  return 0;
}
