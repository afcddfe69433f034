// Every file call of a command made to fail in turn: each failure must be
// reported with the file it concerns, and no file may be left in a state the
// tools cannot read back (a volume destroyed, a count that differs from the
// records).
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <functional>

#include "base/run_time_error.h"
#include "console/plain_console.h"
#include "datedit.h"
#include "datedit/datedit_fixtures.h"
#include "files/failing_file_calls.h"
#include "lmedit.h"
#include "lmedit/lmedit_fixtures.h"
#include "text_forms.h"
#include "vtvolx.h"
#include "vtvolx/vtvolx_fixtures.h"

namespace vantor::testing {
namespace {

namespace fs = std::filesystem;

// What one run with an injected failure left behind.
struct Outcome {
  bool failed = false;  // the program stopped with a run-time error
  std::string message;  // that error's text
  std::string screen;   // everything the program wrote
};

struct Scenario {
  std::function<void()> setup;            // fresh files for every run
  std::function<void(std::string&)> run;  // the command; keeps what it wrote
  std::function<void(int, const Outcome&)> check;
};

// Runs the scenario once to count its file calls, then once more for every
// call with that one failing. Returns the failures injected.
int WalkEveryOperation(const char* name, const Scenario& scenario) {
  FailingFileCalls calls;
  scenario.setup();
  calls.FailCall(0);
  std::string ignored;
  scenario.run(ignored);
  int operations = calls.CallsCounted();
  int injected = 0;
  for (int n = 1; n <= operations; ++n) {
    calls.FailCall(0);
    scenario.setup();
    Outcome outcome;
    calls.FailCall(n);
    try {
      scenario.run(outcome.screen);
    } catch (const RunTimeError& error) {
      outcome.failed = true;
      outcome.message = error.what();
    }
    EXPECT_TRUE(calls.HasFailed()) << name << ": call " << n << " was not reached";
    injected += calls.HasFailed() ? 1 : 0;
    calls.FailCall(0);
    scenario.check(n, outcome);
  }
  std::printf("[ faults   ] %s: %d file calls, %d failures injected\n", name, operations, injected);
  return injected;
}

// The failure is either a run-time error that names a file the command uses,
// or was reported on the screen.
void ExpectReported(const char* name, int n, const Outcome& outcome,
                    const std::vector<std::string>& files,
                    const std::vector<std::string>& screenNotes = {}) {
  // A failure that the program catches shows one of the notes; after a note
  // that asks again, the scripted input may run out.
  bool noted = false;
  for (const auto& note : screenNotes)
    noted |= outcome.screen.find(note) != std::string::npos;
  if (outcome.failed) {
    bool namesAFile = false;
    for (const auto& file : files)
      namesAFile |= outcome.message.find(file) != std::string::npos;
    EXPECT_TRUE(namesAFile || noted)
        << name << ": failure " << n << " reported as \"" << outcome.message << "\"";
  } else {
    EXPECT_TRUE(noted) << name << ": failure " << n << " went unreported";
  }
}

// Restores the current folder after runs that change it.
struct KeepCurrentFolder {
  KeepCurrentFolder() : folder(fs::current_path()) {}
  ~KeepCurrentFolder() { fs::current_path(folder); }
  fs::path folder;
};

void RunVtvolx(const std::vector<std::string>& arguments, const std::string& folder,
               std::string& written) {
  KeepCurrentFolder keep;
  fs::current_path(folder);
  std::FILE* out = std::tmpfile();
  std::FILE* in = std::tmpfile();
  PlainConsole console(in, out);
  auto collect = [&] {
    std::fflush(out);
    std::rewind(out);
    char buffer[4096];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, out)) > 0)
      written.append(buffer, got);
    std::fclose(out);
    std::fclose(in);
  };
  try {
    vtvolx::RunVtvolx(console, arguments);
  } catch (...) {
    collect();
    throw;
  }
  collect();
}

