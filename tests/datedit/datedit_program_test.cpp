// datedit run as a real program in stream mode: what a user or a script sees.
#include <fcntl.h>
#include <gtest/gtest.h>
#ifdef _WIN32
#include <windows.h>
#else
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>

#include "datedit/datedit_fixtures.h"
#include "os/file_lock.h"
#include "os/platform.h"
#include "records/record_file.h"

namespace vantor::testing {
namespace {

// A copy of the datedit binary in a scratch folder, so that the folder is the
// program's own folder, where format files are looked up.
struct DateditInstall {
  DateditInstall() {
    std::filesystem::copy_file(DATEDIT_BINARY, dir.File("datedit"));
    std::filesystem::permissions(dir.File("datedit"), std::filesystem::perms::owner_all);
  }
  ProgramRun Run(const std::vector<std::string>& arguments, const std::string& input) {
    return RunProgram(dir.File("datedit"), arguments, input, dir.Path());
  }
  ScratchDir dir;
};

TEST(DateditProgram, StructuredFileOpensOnRecordZeroAndQEnds) {
  DateditInstall install;
  WriteBytes(install.dir.File("planes1.dat"), DataFileBytes(3, 40, LetterRecords(3, 40)));
  ProgramRun run = install.Run({"planes1.dat"}, "Q");
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.err, "");
  auto screens = Snapshots(run.out);
  ASSERT_EQ(screens.size(), 2u);  // the key wait, the end
  EXPECT_EQ(screens[0].substr(0, screens[0].find('\n')),
            "File:   planes1.dat Pos:    0 recnow:    0 range: 0 - 2");
  EXPECT_EQ(run.out.substr(0, run.out.find('\n')), "--- screen (waiting for a key) ---");
}

TEST(DateditProgram, FormatFileAsSecondArgumentIsEchoedWithItsWaits) {
  DateditInstall install;
  WriteText(install.dir.File("planes.txt"), "wAltitude\ntPilot\n12\nOTarget\nx\n3\n4Speed\n");
  WriteBytes(install.dir.File("planes1.dat"), DataFileBytes(2, 23, LetterRecords(2, 23)));
  ProgramRun run = install.Run({"planes1.dat", "planes.txt"}, "\nkQ");
  EXPECT_EQ(run.exitCode, 0) << run.err;
  auto screens = Snapshots(run.out);
  ASSERT_EQ(screens.size(), 4u);  // Enter, the key, the command loop's key, the end
  std::string path = install.dir.Path() + std::string(2, kPathSeparator[0]) + "planes.txt";
  EXPECT_EQ(screens[0], path + "\n");
  EXPECT_EQ(screens[1], path +
                            "\n\n"
                            "Indicator:   w Len:   2 Name: Altitude\n"
                            "Indicator:   t Len:  12 Name: Pilot\n"
                            "Indicator:   O Len:   2 Name: Target\n"
                            "Indicator:   x Len:   3 Name:\n"
                            "Indicator:   4 Len:   4 Name: Speed\n"
                            " Press a key....\n");
}

TEST(DateditProgram, RefusalsEndWithExitCodeOne) {
  DateditInstall install;
  WriteBytes(install.dir.File("empty.dat"), DataFileBytes(0, 0, {}));
  ProgramRun empty = install.Run({"empty.dat"}, "");
  EXPECT_EQ(empty.exitCode, 1);
  EXPECT_NE(Snapshots(empty.out).back().find("Empty, no records!!!!!!!!! quitting..........\n"),
            std::string::npos);

  WriteBytes(install.dir.File("odd.dat"), DataFileBytes(2, 40, LetterRecords(1, 40)));
  ProgramRun odd = install.Run({"odd.dat"}, "\n");
  EXPECT_EQ(odd.exitCode, 1);
  EXPECT_EQ(Snapshots(odd.out).back(), "Not a structured dat file. use a proper hex editor....\n");
}

TEST(DateditProgram, MissingFileIsARunTimeErrorWithItsNumber) {
  DateditInstall install;
  ProgramRun run = install.Run({"nothere.dat"}, "");
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_EQ(run.err, "Runtime error 2: cannot open \"nothere.dat\": No such file or directory\n");
}

TEST(DateditProgram, AsksForTheNameWithoutArguments) {
  DateditInstall install;
  WriteBytes(install.dir.File("a.dat"), DataFileBytes(1, 4, LetterRecords(1, 4)));
  ProgramRun run = install.Run({}, "\na.dat\nQ");
  EXPECT_EQ(run.exitCode, 0) << run.err;
  auto screens = Snapshots(run.out);
  ASSERT_EQ(screens.size(), 4u);
  EXPECT_EQ(screens[1], "Name of file to open? :\n\nName of file to open? :\n");
  // Input that ends while a name is still wanted stops the program.
  ProgramRun ended = install.Run({}, "\n");
  EXPECT_EQ(ended.exitCode, 100);
  EXPECT_NE(ended.err.find("Runtime error 100"), std::string::npos);
}

TEST(DateditProgram, EditAFieldThenWriteTheRecordOutInOneSession) {
  DateditInstall install;
  WriteText(install.dir.File("fmt.txt"), "wAltitude\ntPilot\n12\nbRank\n");
  std::vector<uint8_t> data = DataFileBytes(2, 15, LetterRecords(2, 15));
  WriteBytes(install.dir.File("data.dat"), data);
  // Enter and a key for the format load, formatted view, edit field 1, write
  // the record to rec.bin and take its key, quit.
  ProgramRun run = install.Run({"data.dat", "fmt.txt"}, "\nkFE1\n1234\nwrec.bin\nkQ");
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.err, "");
  auto screens = Snapshots(run.out);
  ASSERT_EQ(screens.size(), 11u);
  auto hasRow = [](const std::string& screen, const std::string& row) {
    return screen.find("\n" + row + "\n") != std::string::npos;
  };
  const std::string pilot = "#: 2" + std::string(25, ' ') + "Pilot||typ=t|= AAAAAAAAAAAA";
  const std::string rank = "#: 3" + std::string(26, ' ') + "Rank||typ=b|=   65";
  EXPECT_TRUE(hasRow(screens[3], "#: 1" + std::string(22, ' ') + "Altitude||typ=w|=       16705"))
      << screens[3];
  EXPECT_TRUE(hasRow(screens[3], pilot)) << screens[3];
  EXPECT_TRUE(hasRow(screens[3], rank)) << screens[3];
  EXPECT_NE(screens[4].find("\ninput the  fieldnr you want to edit:"), std::string::npos);
  EXPECT_NE(screens[5].find("  Input new value:"), std::string::npos);
  EXPECT_TRUE(hasRow(screens[6], "#: 1" + std::string(22, ' ') + "Altitude||typ=w|=        1234"))
      << screens[6];
  EXPECT_TRUE(hasRow(screens[6], rank)) << screens[6];
  EXPECT_TRUE(hasRow(screens[8], "File rec.bin written... hit a key")) << screens[8];

