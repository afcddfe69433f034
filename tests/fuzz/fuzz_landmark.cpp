// Landmark files of any content as lmedit's template: the header and every
// record decoded, drawn, edited once, listed, with a blank output file made
// from the template.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "base/run_time_error.h"
#include "fuzz_support.h"
#include "lmedit.h"
#include "lmedit_state.h"
#include "scripted_backend.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vantor;
  const std::string& folder = fuzzing::ScratchFolder();
  std::string templatePath = folder + "/template.mrf";
  std::string outputPath = folder + "/output.mrf";
  std::vector<uint8_t> bytes(data, data + size);
  // A blank output file gets as many records as the header counts: keep the
  // count small so that one run stays quick.
  constexpr int kMostRecords = 300;
  if (bytes.size() >= 22 && (bytes[20] | bytes[21] << 8) > kMostRecords) {
    bytes[20] = static_cast<uint8_t>((bytes[20] | bytes[21] << 8) % kMostRecords);
    bytes[21] = 0;
  }
  fuzzing::WriteFile(templatePath, bytes.data(), bytes.size());
  std::remove(outputPath.c_str());

  ScriptedConsole console(lmedit::LmeditWindowOptions());
  lmedit::LmeditState state(console);
  // The blank file's key, forward and back, an edit of field 1 saved, a jump
  // to record 1, a listing of the template, then the end.
  console.Keys("kFB").Keys("M1").Line("12.5").Keys("SkJ").Line("1");
  console.Keys("L1").Line(folder + "/list.txt").Line(folder + "/targets.txt").Keys("kE");
  try {
    lmedit::RunLmedit(state, lmedit::ParseOptions({folder + "/lmedit", templatePath, outputPath}));
  } catch (const RunTimeError&) {
    // A template shorter than its header or its count says.
  } catch (const ProgramEnd&) {
  }
  return 0;
}