TEST(FaultInjection, AFailedBuildNeverDestroysTheVolume) {
  ScratchDir dir;
  const std::string volume = dir.File("mod.vol");
  const std::vector<uint8_t> old = {'o', 'l', 'd'};
  Scenario scenario;
  scenario.setup = [&] {
    fs::remove_all(dir.File("src"));
    fs::create_directory(dir.File("src"));
    WriteText(dir.File("src/a.txt"), "first");
    WriteText(dir.File("src/b.txt"), std::string(25000, 'b'));
    WriteBytes(volume, old);
  };
  scenario.run = [&](std::string& screen) {
    RunVtvolx({dir.File("vtvolx"), "-make", volume, dir.File("src")}, dir.Path(), screen);
  };
  scenario.setup();
  std::string ignored;
  scenario.run(ignored);
  const std::vector<uint8_t> built = ReadBytes(volume);
  scenario.check = [&](int n, const Outcome& outcome) {
    ExpectReported("vtvolx -make", n, outcome, {dir.Path(), "a.txt", "b.txt"});
    EXPECT_TRUE(outcome.failed);
    // The new volume only once it is in place, when the rename could not be
    // made to last.
    const std::string& said = outcome.message;
    bool folderFailed = said.find(dir.Path() + "/\"") != std::string::npos ||
                        said.find(dir.Path() + "\\\"") != std::string::npos;
    EXPECT_TRUE(ReadBytes(volume) == old || (folderFailed && ReadBytes(volume) == built))
        << "failure " << n << ": " << outcome.message;
    // No temporary file is left beside the volume.
    for (const auto& entry : fs::directory_iterator(dir.Path())) {
      EXPECT_EQ(entry.path().filename().string().rfind("mod.vol.", 0), std::string::npos)
          << "failure " << n << " left " << entry.path();
    }
  };
  EXPECT_GT(WalkEveryOperation("vtvolx -make", scenario), 20);
}

// A failed extraction leaves an existing file of the entry's name as it was,
// never a part of the entry, and no temporary file.
TEST(FaultInjection, ExtractionFailuresAreReportedAndLeaveNoPartialFile) {
  ScratchDir dir;
  const std::string big(12000, 'b');
  Scenario scenario;
  scenario.setup = [&] {
    fs::remove_all(dir.File("out"));
    fs::create_directory(dir.File("out"));
    WriteText(dir.File("out/b.txt"), "old");
    WriteBytes(dir.File("game.vol"), VolumeBytes({{"a.txt", "first"}, {"b.txt", big}}));
  };
  scenario.run = [&](std::string& screen) {
    RunVtvolx({dir.File("vtvolx"), dir.File("game.vol"), "-all"}, dir.File("out"), screen);
  };
  scenario.check = [&](int n, const Outcome& outcome) {
    ExpectReported("vtvolx -all", n, outcome,
                   {"game.vol", "voli.dat", "vols.dat", "a.txt", "b.txt"});
    EXPECT_EQ(ReadBytes(dir.File("game.vol")), VolumeBytes({{"a.txt", "first"}, {"b.txt", big}}));
    std::string b = TextOf(ReadBytes(dir.File("out/b.txt")));
    EXPECT_TRUE(b == "old" || b == big) << "failure " << n << " left " << b.size() << " bytes";
    for (const auto& entry : fs::directory_iterator(dir.File("out"))) {
      std::string name = entry.path().filename().string();
      EXPECT_TRUE(name == "b.txt" ||
                  (name == "a.txt" && TextOf(ReadBytes(entry.path().string())) == "first"))
          << "failure " << n << " left " << name;
    }
  };
  EXPECT_GT(WalkEveryOperation("vtvolx -all", scenario), 10);
}

void RunDateditWith(const std::string& folder, const std::vector<std::string>& arguments,
                    const std::function<void(ScriptedConsole&)>& keys, std::string& screen) {
  ScriptedConsole console(datedit::DateditConsoleOptions());
  keys(console);
  auto options = datedit::ParseCommandLine(DateditHarness::WithProgram(folder, arguments));
  try {
    datedit::RunDatedit(console, options);
  } catch (...) {
    screen = console.Transcript();
    throw;
  }
  screen = console.Transcript();
}