  data[100] = 0xD2;  // 1234, low byte first
  data[101] = 0x04;
  EXPECT_EQ(ReadBytes(install.dir.File("data.dat")), data);
  EXPECT_EQ(ReadBytes(install.dir.File("rec.bin")),
            std::vector<uint8_t>(data.begin() + 100, data.begin() + 115));
}

// A typed character that code page 437 lacks (the euro sign) is refused, not
// dropped from the text that is stored.
TEST(DateditProgram, TextWithACharacterTheRecordCannotHoldIsAskedAgain) {
  DateditInstall install;
  WriteText(install.dir.File("fmt.txt"), "tPilot\n12\nbRank\nwWord\n");
  std::vector<uint8_t> data = DataFileBytes(1, 15, LetterRecords(1, 15));
  WriteBytes(install.dir.File("data.dat"), data);
  ProgramRun run = install.Run({"data.dat", "fmt.txt"}, "\nkE1\na\u20ACb\nxy\nQ");
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_NE(run.out.find("\ninvalid input, try again...  Input new value:\n"), std::string::npos)
      << run.out;
  std::fill_n(data.begin() + 100, 12, 0);
  data[100] = 'x';
  data[101] = 'y';
  EXPECT_EQ(ReadBytes(install.dir.File("data.dat")), data);
}

