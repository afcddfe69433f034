// The outside programs that read and rewrite the text forms, for the tests
// of both tools' exports: schema validation and round trips.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "test_support.h"

namespace vantor::testing {

// A Python script that validates JSON files (argv[2], ...) against a JSON
// schema (argv[1]) with the jsonschema module, and prints one line for each
// file that does not match.
inline constexpr const char* kValidateWithJsonschema = R"(
import json, sys, jsonschema
schema = json.load(open(sys.argv[1], encoding="utf-8"))
validator = jsonschema.validators.validator_for(schema)
validator.check_schema(schema)
for name in sys.argv[2:]:
    for error in validator(schema).iter_errors(json.load(open(name, encoding="utf-8"))):
        print(name, list(error.absolute_path), error.message[:200])
)";

// Whether python3 is installed and can import the module.
inline bool PythonHasModule(const std::string& module) {
  if (ProgramOnPath("python3").empty()) return false;
  return RunProgram("/usr/bin/env", {"python3", "-c", "import " + module}, "", ".").exitCode == 0;
}
#define VANTOR_PYTHON_MODULE_OR_SKIP(module)                                   \
  if (!::vantor::testing::PythonHasModule(module)) {                           \
    GTEST_SKIP() << "python3 or its module " << module << " is not installed"; \
  }

// The `count` JSON exports that `exportTo(n, out)` writes in `dir` (false:
// none, the file is no file of the tool's) all match the schema.
inline void ExpectExportsMatch(const std::string& schema, const std::string& dir, size_t count,
                               const std::function<bool(size_t, const std::string&)>& exportTo) {
  std::vector<std::string> arguments = {"python3", "-c", kValidateWithJsonschema, schema};
  for (size_t n = 0; n < count; ++n) {
    std::string out = "e" + std::to_string(n) + ".json";
    if (exportTo(n, out)) arguments.push_back(out);
  }
  ProgramRun run = RunProgram("/usr/bin/env", arguments, "", dir);
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out, "");
}

// An outside program that reads an export and writes it again, as a user
// passes a file through it: Python's json.load and json.dump, jq ., and
// sqlite3 importing the CSV into a table and writing it out as CSV.
struct OutsideRewriter {
  std::string program;                 // as found on PATH
  std::vector<std::string> arguments;  // "{in}" stands for the export's name
  bool json = true;                    // the form it reads and writes
  // sqlite3 writes nothing for a table without rows, not even the header.
  bool writesEmptyTables = true;
};
enum class Rewriter { PythonJson, Jq, Sqlite3Csv, Ssconvert };

inline OutsideRewriter RewriterOf(Rewriter rewriter) {
  switch (rewriter) {
    case Rewriter::PythonJson:
      return {"/usr/bin/env",
              {"python3", "-c",
               "import json, sys\n"
               "json.dump(json.load(open(sys.argv[1], encoding='utf-8')), sys.stdout)",
               "{in}"}};
    case Rewriter::Jq:
      return {ProgramOnPath("jq"), {".", "{in}"}};
    case Rewriter::Sqlite3Csv:
      return {ProgramOnPath("sqlite3"),
              {":memory:", ".import --csv {in} t", ".headers on", ".mode csv", "SELECT * FROM t"},
              false,
              false};
    case Rewriter::Ssconvert:  // a spreadsheet's converter, CSV in and out
      return {ProgramOnPath("ssconvert"),
              {"-I", "Gnumeric_stf:stf_csvtab", "-T", "Gnumeric_stf:stf_csv", "{in}", "fd://1"},
              false};
  }
  return {};
}

// Calls `check` with each rewriter whose program is installed, and skips the
// test, naming them, where some are not. The spreadsheet's converter comes
// last where asked for: it reads a CSV whose texts hold tabs as TSV, so that
// only exports without such texts pass through it.
inline void ForEachInstalledRewriter(const std::function<void(const OutsideRewriter&)>& check,
                                     bool withSpreadsheet = false) {
  std::vector<std::pair<Rewriter, const char*>> rewriters = {
      {Rewriter::PythonJson, "python3"}, {Rewriter::Jq, "jq"}, {Rewriter::Sqlite3Csv, "sqlite3"}};
  if (withSpreadsheet) rewriters.emplace_back(Rewriter::Ssconvert, "ssconvert");
  std::string missing;
  for (auto [rewriter, program] : rewriters) {
    if (ProgramOnPath(program).empty()) {
      missing += std::string(" ") + program;
      continue;
    }
    SCOPED_TRACE(program);
    check(RewriterOf(rewriter));
  }
  if (!missing.empty()) GTEST_SKIP() << "not installed:" << missing;
}

// The rewriter run on the export `in` in `dir`: what it writes is its
// standard output.
inline ProgramRun Rewritten(const OutsideRewriter& rewriter, const std::string& dir,
                            const std::string& in) {
  std::vector<std::string> arguments;
  for (std::string argument : rewriter.arguments) {
    if (auto at = argument.find("{in}"); at != std::string::npos) argument.replace(at, 4, in);
    arguments.push_back(argument);
  }
  return RunProgram(rewriter.program, arguments, "", dir);
}

// A file exported by `exportTo(out)` (false: the file is no file of the
// tool's, and is passed over), passed through the rewriter and imported back
// by `importFrom(in)` keeps every byte.
inline void ExpectRoundTrip(const OutsideRewriter& rewriter, const std::string& dir,
                            const std::string& file, const std::vector<uint8_t>& bytes,
                            const std::function<bool(const std::string&)>& exportTo,
                            const std::function<ProgramRun(const std::string&)>& importFrom) {
  WriteBytes(file, bytes);
  if (!exportTo("out")) return;
  std::vector<uint8_t> exported = ReadBytes(dir + "/out");
  bool noRows = Lines(std::string(exported.begin(), exported.end())).size() <= 1;
  if (!rewriter.writesEmptyTables && noRows) return;
  ProgramRun rewritten = Rewritten(rewriter, dir, "out");
  ASSERT_EQ(rewritten.exitCode, 0) << rewritten.err;
  WriteText(dir + "/in", rewritten.out);
  ProgramRun imported = importFrom("in");
  EXPECT_EQ(imported.exitCode, 0) << file << ": " << imported.err;
  std::vector<uint8_t> after = ReadBytes(file);
  std::string changed;
  for (size_t i = 0; i < std::min(after.size(), bytes.size()); ++i) {
    if (after[i] != bytes[i]) changed += " " + std::to_string(i);
  }
  EXPECT_TRUE(changed.empty() && after.size() == bytes.size())
      << file << " (" << bytes.size() << " bytes) changed at" << changed;
}

}  // namespace vantor::testing