Scenario DateditScenario(ScratchDir& dir, std::function<void(ScriptedConsole&)> keys,
                         std::function<void(int, const Outcome&)> check,
                         std::vector<std::string> arguments = {}) {
  arguments.insert(arguments.begin(), dir.File("d.dat"));
  Scenario scenario;
  scenario.setup = [&dir] {
    WriteBytes(dir.File("d.dat"), DataFileBytes(3, 40, LetterRecords(3, 40)));
    WriteBytes(dir.File("rec.bin"), std::vector<uint8_t>(40, 'X'));
    WriteText(dir.File("f.txt"), "bFirst\nt\n39\n");
    fs::remove(dir.File("raw.bin"));
  };
  scenario.run = [&dir, keys, arguments](std::string& screen) {
    RunDateditWith(dir.Path(), arguments, keys, screen);
  };
  scenario.check = std::move(check);
  return scenario;
}

TEST(FaultInjection, AnInsertLeavesTheOldFileOrTheNewOne) {
  ScratchDir dir;
  auto scenario = DateditScenario(
      dir, [&](ScriptedConsole& c) { c.Keys("fi").Line(dir.File("rec.bin")).Line("").Keys("Q"); },
      [&](int n, const Outcome& outcome) {
        ExpectReported("datedit insert", n, outcome, {dir.Path(), "d.dat", "rec.bin"},
                       {"No room on the disk"});
        auto bytes = ReadBytes(dir.File("d.dat"));
        auto records = LetterRecords(3, 40);
        records.insert(records.begin() + 40, 40, 'X');
        EXPECT_TRUE(bytes == DataFileBytes(3, 40, LetterRecords(3, 40)) ||
                    bytes == DataFileBytes(4, 40, records))
            << "failure " << n;
      });
  EXPECT_GT(WalkEveryOperation("datedit insert", scenario), 20);
}

TEST(FaultInjection, SaveRawLeavesTheDataFileAsItWas) {
  ScratchDir dir;
  auto scenario = DateditScenario(
      dir, [&](ScriptedConsole& c) { c.Keys("s").Line(dir.File("raw.bin")).Line("").Keys("Q"); },
      [&](int n, const Outcome& outcome) {
        ExpectReported("datedit save raw", n, outcome, {dir.Path(), "d.dat", "raw.bin"});
        EXPECT_EQ(ReadBytes(dir.File("d.dat")), DataFileBytes(3, 40, LetterRecords(3, 40)));
        // The raw file is there whole or not at all.
        if (fs::exists(dir.File("raw.bin"))) {
          EXPECT_EQ(ReadBytes(dir.File("raw.bin")), LetterRecords(3, 40)) << "failure " << n;
        }
      });
  EXPECT_GT(WalkEveryOperation("datedit save raw", scenario), 10);
}

TEST(FaultInjection, AFieldEditChangesAtMostItsField) {
  ScratchDir dir;
  auto scenario = DateditScenario(
      dir, [&](ScriptedConsole& c) { c.Line("").Keys("kFE").Line("1").Line("300").Keys("Q"); },
      [&](int n, const Outcome& outcome) {
        ExpectReported("datedit field edit", n, outcome, {"d.dat", "f.txt"});
        auto bytes = ReadBytes(dir.File("d.dat"));
        auto expected = DataFileBytes(3, 40, LetterRecords(3, 40));
        ASSERT_EQ(bytes.size(), expected.size()) << "failure " << n;
        bytes[100] = expected[100];  // the edited byte may hold 44 or 'A'
        EXPECT_EQ(bytes, expected) << "failure " << n;
      },
      {"f.txt"});
  EXPECT_GT(WalkEveryOperation("datedit field edit", scenario), 10);
}