// A program started in the background with all of its input given at once;
// what it writes is read as it comes.
#ifdef _WIN32
class BackgroundRun {
 public:
  BackgroundRun(const std::string& program, const std::vector<std::string>& arguments,
                const std::string& input, const std::string& workingDir) {
    WriteText(streams_.File("in"), input);
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE in = CreateFileA(streams_.File("in").c_str(), GENERIC_READ, FILE_SHARE_READ, &inherit,
                            OPEN_EXISTING, 0, nullptr);
    HANDLE write = nullptr;
    if (in == INVALID_HANDLE_VALUE || !CreatePipe(&out_, &write, &inherit, 0)) {
      throw std::runtime_error("cannot make the streams");
    }
    SetHandleInformation(out_, HANDLE_FLAG_INHERIT, 0);
    std::string commandLine = CommandLine(program, arguments);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = in;
    startup.hStdOutput = startup.hStdError = write;
    bool started = CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0,
                                  nullptr, workingDir.c_str(), &startup, &process_);
    CloseHandle(in);
    CloseHandle(write);
    if (!started) throw std::runtime_error("cannot start " + program);
  }
  ~BackgroundRun() {
    CloseHandle(out_);
    WaitForSingleObject(process_.hProcess, INFINITE);
    CloseHandle(process_.hProcess);
    CloseHandle(process_.hThread);
  }

  // What the program wrote up to `part`, or up to its end.
  std::string ReadUntil(const std::string& part) {
    char buffer[4096];
    DWORD got = 0;
    while (output_.find(part) == std::string::npos &&
           ReadFile(out_, buffer, sizeof buffer, &got, nullptr) && got > 0) {
      output_.append(buffer, got);
    }
    return output_;
  }
  int ExitCode() {
    ReadUntil(std::string(1, '\0'));  // the whole output
    WaitForSingleObject(process_.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process_.hProcess, &code);
    return static_cast<int>(code);
  }

 private:
  ScratchDir streams_;
  PROCESS_INFORMATION process_{};
  HANDLE out_ = nullptr;
  std::string output_;
};
#else
class BackgroundRun {
 public:
  BackgroundRun(const std::string& program, const std::vector<std::string>& arguments,
                const std::string& input, const std::string& workingDir) {
    int in[2], out[2];
    if (pipe2(in, O_CLOEXEC) || pipe2(out, O_CLOEXEC)) throw std::runtime_error("pipe failed");
    ArgumentVector argv(program, arguments);
    pid_ = fork();
    if (pid_ == 0) {
      dup2(in[0], 0);
      dup2(out[1], 1);
      dup2(out[1], 2);
      if (chdir(workingDir.c_str()) == 0) execv(program.c_str(), argv.pointers.data());
      _exit(127);
    }
    close(in[0]);
    close(out[1]);
    out_ = out[0];
    if (write(in[1], input.data(), input.size()) != static_cast<ssize_t>(input.size())) {
      throw std::runtime_error("cannot give the input");
    }
    close(in[1]);
  }
  ~BackgroundRun() {
    close(out_);
    if (pid_ > 0) waitpid(pid_, nullptr, 0);
  }

