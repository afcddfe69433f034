// Volumes of any content: the header report, the working copies and the
// index walk, listing and selecting with -test (which writes no entry file).
#include <cstdint>
#include <cstdio>
#include <string>

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
  return 0;
}
