#include "base/version.h"

#include <gtest/gtest.h>

#include "test_support.h"

namespace vantor::testing {
namespace {

// --version answers alone, on standard output, whatever else the line holds
// (as --help does): no file named beside it is opened.
TEST(PackageVersion, EachProgramPrintsItsNameAndThePackageVersion) {
  struct Case {
    std::string program, name;
    std::vector<std::string> arguments;
  } cases[] = {
      {DATEDIT_BINARY, "datedit", {"--version"}},
      {DATEDIT_BINARY, "datedit", {"missing.dat", "--version"}},
      {LMEDIT_BINARY, "lmedit", {"--version"}},
      {LMEDIT_BINARY, "lmedit", {"--map", "missing.mrf", "--version"}},
      {VTVOLX_BINARY, "vtvolx", {"--version"}},
      {VTVOLX_BINARY, "vtvolx", {"missing.vol", "-list", "--version"}},
  };
  ScratchDir dir;
  for (const Case& c : cases) {
    ProgramRun run = RunProgram(c.program, c.arguments, "", dir.Path());
    EXPECT_EQ(run.exitCode, 0) << c.name << " " << c.arguments[0];
    EXPECT_EQ(run.out, c.name + " " + std::string(kPackageVersion) + "\n");
    EXPECT_EQ(run.err, "");
  }
  EXPECT_NE(kPackageVersion.find('.'), std::string_view::npos);  // as project() gives it
}

}  // namespace
}  // namespace vantor::testing
