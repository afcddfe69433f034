// Volumes of any content: the header report, the working copies and the
// index walk, listing, selecting with -test, and extracting into a folder of
// its own, from which nothing may escape.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <set>
#include <string>

#include "entry_names.h"
#include "fuzz_support.h"
#include "plain_console.h"
#include "run_time_error.h"
#include "vtvolx.h"

namespace {

void RunVtvolx(const std::vector<std::string>& arguments, const std::string& input) {
  using namespace vantor;
  static std::FILE* nowhere = std::fopen("/dev/null", "w");
  std::string typed = input;
  std::FILE* in = fmemopen(typed.data(), typed.size(), "r");
  PlainConsole console(in, nowhere);
  try {
    int exitCode = vtvolx::RunVtvolx(console, arguments);
    fuzzing::Require(exitCode == 0 || exitCode == 1, "a finished run ends with 0 or 1");
  } catch (const RunTimeError&) {
    // A volume cut short is a run-time error with a message.
  }
  std::fclose(in);
}

// Extracts everything into `folder`, then checks that every file written
// there has a sound name and that nothing appeared beside it.
void ExtractInto(const std::string& program, const std::string& volume, const std::string& folder) {
  namespace fs = std::filesystem;
  fs::create_directory(folder);
  fs::path previous = fs::current_path();
  fs::current_path(folder);
  RunVtvolx({program, volume, "-all"}, "");
  fs::current_path(previous);
  for (const auto& entry : fs::directory_iterator(folder)) {
    std::string name = entry.path().filename().string();
    vantor::fuzzing::Require(!vantor::vtvolx::IsUnsafeEntryName(name), "extracted names are safe");
  }
  static const std::set<std::string> kExpected = {"fuzz.vol", "list.txt", "batch.bat", "voli.dat",
                                                  "vols.dat", "out.vol",  "out"};
  for (const auto& entry : fs::directory_iterator(fs::path(folder).parent_path())) {
    vantor::fuzzing::Require(kExpected.count(entry.path().filename().string()) == 1,
                             "nothing is written outside the extraction folder");
  }
  fs::remove_all(folder);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vantor;
  const std::string& folder = fuzzing::ScratchFolder();
  std::string volume = folder + "/fuzz.vol";
  fuzzing::WriteFile(volume, data, size);
  std::string program = folder + "/vtvolx";
  RunVtvolx({program, volume, "-list"}, folder + "/list.txt\n");
  RunVtvolx({program, volume, "-batch", "a*"}, folder + "/batch.bat\n");
  RunVtvolx({program, volume, "!*.bmp", "-test"}, "");
  ExtractInto(program, volume, folder + "/out");
  return 0;
}
