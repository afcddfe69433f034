// vtvolx against what users and hostile files bring: folders named
// relatively or through links, names that would act on a terminal or a
// command interpreter, volumes that lie about sizes, and output names that
// are the volume itself, a working copy, a folder or a FIFO.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>

#include "os/platform.h"
#include "vtvolx/vtvolx_fixtures.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace vantor::testing {
namespace {

namespace fs = std::filesystem;

size_t FilesIn(const std::string& folder) {
  return static_cast<size_t>(std::distance(fs::directory_iterator(folder), {}));
}

// Each file of a folder by its name in UTF-8 (the bytes themselves where
// names are bytes), with what it holds.
std::map<std::string, std::string> ContentsOf(const std::string& folder) {
  std::map<std::string, std::string> contents;
  for (const auto& file : fs::directory_iterator(folder)) {
    std::u8string name = file.path().filename().u8string();
    std::ifstream in(file.path(), std::ios::binary);
    contents[std::string(name.begin(), name.end())] =
        std::string(std::istreambuf_iterator<char>(in), {});
  }
  return contents;
}

TEST(VtvolxFolders, TheVolumeLandsBesideTheFolderAsTheUserNamedIt) {
  struct Case {
    const char* runIn;   // under work/
    const char* volume;  // argument 2
    const char* folder;  // argument 3
    const char* lands;   // under work/
  };
  const Case cases[] = {
      {"", "out.vol", "src", "out.vol"},           {"", "slash.vol", "src/", "slash.vol"},
      {"", "new.vol", "lsrc", "new.vol"},  // a link to ../outside/realsrc
      {"", "deep.vol", "a/b/src", "a/b/deep.vol"}, {"src", "dot.vol", ".", "dot.vol"},
      {"a", "up.vol", "../src", "up.vol"},
  };
  for (const Case& c : cases) {
    VtvolxInstall v;
    for (const char* folder : {"src", "a/b/src", "../outside/realsrc"}) {
      fs::create_directories(v.Work(folder));
      WriteText(v.Work(std::string(folder) + "/a.txt"), "hello");
    }
    // A folder inside the source is no file to store.
    fs::create_directory(v.Work("src/src"));
    WriteText(v.Work("src/src/inner.txt"), "not stored");
    VANTOR_SYMLINK_OR_SKIP("../outside/realsrc", v.Work("lsrc"));
    WriteText(v.Work(c.lands), "old");
    WriteText(v.dir.File("outside/new.vol"), "keep");

    ProgramRun run =
        RunProgram(v.dir.File("vtvolx"), {"-make", c.volume, c.folder}, "", v.Work(c.runIn));
    EXPECT_EQ(run.exitCode, 0) << c.folder << run.err;
    EXPECT_EQ(ReadBytes(v.Work(c.lands)), VolumeBytes({{"a.txt", "hello"}})) << c.folder;
    EXPECT_EQ(TextOf(ReadBytes(v.dir.File("outside/new.vol"))), "keep");
    EXPECT_EQ(FilesIn(v.dir.File("outside")), 2u) << c.folder;
  }
}

TEST(VtvolxMake, RefusesWhatItCouldNotGiveBackBeforeWritingAnything) {
  struct Case {
    std::vector<std::string> files;
    std::string said;
    bool windowsCanNameThem = false;
  };
  const Case cases[] = {
      {{"A.txt", "a.txt"}, "Cannot store a.txt: its name is that of A.txt in another case"},
      {{std::string(40, 'n')}, "names of more than 39 characters", true},
      {{"CON.txt"}, "Cannot store CON.txt: a Windows device name cannot be extracted again"},
      {{"trail."}, "a name that ends in a dot or a blank"},
      {{"blank "}, "a name that ends in a dot or a blank"},
      {{"a:b"}, "a name with a drive or stream colon"},
      {{"esc\x1b[2J"}, "Cannot store esc\\x1B[2J: a name with control characters"},
  };
  for (const Case& c : cases) {
#ifdef _WIN32
    // Windows' own names cannot differ only in case, be a device, end in a
    // dot or blank, hold a colon or control characters: no such source files.
    if (!c.windowsCanNameThem) continue;
#endif
    VtvolxInstall v;
    fs::create_directory(v.Work("src"));
    for (const std::string& name : c.files)
      WriteText(v.Work("src/" + name), "x");
    WriteText(v.Work("old.vol"), "precious");
    ProgramRun run = v.Run({"-make", "old.vol", "src"});
    EXPECT_EQ(run.exitCode, 1) << c.said;
    EXPECT_NE(run.out.find(c.said), std::string::npos) << run.out;
    EXPECT_EQ(run.out.find('\x1b'), std::string::npos);
    EXPECT_FALSE(fs::exists(v.dir.File("head.vol")));
    EXPECT_EQ(TextOf(ReadBytes(v.Work("old.vol"))), "precious");
  }
}

// The new volume replaces the file a link leads to and keeps the link; it
// never replaces one of the files it is built from, nor vtvolx's own files.
TEST(VtvolxMake, TheNewVolumeReplacesOnlyWhatItMay) {
  struct Case {
    std::vector<std::string> arguments;  // run in work/; no folder: volin beside vtvolx
    std::string target;                  // under the scratch folder
    std::string said;                    // empty: built
  };
  const std::string own = ": that is one of vtvolx's own files\n";
  const Case cases[] = {
      {{"-make", "game.vol", "src"}, "real/game.vol", ""},  // work/game.vol is a link
      {{"-make", "src/a.txt", "src"},
       "work/src/a.txt",
       "Cannot build src/a.txt: that is a.txt, one of the files to store\n"},
      {{"-make", "hard.txt", "src"}, "work/src/a.txt", "Cannot build hard.txt: that is a.txt"},
      {{"-make", "extract.exe"}, "extract.exe", own},
      {{"-make", "vtvolx"}, "vtvolx", own},
      {{"-make", "../dum.vol", "src"}, "dum.vol", "Cannot build ../dum.vol" + own},
      {{"-make", "../out.vol", "src"}, "out.vol", own},
      {{"-make", "head.vol"}, "head.vol", own},
      {{"-make", "runs.exe", "src"}, "extract.exe", "Cannot build runs.exe" + own},  // a link
  };
  for (const Case& c : cases) {
    VtvolxInstall v;
    v.InstallExtractor();
    for (const char* folder : {"work/src", "volin", "real"})
      fs::create_directories(v.dir.File(folder));
    WriteText(v.Work("src/a.txt"), "hello");
    WriteText(v.dir.File("volin/a.txt"), "hello");
    for (const char* file : {"dum.vol", "out.vol", "head.vol", "real/game.vol"})
      WriteText(v.dir.File(file), "keep");
    fs::create_hard_link(v.Work("src/a.txt"), v.Work("hard.txt"));
    // Where links cannot be made, the cases that need them are left out.
    bool linked = MakeSymlink("../real/game.vol", v.Work("game.vol")) &&
                  MakeSymlink("../extract.exe", v.Work("runs.exe"));
    if (!linked && (c.arguments[1] == "game.vol" || c.arguments[1] == "runs.exe")) continue;
    std::vector<uint8_t> before = ReadBytes(v.dir.File(c.target));

    ProgramRun run = v.Run(c.arguments);
    if (c.said.empty()) {
      EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
      EXPECT_EQ(ReadBytes(v.dir.File(c.target)), VolumeBytes({{"a.txt", "hello"}}));
      EXPECT_TRUE(fs::is_symlink(v.Work("game.vol")));
      continue;
    }
    EXPECT_EQ(run.exitCode, 1) << c.arguments[1] << run.out;
    EXPECT_NE(run.out.find(c.said), std::string::npos) << run.out;
    EXPECT_EQ(ReadBytes(v.dir.File(c.target)), before) << c.arguments[1];
  }
}

TEST(VtvolxMake, RefusesAVolumeLargerThanItsPositionsReach) {
  VtvolxInstall v;
  fs::create_directory(v.Work("src"));
  // 128 files of the largest storable size, sparse: 2147483520 bytes of data
  // alone, and the headers pass 2^31 - 1.
  for (int i = 0; i < 128; ++i) {
    std::string file = v.Work("src/f" + std::to_string(i));
    WriteText(file, "");
    fs::resize_file(file, 16777215);
  }
  ProgramRun run = v.Run({"-make", "big.vol", "src"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.out.find("Cannot build big.vol: it would hold 2147487172 bytes, and a volume's "
                         "positions end at 2147483647\n"),
            std::string::npos)
      << run.out;
  EXPECT_FALSE(fs::exists(v.Work("big.vol")));

  fs::remove_all(v.Work("src"));
  fs::create_directory(v.Work("src"));
  fs::create_directory(v.Work("taken"));
  ProgramRun folder = v.Run({"-make", "taken", "src"});
  EXPECT_EQ(folder.exitCode, 1);
  EXPECT_NE(folder.out.find("Cannot build taken: that is no ordinary file"), std::string::npos);
}

TEST(VtvolxRead, NoListFileIsTheVolumeOrAWorkingCopy) {
  VtvolxInstall v;
  auto volume = VolumeBytes({{"a.txt", "abc"}});
  WriteBytes(v.Work("v.vol"), volume);
  fs::create_hard_link(v.Work("v.vol"), v.Work("hard.vol"));
  VANTOR_SYMLINK_OR_SKIP("v.vol", v.Work("soft.vol"));
  fs::create_directory(v.Work("dir"));
  std::string typed = "v.vol\n./v.vol\nhard.vol\nsoft.vol\n" + v.dir.File("voli.dat") + "\n" +
                      v.dir.File("work/../vols.dat") + "\ndir\n../vtvolx\nlist.txt\n";
  ProgramRun run = v.Run({"v.vol", "-list"}, typed);
  EXPECT_EQ(run.exitCode, 0) << run.err;
  for (const char* refusal :
       {"refused, that is the volume itself: v.vol\n",
        "refused, that is the volume itself: ./v.vol\n",
        "refused, that is the volume itself: hard.vol\n",
        "refused, a symbolic link stands under the name: soft.vol\n",
        "refused, that is a working copy of this run: ", "refused, that is no ordinary file: dir\n",
        "refused, that is one of vtvolx's own files: ../vtvolx\n"}) {
    EXPECT_NE(run.out.find(refusal), std::string::npos) << refusal << run.out;
  }
  EXPECT_EQ(ReadBytes(v.Work("v.vol")), volume);
  EXPECT_EQ(ReadBytes(v.dir.File("voli.dat")).size(), 28u);
  EXPECT_NE(TextOf(ReadBytes(v.Work("list.txt"))).find("a.txt"), std::string::npos);

  // A volume that is a working copy would be replaced by its own copy.
  std::vector<uint8_t> index = ReadBytes(v.dir.File("voli.dat"));
  ProgramRun copy = v.Run({v.dir.File("voli.dat"), "-all"});
  EXPECT_EQ(copy.exitCode, 1);
  EXPECT_NE(copy.out.find("Cannot read " + v.dir.File("voli.dat") +
                          ": every run replaces that "
                          "working copy; copy it elsewhere to read it\n"),
            std::string::npos)
      << copy.out;
  EXPECT_EQ(ReadBytes(v.dir.File("voli.dat")), index);
}

TEST(VtvolxCrafted, NamesReachTheScreenAndTheFilesEscaped) {
  VtvolxInstall v;
  WriteBytes(v.Work("e.vol"), VolumeBytes({{"esc\x1b[31mred", "x"}, {"ok", "y"}}));
  // A batch run shows only dots.
  const std::vector<std::pair<std::vector<std::string>, std::string>> runs = {
      {{"e.vol", "-list"}, "list.txt\n"},
      {{"e.vol", "-batch"}, "get.bat\n"},
      {{"e.vol", "-all"}, ""},
      {{"e.vol", "e*", "-test"}, ""},
  };
  for (const auto& [arguments, typed] : runs) {
    ProgramRun run = v.Run(arguments, typed);
    EXPECT_EQ(run.out.find('\x1b'), std::string::npos) << arguments[1];
    if (arguments[1] == "-batch") continue;
    EXPECT_NE(run.out.find("esc\\x1B[31mred"), std::string::npos) << arguments[1] << run.out;
  }
  for (const char* written : {"list.txt", "get.bat"}) {
    std::string text = TextOf(ReadBytes(v.Work(written)));
    EXPECT_EQ(text.find('\x1b'), std::string::npos) << written;
    EXPECT_NE(text.find("esc\\x1B[31mred"), std::string::npos) << written;
  }
}

TEST(VtvolxCrafted, ANegativeRealSizeIsABadEntryAndTheRunGoesOn) {
  VtvolxInstall v;
  v.InstallExtractor();
  WriteText(v.dir.File("dum.vol"), "TEMPLATE-HEAD-16" + std::string(100, 't'));
  WriteBytes(v.Work("p.vol"), VolumeBytes({{"p.bin", "xx", 0xFFFFFFFF}, {"next.txt", "fine"}}));
  ProgramRun run = v.Run({"p.vol", "-all"});
  EXPECT_EQ(run.exitCode, 1) << run.err;
  EXPECT_NE(run.out.find("\n  bad entry: index record 0 gives the real size -1, skipped\n"),
            std::string::npos)
      << run.out;
  EXPECT_FALSE(fs::exists(v.Work("p.bin")));
  EXPECT_EQ(TextOf(ReadBytes(v.Work("next.txt"))), "fine");
}

TEST(VtvolxCrafted, FoldersAndFifosAreNeitherVolumesNorEntryFiles) {
  VtvolxInstall v;
  WriteBytes(v.Work("v.vol"), VolumeBytes({{"dir", "1"}, {"fifo", "2"}, {"fine.txt", "3"}}));
  fs::create_directory(v.Work("dir"));
#ifdef _WIN32
  GTEST_SKIP() << "no FIFOs on Windows";
#else
  ASSERT_EQ(mkfifo(v.Work("fifo").c_str(), 0600), 0);
#endif
  ProgramRun run = v.Run({"v.vol", "-all"});
  EXPECT_EQ(run.exitCode, 1) << run.err;
  EXPECT_NE(run.out.find("  refused, that is no ordinary file: dir\n"), std::string::npos);
  EXPECT_NE(run.out.find("  refused, that is no ordinary file: fifo\n"), std::string::npos);
  EXPECT_TRUE(fs::is_fifo(v.Work("fifo")));
  EXPECT_EQ(TextOf(ReadBytes(v.Work("fine.txt"))), "3");
  // Opening a FIFO as the volume must not wait for a writer.
  for (const char* notAVolume : {"fifo", "dir"}) {
    ProgramRun refused = v.Run({notAVolume, "-list"});
    EXPECT_EQ(refused.exitCode, 5) << notAVolume;
  }
}

// Extracted in the program's own folder, a volume may not replace the
// program, the extractor it starts, the template or the working files.
// Also when the program is started through a link in another folder: its
// own files are those beside the real file, while the banner and the batch
// lines keep the name the user typed.
TEST(VtvolxCrafted, TheProgramsOwnFilesAreNoEntryFiles) {
  for (const std::string started : {"vtvolx", "bin/vx"}) {
    VtvolxInstall v;
    v.InstallExtractor();
    fs::create_directory(v.dir.File("bin"));
    if (started != "vtvolx" && !MakeSymlink("../vtvolx", v.dir.File(started))) continue;
    WriteText(v.dir.File("dum.vol"), "TEMPLATE-HEAD-16");
    std::vector<uint8_t> extractor = ReadBytes(v.dir.File("extract.exe"));
    std::vector<uint8_t> program = ReadBytes(v.dir.File("vtvolx"));
    WriteBytes(v.dir.File("mod.vol"), VolumeBytes({{"Extract.exe", "#!/bin/sh\ntouch PWNED\n"},
                                                   {"vtvolx", "x"},
                                                   {"dum.vol", "x"},
                                                   {"voli.dat", "x"},
                                                   {"fine.txt", "ok"}}));
    ProgramRun run = RunProgram(v.dir.File(started), {"mod.vol", "-all"}, "", v.dir.Path());
    EXPECT_EQ(run.exitCode, 1) << started << run.err;
    for (const char* name : {"Extract.exe", "vtvolx", "dum.vol"}) {
      EXPECT_NE(run.out.find("  refused, that is one of vtvolx's own files: " + std::string(name)),
                std::string::npos)
          << started << " " << name << run.out;
    }
    EXPECT_NE(run.out.find("  refused, that is a working copy of this run: voli.dat"),
              std::string::npos)
        << started;
    std::string shownName = started.substr(started.rfind('/') + 1);
    EXPECT_NE(run.out.find(shownName + " Lives in: " + v.dir.Path() + std::string(kPathSeparator)),
              std::string::npos)
        << started << run.out;
    EXPECT_EQ(ReadBytes(v.dir.File("extract.exe")), extractor) << started;
    EXPECT_EQ(ReadBytes(v.dir.File("vtvolx")), program) << started;
    EXPECT_EQ(TextOf(ReadBytes(v.dir.File("dum.vol"))), "TEMPLATE-HEAD-16") << started;
    EXPECT_EQ(TextOf(ReadBytes(v.dir.File("fine.txt"))), "ok") << started;
    EXPECT_FALSE(fs::exists(v.dir.File("bin/voli.dat"))) << started;
  }
}

// Names that would need bytes from outside the name table, or run on past
// the 39 characters a volume can give back, name no file: cut, two of them
// could become one.
TEST(VtvolxCrafted, NamesOutsideTheTableOrWithoutAnEndAreBadEntries) {
  VtvolxInstall v;
  std::string longName(45, 'L');
  auto volume = VolumeBytes({{longName + "1", "first"}, {longName + "2", "second"}, {"ok", "y"}});
  // A third record whose name offset points at the end of the table.
  auto outside = VolumeBytes({{"a.txt", "1"}, {"b.txt", "2"}});
  outside[28 + 12 + 8 + 14] = 12;
  WriteBytes(v.Work("long.vol"), volume);
  WriteBytes(v.Work("outside.vol"), outside);
  ProgramRun run = v.Run({"long.vol", "-all"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.out.find("  bad entry: index record 0 has a name without an end among its first 40 "
                         "bytes, skipped\n"),
            std::string::npos)
      << run.out;
  EXPECT_NE(run.out.find("  bad entry: index record 1 has a name without an end"),
            std::string::npos);
  EXPECT_EQ(FilesIn(v.dir.File("work")), 3u);  // the volumes and ok
  ProgramRun list = v.Run({"outside.vol", "-list"}, "list.txt\n");
  EXPECT_EQ(list.exitCode, 1);
  EXPECT_NE(list.out.find("  bad entry: index record 1 has a name outside the name table"),
            std::string::npos)
      << list.out;
}

// Names as Windows takes them: code page 437 bytes become their characters,
// and names that Windows takes for one file are one file, so the later entry
// is refused, naming both, and the run goes on. The same name twice is such a
// pair everywhere.
TEST(VtvolxCrafted, NoEntryLandsInAFileTheRunWroteBefore) {
  VtvolxInstall v;
  auto volume = VolumeBytes({{"dup.txt", "first"},
                             {"dup.txt", "second"},
                             {"Twin.txt", "upper"},
                             {"twin.txt", "lower"},
                             {"caf\x82.txt", "cp437"},
                             {"caf\xC3\xA9.txt", "utf-8"},
                             {"caf\x81.txt", "u"}});
  WriteBytes(v.Work("v.vol"), volume);
  ProgramRun run = v.Run({"v.vol", "-all"});
  EXPECT_EQ(run.exitCode, 1) << run.err;
  std::vector<std::string> twins = {
      "index record 1 names dup.txt, the file already written for "
      "dup.txt, skipped\n"};
  std::map<std::string, std::string> files = {{"v.vol", TextOf(volume)}, {"dup.txt", "first"}};
#ifdef _WIN32
  twins.push_back("index record 3 names twin.txt, the file already written for Twin.txt");
  twins.push_back(
      "index record 5 names caf\xC3\xA9.txt, the file already written for "
      "caf\xC3\xA9.txt, skipped\n");
  files.insert({{"Twin.txt", "upper"}, {"caf\xC3\xA9.txt", "cp437"}, {"caf\xC3\xBC.txt", "u"}});
#else
  files.insert({{"Twin.txt", "upper"},
                {"twin.txt", "lower"},
                {"caf\x82.txt", "cp437"},
                {"caf\xC3\xA9.txt", "utf-8"},
                {"caf\x81.txt", "u"}});
#endif
  for (const std::string& twin : twins)
    EXPECT_NE(run.out.find("  bad entry: " + twin), std::string::npos) << twin << run.out;
  EXPECT_EQ(ContentsOf(v.Work("")), files);
}

// A file the user may not write is not replaced, nor is another user's file
// that would become this user's; the other entries are.
TEST(VtvolxCrafted, ReadOnlyFilesAndOtherUsersFilesAreNotReplaced) {
#ifndef _WIN32
  if (geteuid() != 0 || !fs::exists("/usr/bin/setpriv")) {
    GTEST_SKIP() << "needs root to run vtvolx as another user";
  }
#endif
  VtvolxInstall v;
  WriteBytes(v.Work("v.vol"),
             VolumeBytes({{"locked.txt", "new"}, {"theirs.txt", "new"}, {"free.txt", "new"}}));
  WriteText(v.Work("locked.txt"), "mine");
  fs::permissions(v.Work("locked.txt"),
                  fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  // Root's, and writable for all: as nobody's, root could no longer use it.
  WriteText(v.Work("theirs.txt"), "root's");
  fs::permissions(v.Work("theirs.txt"), fs::perms::all & ~fs::perms::owner_exec &
                                            ~fs::perms::group_exec & ~fs::perms::others_exec);
  fs::permissions(v.dir.Path(), fs::perms::all);
  fs::permissions(v.Work(""), fs::perms::all);
#ifdef _WIN32
  // There the read-only attribute holds for everyone.
  ProgramRun run = RunProgram(v.dir.File("vtvolx"), {"v.vol", "-all"}, "", v.Work(""));
#else
  ProgramRun run = RunProgram("/usr/bin/setpriv",
                              {"--reuid=nobody", "--regid=nogroup", "--clear-groups",
                               v.dir.File("vtvolx"), "v.vol", "-all"},
                              "", v.Work(""));
#endif
  EXPECT_EQ(run.exitCode, 1) << run.out << run.err;
  EXPECT_NE(run.out.find("  refused, the file is read-only: locked.txt\n"), std::string::npos)
      << run.out;
  EXPECT_EQ(TextOf(ReadBytes(v.Work("locked.txt"))), "mine");
#ifndef _WIN32
  EXPECT_NE(run.out.find("  refused, another user's file would become this user's own: "
                         "theirs.txt\n"),
            std::string::npos)
      << run.out;
  EXPECT_EQ(TextOf(ReadBytes(v.Work("theirs.txt"))), "root's");
#endif
  EXPECT_EQ(TextOf(ReadBytes(v.Work("free.txt"))), "new");
}

#ifndef _WIN32
TEST(VtvolxMake, RefusesAnotherUsersVolumeBeforeBuildingAnything) {
  if (geteuid() != 0 || !fs::exists("/usr/bin/setpriv")) {
    GTEST_SKIP() << "needs root to run vtvolx as another user";
  }
  VtvolxInstall v;
  fs::create_directory(v.Work("src"));
  WriteText(v.Work("src/a.txt"), "hello");
  WriteText(v.Work("theirs.vol"), "root's");
  fs::permissions(v.Work("theirs.vol"), fs::perms::all & ~fs::perms::owner_exec &
                                            ~fs::perms::group_exec & ~fs::perms::others_exec);
  fs::permissions(v.dir.Path(), fs::perms::all);
  fs::permissions(v.Work(""), fs::perms::all);
  ProgramRun run = RunProgram("/usr/bin/setpriv",
                              {"--reuid=nobody", "--regid=nogroup", "--clear-groups",
                               v.dir.File("vtvolx"), "-make", "theirs.vol", "src"},
                              "", v.Work(""));
  EXPECT_NE(run.out.find("Cannot build theirs.vol: it belongs to another user or group"),
            std::string::npos)
      << run.out << run.err;
  EXPECT_EQ(TextOf(ReadBytes(v.Work("theirs.vol"))), "root's");
  EXPECT_FALSE(fs::exists(v.dir.File("VBLKdata.vol")));
}
#endif

// A file that another program holds open cannot be replaced on Windows: it
// is reported like a read-only one, and the run goes on.
TEST(VtvolxCrafted, AFileHeldOpenByAnotherProgramIsReportedAndTheRunGoesOn) {
#ifndef _WIN32
  GTEST_SKIP() << "elsewhere a file is replaced under its open handles";
#else
  for (DWORD shared : {DWORD{FILE_SHARE_READ}, DWORD{FILE_SHARE_READ | FILE_SHARE_WRITE}}) {
    VtvolxInstall v;
    WriteBytes(v.Work("v.vol"), VolumeBytes({{"held.txt", "new"}, {"free.txt", "new"}}));
    WriteText(v.Work("held.txt"), "mine");
    HANDLE held = CreateFileA(v.Work("held.txt").c_str(), GENERIC_READ, shared, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    ProgramRun run = v.Run({"v.vol", "-all"});
    CloseHandle(held);
    EXPECT_EQ(run.exitCode, 1) << run.out << run.err;
    EXPECT_NE(run.out.find("  refused, another program has the file open: held.txt\n"),
              std::string::npos)
        << shared << run.out;
    EXPECT_EQ(TextOf(ReadBytes(v.Work("held.txt"))), "mine");
    EXPECT_EQ(TextOf(ReadBytes(v.Work("free.txt"))), "new");
  }
#endif
}

// Windows takes a name without its trailing dots and blanks, in any case, or
// as the short 8.3 name of an existing file: none of these spellings makes
// one of the program's own files a list file.
TEST(VtvolxRead, NoListFileIsTheProgramsOwnFileUnderAnotherSpelling) {
#ifndef _WIN32
  GTEST_SKIP() << "other systems take names as they are spelled";
#else
  VtvolxInstall v;
  v.InstallExtractor();
  std::string program = v.dir.File("vtvolx-program.exe");
  fs::copy_file(VTVOLX_BINARY, program);
  char shortPath[MAX_PATH] = {};
  ASSERT_GT(GetShortPathNameA(program.c_str(), shortPath, MAX_PATH), 0u);
  std::string shortName = fs::path(shortPath).filename().string();
  ASSERT_NE(shortName, "vtvolx-program.exe");
  WriteText(v.dir.File("head.vol"), "old");
  WriteBytes(v.dir.File("v.vol"), VolumeBytes({{"a.txt", "abc"}}));
  std::vector<uint8_t> extractor = ReadBytes(v.dir.File("extract.exe"));
  std::vector<uint8_t> programBytes = ReadBytes(program);
  const std::vector<std::pair<std::string, std::string>> refused = {
      {"voli.dat.", "a working copy of this run"},  {"VOLS.DAT ", "a working copy of this run"},
      {"HEAD.VOL. .", "one of vtvolx's own files"}, {"extract.exe.", "one of vtvolx's own files"},
      {"Extract.Exe", "one of vtvolx's own files"}, {shortName, "one of vtvolx's own files"},
  };
  std::string typed;
  for (const auto& [name, why] : refused)
    typed += name + "\n";
  ProgramRun run = RunProgram(program, {"v.vol", "-list"}, typed + "list.txt\n", v.dir.Path());
  EXPECT_EQ(run.exitCode, 0) << run.err;
  for (const auto& [name, why] : refused) {
    EXPECT_NE(run.out.find("refused, that is " + why + ": " + name + "\n"), std::string::npos)
        << name << run.out;
  }
  EXPECT_EQ(ReadBytes(v.dir.File("extract.exe")), extractor);
  EXPECT_EQ(ReadBytes(program), programBytes);
  EXPECT_EQ(TextOf(ReadBytes(v.dir.File("head.vol"))), "old");
  EXPECT_NE(TextOf(ReadBytes(v.dir.File("list.txt"))).find("a.txt"), std::string::npos);
#endif
}

}  // namespace
}  // namespace vantor::testing