// Each landmark file's header counts exactly the records it holds.
void ExpectCounted(const std::string& path, int n) {
  if (!fs::exists(path)) return;
  auto bytes = ReadBytes(path);
  ASSERT_GE(bytes.size(), 100u) << "failure " << n;
  int64_t count = bytes[20] | bytes[21] << 8;
  EXPECT_EQ(100 + 63 * count, static_cast<int64_t>(bytes.size())) << path << ", failure " << n;
}

void RunLmedit(const std::vector<std::string>& arguments,
               const std::function<void(ScriptedConsole&)>& keys, std::string& screen) {
  LmeditHarness h(arguments);
  keys(h.console);
  try {
    lmedit::RunLmedit(h.state, h.options);
  } catch (...) {
    screen = h.console.Transcript();
    throw;
  }
  screen = h.console.Transcript();
}

Scenario LmeditScenario(ScratchDir& dir, bool withOutput,
                        std::function<void(ScriptedConsole&)> keys,
                        std::function<void(int, const Outcome&)> check) {
  Scenario scenario;
  scenario.setup = [&dir, withOutput] {
    WriteBytes(dir.File("t.mrf"), NumberedFile(3));
    fs::remove(dir.File("o.mrf"));
    fs::remove(dir.File("range.bin"));
    if (withOutput) WriteBytes(dir.File("o.mrf"), NumberedFile(3));
  };
  scenario.run = [&dir, keys](std::string& screen) {
    RunLmedit({"lmedit", dir.File("t.mrf"), dir.File("o.mrf")}, keys, screen);
  };
  scenario.check = std::move(check);
  return scenario;
}

TEST(FaultInjection, ABlankOutputFileIsWholeOrAbsent) {
  ScratchDir dir;
  auto scenario = LmeditScenario(
      dir, false, [](ScriptedConsole& c) { c.Keys("kE"); },
      [&](int n, const Outcome& outcome) {
        ExpectReported("lmedit blank file", n, outcome, {dir.Path(), "t.mrf", "o.mrf"},
                       {"That was no good, try again... "});
        ExpectCounted(dir.File("o.mrf"), n);
        if (fs::exists(dir.File("o.mrf"))) {
          EXPECT_EQ(fs::file_size(dir.File("o.mrf")), 289u) << "failure " << n;
        }
      });
  EXPECT_GT(WalkEveryOperation("lmedit blank file", scenario), 5);
}

TEST(FaultInjection, ARangeSaveLeavesTheLandmarkFilesAsTheyWere) {
  ScratchDir dir;
  auto scenario = LmeditScenario(
      dir, true,
      [&](ScriptedConsole& c) {
        c.Keys("R").Line(dir.File("range.bin")).Keys("O").Line("1").Line("2").Keys("kE");
      },
      [&](int n, const Outcome& outcome) {
        ExpectReported("lmedit range save", n, outcome, {dir.Path(), "t.mrf", "o.mrf", "range.bin"},
                       {"That was no good, try again... "});
        EXPECT_EQ(ReadBytes(dir.File("t.mrf")), NumberedFile(3)) << "failure " << n;
        EXPECT_EQ(ReadBytes(dir.File("o.mrf")), NumberedFile(3)) << "failure " << n;
      });
  EXPECT_GT(WalkEveryOperation("lmedit range save", scenario), 5);
}

TEST(FaultInjection, AnAppendKeepsEveryHeaderCountingItsRecords) {
  ScratchDir dir;
  auto scenario = LmeditScenario(
      dir, true, [](ScriptedConsole& c) { c.Keys("NkE"); },
      [&](int n, const Outcome& outcome) {
        ExpectReported("lmedit N append", n, outcome, {"t.mrf", "o.mrf"},
                       {"could not append a record: ", "That was no good, try again... "});
        ExpectCounted(dir.File("t.mrf"), n);
        ExpectCounted(dir.File("o.mrf"), n);
      });
  EXPECT_GT(WalkEveryOperation("lmedit N append", scenario), 5);
}

std::string ReadStream(std::FILE* stream) {
  std::string text;
  std::rewind(stream);
  for (int c; (c = std::fgetc(stream)) != EOF;)
    text.push_back(static_cast<char>(c));
  std::fclose(stream);
  return text;
}