  // What the program wrote up to `part`, or up to its end.
  std::string ReadUntil(const std::string& part) {
    char buffer[4096];
    ssize_t got;
    while (output_.find(part) == std::string::npos &&
           (got = read(out_, buffer, sizeof buffer)) > 0) {
      output_.append(buffer, static_cast<size_t>(got));
    }
    return output_;
  }
  int ExitCode() {
    ReadUntil(std::string(1, '\0'));  // the whole output
    int status = 0;
    waitpid(std::exchange(pid_, -1), &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }

 private:
  pid_t pid_ = -1;
  int out_ = -1;
  std::string output_;
};

#endif

// Two runs on one file: a run that writes while another holds the lock
// says so, waits, and then works on the file the other one changed in place;
// on a new file that the other one put under the name it writes nothing, as
// the record it showed is not that file's.
TEST(DateditProgram, ARunWaitsForAnotherThatWritesTheFile) {
  const std::vector<uint8_t> a(40, 'A'), b(40, 'B'), c(40, 'C'), x(40, 'X'), y(40, 'Y');
  struct Case {
    const char* holder;
    std::function<void(RecordFile&)> change;
    std::vector<std::vector<uint8_t>> left;  // the records once the run's insert of Y at 1 ended
  };
  const Case cases[] = {
      {"appends X in place",
       [&](RecordFile& file) {
         file.Write(3, x);
         file.SetCount(4);
       },
       {a, y, b, c, x}},
#ifndef _WIN32
      // Windows puts no new file under a name that another program holds
      // open, as the waiting run does.
      {"inserts X at record 0",
       [&](RecordFile& file) { EXPECT_EQ(file.Insert(0, x), std::nullopt); },
       {x, a, b, c}},
#endif
  };
  for (const Case& test : cases) {
    DateditInstall install;
    const std::string data = install.dir.File("d.dat");
    WriteBytes(data, DataFileBytes(3, 40, LetterRecords(3, 40)));
    WriteBytes(install.dir.File("y.rec"), y);
    std::optional<BackgroundRun> run;  // ends after the lock is given back
    auto held = std::make_unique<FileLock>(data, [] {});
    run.emplace(install.dir.File("datedit"), std::vector<std::string>{"d.dat"}, "fiy.rec\n\nQ",
                install.dir.Path());
    std::string out = run->ReadUntil("waiting for another program");
    EXPECT_NE(out.find("\nwaiting for another program to finish with d.dat...\n"),
              std::string::npos)
        << test.holder << out;
    RecordFile other = RecordFile::Open(data, BinaryFile::Access::ReadWrite);
    test.change(other);
    other.Close();
    held.reset();
    EXPECT_EQ(run->ExitCode(), 0) << test.holder;
    std::vector<uint8_t> records;
    for (const auto& record : test.left)
      records.insert(records.end(), record.begin(), record.end());
    const auto count = static_cast<uint16_t>(test.left.size());
    EXPECT_EQ(ReadBytes(data), DataFileBytes(count, 40, records)) << test.holder;
    EXPECT_EQ(run->ReadUntil(std::string(1, '\0'))
                      .find("\nd.dat was changed by another program; nothing written\n") !=
                  std::string::npos,
              count == 4)
        << test.holder;
  }
}

// w and s onto a file the user may not write, and an insert into a data
// file of another user (run as nobody when the tests run as root), which
// would become this user's: run-time error 5, the files kept as they were.
TEST(DateditProgram, FilesTheUserMayNotReplaceAreRefusedWithError5) {
  DateditInstall install;
  std::vector<std::string> asUser;
  struct Case {
    const char* keys;
    const char* refused;
  };
  std::vector<Case> cases = {{"wro.bin\nkQ", "ro.bin"}, {"sro.bin\n\nQ", "ro.bin"}};
#ifndef _WIN32
  if (geteuid() == 0) {
    if (!std::filesystem::exists("/usr/bin/setpriv")) GTEST_SKIP() << "no setpriv to drop root";
    asUser = {"--reuid=nobody", "--regid=nogroup", "--clear-groups"};
    // d.dat is root's, and writable for all.
    cases.push_back({"irec.bin\n\nQ", "d.dat\": it belongs to another user"});
  }
#endif
  namespace fs = std::filesystem;
  fs::permissions(install.dir.Path(), fs::perms::all);
  const std::vector<uint8_t> data = DataFileBytes(3, 40, LetterRecords(3, 40));
  WriteBytes(install.dir.File("d.dat"), data);
  fs::permissions(install.dir.File("d.dat"), fs::perms::all & ~fs::perms::owner_exec &
                                                 ~fs::perms::group_exec & ~fs::perms::others_exec);
  WriteText(install.dir.File("ro.bin"), "mine");
  fs::permissions(install.dir.File("ro.bin"),
                  fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  WriteBytes(install.dir.File("rec.bin"), std::vector<uint8_t>(40, 'R'));
  for (const Case& test : cases) {
    std::vector<std::string> arguments = asUser;
    arguments.push_back(install.dir.File("datedit"));
    arguments.push_back("d.dat");
    ProgramRun run = asUser.empty()
                         ? install.Run({"d.dat"}, test.keys)
                         : RunProgram("/usr/bin/setpriv", arguments, test.keys, install.dir.Path());
    EXPECT_EQ(run.exitCode, 5) << test.keys << run.err;
    EXPECT_NE(run.err.find(test.refused), std::string::npos) << run.err;
    EXPECT_EQ(ReadBytes(install.dir.File("ro.bin")), (std::vector<uint8_t>{'m', 'i', 'n', 'e'}));
    EXPECT_EQ(ReadBytes(install.dir.File("d.dat")), data) << test.keys;
  }
}

}  // namespace
}  // namespace vantor::testing