// A text-form run (export or import) of either tool, its output kept.
using TextModeRun = std::function<int(PlainConsole&, PlainConsole&)>;
int RunTextModeKeeping(const TextModeRun& run, std::string& written) {
  std::FILE* out = std::tmpfile();
  PlainConsole console(nullptr, out);
  int code = 0;
  try {
    code = run(console, console);
  } catch (...) {
    console.Flush();
    written = ReadStream(out);
    throw;
  }
  console.Flush();
  written = ReadStream(out);
  return code;
}

// An import changes one value: the file afterwards is the old one or the old
// one with that value changed, never anything else.
void WalkImport(const char* name, ScratchDir& dir, const std::vector<uint8_t>& file,
                const TextModeRun& exportRun, const TextModeRun& importRun,
                const std::string& oldRow, const std::string& newRow, size_t changedAt,
                std::vector<uint8_t> changedBytes) {
  auto changed = file;
  std::copy(changedBytes.begin(), changedBytes.end(), changed.begin() + changedAt);
  Scenario scenario;
  scenario.setup = [&] {
    WriteBytes(dir.File("target"), file);
    std::string ignored;
    ASSERT_EQ(RunTextModeKeeping(exportRun, ignored), 0);
    auto bytes = ReadBytes(dir.File("in.csv"));
    std::string csv(bytes.begin(), bytes.end());
    size_t at = csv.find(oldRow);
    ASSERT_NE(at, std::string::npos) << csv;
    WriteText(dir.File("in.csv"), csv.replace(at, oldRow.size(), newRow));
  };
  scenario.run = [&](std::string& written) {
    if (RunTextModeKeeping(importRun, written) != 0)
      throw RunTimeError(ErrorCode::AccessDenied, written);
  };
  scenario.check = [&](int n, const Outcome& outcome) {
    ExpectReported(name, n, outcome, {dir.Path(), "target", "in.csv", "f.txt"});
    auto bytes = ReadBytes(dir.File("target"));
    EXPECT_TRUE(bytes == file || bytes == changed) << name << ", failure " << n;
  };
  EXPECT_GT(WalkEveryOperation(name, scenario), 3);
  scenario.setup();
  std::string written;
  scenario.run(written);
  EXPECT_EQ(ReadBytes(dir.File("target")), changed) << name << " without a failure";
}

TEST(FaultInjection, AnImportPatchesWholeOrNotAtAll) {
  ScratchDir dir;
  WriteText(dir.File("f.txt"), "bFirst\nt\n39\n");
  auto dateditRun = [&](std::vector<std::string> arguments) -> TextModeRun {
    arguments.insert(arguments.begin(), dir.File("datedit"));
    return [arguments](PlainConsole& out, PlainConsole& err) {
      return datedit::RunTextMode(datedit::ParseCommandLine(arguments), out, err);
    };
  };
  WalkImport(
      "datedit import", dir, DataFileBytes(3, 40, LetterRecords(3, 40)),
      dateditRun({"--export", dir.File("target"), dir.File("f.txt"), "-o", dir.File("in.csv")}),
      dateditRun({"--import", dir.File("target"), dir.File("f.txt"), dir.File("in.csv")}),
      "\n1,66,", "\n1,7,", 140, {7});
  auto lmeditRun = [&](std::vector<std::string> arguments) -> TextModeRun {
    arguments.insert(arguments.begin(), dir.File("lmedit"));
    return [arguments](PlainConsole& out, PlainConsole& err) {
      return lmedit::RunTextMode(lmedit::ParseOptions(arguments), out, err);
    };
  };
  WalkImport("lmedit import", dir, DataFileBytes(3, 63, LetterRecords(3, 63)),
             lmeditRun({"--export", dir.File("target"), "-o", dir.File("in.csv")}),
             lmeditRun({"--import", dir.File("target"), dir.File("in.csv")}), "\n2,16962,",
             "\n2,5,", 163, {5, 0});
}

}  // namespace
}  // namespace vantor::testing
