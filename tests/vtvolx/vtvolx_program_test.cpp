// vtvolx run as a real program: exact lines, exit codes and the files it
// writes.
#include <gtest/gtest.h>
#include <unistd.h>
#ifndef _WIN32
#include <fcntl.h>
#include <sys/wait.h>

#include <csignal>
#endif

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "os/platform.h"
#include "vtvolx/vtvolx_fixtures.h"

namespace vantor::testing {
namespace {

// The separator the programs put between a folder and a name.
const std::string kSep(kPathSeparator);

namespace fs = std::filesystem;

TEST(VtvolxUsage, TwelveLinesAndExitZero) {
  VtvolxInstall install;
  ProgramRun run = install.Run({});
  EXPECT_EQ(run.exitCode, 0);
  auto lines = Lines(run.out);
  ASSERT_EQ(lines.size(), 12u);
  EXPECT_EQ(lines[0].substr(lines[0].size() - 5), ".... ");
  EXPECT_NE(lines[0].find("v2.1"), std::string::npos);
  EXPECT_EQ(lines[1].substr(0, 33), "-list lists all files in Vantor (");
  EXPECT_EQ(lines[1].substr(lines[1].size() - 11), ") Vol file ");
  EXPECT_EQ(lines[2], "-all extracts all files.... not always recommended ;) ");
  EXPECT_EQ(lines[3], "-batch writes a batch file");
  EXPECT_EQ(lines[4], "-make creates a new volume from all files in subdir (default:  .\\volin");
  EXPECT_EQ(lines[5],
            " (partial) filename extracts all matching filenames..... only 1 \"*\" allowed (ONE, "
            "not 2!) ");
  EXPECT_EQ(lines[6], "");
  EXPECT_EQ(lines[7],
            "Usage: vtvolx <ted or vol filename>  [ -list | -all | -batch | [ [!]afile*name  ] "
            "[-test] ");
  EXPECT_EQ(lines[8], "vtvolx -make <volname> <folder with files to insert in vol>");
  EXPECT_EQ(lines[9],
            "Example: vtex vt.vol 03*.dml -test      shows all plane dmls in volume to be "
            "extracted ");
  EXPECT_EQ(lines[10],
            "Example (! inverts selection): vtex vt.vol !*.bmp -test      shows all files except "
            "*.bmp to be extracted ");
  EXPECT_EQ(lines[11], " NB!! there may be NO space between \"!\" and the expression !!!");
}

TEST(VtvolxMake, OneFiveByteFileGivesThe85ByteVolume) {
  VtvolxInstall install;
  fs::create_directory(install.Work("src"));
  WriteText(install.Work("src/a.txt"), "hello");
  ProgramRun run = install.Run({"-make", "new.vol", "src"});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  std::vector<uint8_t> expected = {
      'V',  'O',  'L',  ' ',  0x3E, 0,   0,   0x80, 'v',  'o', 'l', 'h', 0,   0,   0,
      0x80, 'v',  'o',  'l',  's',  10,  0,   0,    0x80, 6,   0,   0,   0,   'a', '.',
      't',  'x',  't',  0,    'v',  'o', 'l', 'i',  0x1C, 0,   0,   0,   0,   0,   0,
      0,    70,   0,    0,    0,    5,   0,   0,    0,    0,   1,                 // the entry
      0xFF, 0xFF, 0xFF, 0xFF, 0,    0,   0,   0,    0,    0,   0,   0,   0,   0,  // the end record
      'V',  'B',  'L',  'K',  5,    0,   0,   0x80, 'h',  'e', 'l', 'l', 'o', 0,   0};
  // The new volume lies beside the source folder.
  EXPECT_EQ(ReadBytes(install.Work("new.vol")), expected);
  EXPECT_EQ(expected.size(), 85u);
  auto lines = Lines(run.out);
  ASSERT_GE(lines.size(), 20u);
  EXPECT_EQ(lines[0], "File:a.txt size:         5");
  EXPECT_EQ(lines[1], "");
  EXPECT_EQ(lines[2], ".");
  EXPECT_EQ(lines[3], " Done.. #files:    1 #bytes:         7 VBLKbytes:        15");
  EXPECT_EQ(lines[4], "size of strings       6");
  EXPECT_EQ(lines[5], "size of index        36");
  EXPECT_EQ(lines[6], "size of VBLKdat      15");
  EXPECT_EQ(lines[7], "VBLKStart             62");
  EXPECT_EQ(lines[8], "IndexStart             10");
  EXPECT_EQ(lines[9], "VBLKstart:         70");
  EXPECT_EQ(lines[10], "size index: 36");
  EXPECT_EQ(lines[11], "");
  EXPECT_EQ(lines[12], "..\r");
  EXPECT_EQ(lines[13], "done fixing index.....");
  EXPECT_EQ(lines[14], "Done writing stringfile and data segment..... #files:    1");
  EXPECT_EQ(lines[15], "adding " + install.dir.Path() + kSep + "head.vol to new.vol");
  EXPECT_EQ(lines[16], "      28 bytes written");
  EXPECT_EQ(lines.back(), "Done......");
  EXPECT_EQ(lines[lines.size() - 2], "      85 bytes written");
  // The part files stay in the program's folder.
  EXPECT_EQ(ReadBytes(install.dir.File("string.idx")).size(), 6u);
}

TEST(VtvolxMake, TheBuilderMatchesTheLayoutFileByFile) {
  VtvolxInstall install;
  fs::create_directory(install.Work("src"));
  WriteText(install.Work("src/B.DAT"), "second file");
  WriteText(install.Work("src/a.txt"), "first");
  WriteText(install.Work("src/empty"), "");
  ASSERT_EQ(install.Run({"-make", "v.vol", "src"}).exitCode, 0);
  // Names are stored lower-cased, in name order of the folder.
  EXPECT_EQ(ReadBytes(install.Work("v.vol")),
            VolumeBytes({{"b.dat", "second file"}, {"a.txt", "first"}, {"empty", ""}}));
}

TEST(VtvolxMake, NamesWithATildeKeepTheCaseTheFolderGives) {
  VtvolxInstall install;
  fs::create_directory(install.Work("src"));
  WriteText(install.Work("src/Long~Name.TXT"), "tilde");
  ProgramRun run = install.Run({"-make", "t.vol", "src"});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(Lines(run.out)[0], " Long name is Long~Name.TXT");
  EXPECT_EQ(Lines(run.out)[1], "File:long~name.txt size:         5");
  EXPECT_EQ(ReadBytes(install.Work("t.vol")), VolumeBytes({{"Long~Name.TXT", "tilde"}}));
}

TEST(VtvolxMake, EmptyFolderGivesThe50ByteVolume) {
  VtvolxInstall install;
  fs::create_directory(install.Work("none"));
  ProgramRun run = install.Run({"-make", "empty.vol", "none"});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  auto bytes = ReadBytes(install.Work("empty.vol"));
  EXPECT_EQ(bytes, VolumeBytes({}));
  EXPECT_EQ(bytes.size(), 50u);

  // Read back: the "Head" line shows zeros and nothing past the end is read.
  ProgramRun list = install.Run({"empty.vol", "-list"}, "list.txt\n");
  EXPECT_EQ(list.exitCode, 0) << list.err;
  EXPECT_NE(list.out.find("No filenamelist....\n"), std::string::npos);
  EXPECT_NE(list.out.find("Head : " + std::string(4, '\0') + " datasize : 0 filepos data: 58\n"),
            std::string::npos);
  EXPECT_NE(list.out.find(" Files extracted :        0 Filepos voli :      14 Rec# :        1"),
            std::string::npos);
}

TEST(VtvolxMake, RoundTripOfAwkwardSizes) {
  VtvolxInstall install;
  fs::create_directory(install.Work("src"));
  std::map<std::string, std::string> files = {{"zero.bin", ""},
                                              {"n9999.bin", std::string(9999, 'a')},
                                              {"n10000.bin", std::string(10000, 'b')},
                                              {"n10001.bin", std::string(10001, 'c')},
                                              {"UPPER.TXT", "shouting"}};
  for (auto& [name, content] : files)
    WriteText(install.Work("src/" + name), content);
  ProgramRun make = install.Run({"-make", "round.vol", "src"});
  ASSERT_EQ(make.exitCode, 0) << make.err;
  // A file of exactly 10000 bytes gives two dots: the second read finds nothing.
  EXPECT_NE(make.out.find("File:n10000.bin size:     10000\n\n..\n"), std::string::npos);
  EXPECT_NE(make.out.find("File:zero.bin size:         0\n\n.\n"), std::string::npos);
  EXPECT_NE(make.out.find("File:upper.txt size:         8"), std::string::npos);

  fs::create_directory(install.Work("out"));
  ProgramRun all =
      RunProgram(install.dir.File("vtvolx"), {"../round.vol", "-all"}, "", install.Work("out"));
  EXPECT_EQ(all.exitCode, 0) << all.err;
  for (auto& [name, content] : files) {
    std::string stored = name == "UPPER.TXT" ? "upper.txt" : name;
    // An entry of stored size 0 is counted, but no file is written for it.
    if (content.empty()) {
      EXPECT_FALSE(fs::exists(install.Work("out/" + stored)));
    } else {
      EXPECT_EQ(TextOf(ReadBytes(install.Work("out/" + stored))), content) << stored;
    }
  }
  EXPECT_NE(all.out.find(" Files extracted :        5 Filepos voli :      84 Rec# :        6"),
            std::string::npos);
}

TEST(VtvolxMake, DefaultSourceIsVolinInTheProgramFolderAndSkipsWorkingFiles) {
  VtvolxInstall install;
  fs::create_directory(install.dir.File("volin"));
  WriteText(install.dir.File("volin/one.txt"), "1");
  ProgramRun run = install.Run({"-make", "default.vol"});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  // Relative to the parent of the source folder: the program's folder.
  EXPECT_EQ(ReadBytes(install.dir.File("default.vol")), VolumeBytes({{"one.txt", "1"}}));

  // Building from the program's own folder leaves out the parts and working files.
  fs::remove_all(install.dir.File("volin"));
  ProgramRun own = install.Run({"-make", install.Work("own.vol"), install.dir.Path()});
  EXPECT_EQ(own.exitCode, 0) << own.err;
  EXPECT_EQ(own.out.find("File:head.vol"), std::string::npos);
  EXPECT_EQ(own.out.find("File:string.idx"), std::string::npos);
  EXPECT_NE(own.out.find("File:default.vol"), std::string::npos);
}

// A volume with three entries, listed and extracted in the tests below.
struct ThreeEntryVolume : VtvolxInstall {
  ThreeEntryVolume() {
    WriteBytes(Work("game.vol"),
               VolumeBytes({{"03a.dml", "plane"}, {"sky.bmp", "blue!!"}, {"", "nameless"}}));
  }
};

TEST(VtvolxRead, HeaderReportAndWorkingCopies) {
  ThreeEntryVolume v;
  ProgramRun run = v.Run({"game.vol", "-all"});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  auto lines = Lines(run.out);
  ASSERT_GE(lines.size(), 11u);
  // Names: 8 + 8 + 1 = 17 bytes; index: 8 + 4 * 14 = 64 bytes.
  EXPECT_EQ(lines[0], " File name: game.vol");
  EXPECT_EQ(lines[1], "Vol  :     VOL  VBLK :      109");
  EXPECT_EQ(lines[2], "Volh :     volh Unk1 :       16");
  EXPECT_EQ(lines[3], "Vols :     vols voliP:       45 Vols size:        17 sDatap :       28");
  EXPECT_EQ(lines[4],
            "Voli :     voli volisz:       56 Voli  unk:         0 Voli dataP :       53");
  EXPECT_EQ(lines[5], "Head : VBLK datasize : 5 filepos data: 117");
  std::string voli = v.dir.Path() + kSep + "voli.dat";
  EXPECT_EQ(lines[6], "File : " + voli + "  Bytes written:        56 Expected:        56");
  EXPECT_EQ(lines[7], voli + " is not compressed. " + voli);
  EXPECT_EQ(ReadBytes(v.dir.File("vols.dat")).size(), 17u);
  EXPECT_EQ(lines.back().substr(lines.back().size() - 5), ".... ");
  EXPECT_EQ(lines[lines.size() - 2], "vtvolx Lives in: " + v.dir.Path() + kSep);
}

TEST(VtvolxRead, ListWritesScreenLinesAndAListFile) {
  ThreeEntryVolume v;
  ProgramRun run = v.Run({"game.vol", "-list"}, "\nlist.txt\n");
  EXPECT_EQ(run.exitCode, 0) << run.err;
  std::string out = run.out;
  EXPECT_NE(
      out.find("\n\n\n 8.3 DOS Name for file to write list file to: \n"
               " 8.3 DOS Name for file to write list file to: \n"
               "File:       03a.dml Ptr->data :       117 Filesize :        5 Real size:       5\n"
               "File:       sky.bmp Ptr->data :       132 Filesize :        6 Real size:       6\n"
               ".\n\n Files extracted :        0 Filepos voli :      56 Rec# :        4\n"),
      std::string::npos)
      << out;
  EXPECT_EQ(TextOf(ReadBytes(v.Work("list.txt"))),
            "IndxRec# :        0Filename:       03a.dml Ptr->data :       117 Filesize :        5 "
            "Realsize:       5\r\n"
            "IndxRec# :        1Filename:       sky.bmp Ptr->data :       132 Filesize :        6 "
            "Realsize:       6\r\n");
}

TEST(VtvolxRead, ListWithAFilterDotsTheOthers) {
  ThreeEntryVolume v;
  ProgramRun run = v.Run({"game.vol", "-list", "*.bmp"}, "list.txt\n");
  EXPECT_NE(run.out.find(" to: \n.File:       sky.bmp"), std::string::npos) << run.out;
}

// A line that would do more than extract its entry when run is remarked:
// characters a command interpreter acts on, an unsafe name, a mode word, a
// second argument, a star, an inversion.
TEST(VtvolxRead, BatchFileRunsOneExtractionPerEntry) {
  VtvolxInstall v;
  WriteBytes(v.Work("game.vol"), VolumeBytes({{"03a.dml", "plane"},
                                              {"a&b.txt", "x"},
                                              {"../up.txt", "y"},
                                              {"-all", "2"},
                                              {"two words", "3"},
                                              {"st*r", "4"},
                                              {"!bang", "5"}}));
  ProgramRun run = v.Run({"game.vol", "-batch"}, "get.bat\n");
  EXPECT_EQ(run.exitCode, 0) << run.err;
  std::string expected = "vtvolx game.vol 03a.dml\r\necho 03a.dml > lastfile.txt\r\n";
  for (const char* name : {"a&b.txt", "../up.txt", "-all", "two words", "st*r", "!bang"}) {
    expected +=
        "rem vtvolx game.vol " + std::string(name) + "\r\nrem echo " + name + " > lastfile.txt\r\n";
  }
  EXPECT_EQ(TextOf(ReadBytes(v.Work("get.bat"))), expected + "echo ...Done!...> lastfile.txt\r\n");
  // A dot for each entry, then the summary's own.
  EXPECT_NE(run.out.find(" to: \n........\n\n Files extracted :        0"), std::string::npos)
      << run.out;

  // Every line, when the volume's own name means something to the
  // interpreter, or in a ".ted" volume, where each line would extract all.
  for (const char* volume : {"a&b.vol", "map.ted"}) {
    WriteBytes(v.Work(volume), VolumeBytes({{"ok.txt", "5"}}));
    ASSERT_EQ(v.Run({volume, "-batch"}, "all.bat\n").exitCode, 0);
    EXPECT_EQ(TextOf(ReadBytes(v.Work("all.bat"))),
              "rem vtvolx " + std::string(volume) +
                  " ok.txt\r\nrem echo ok.txt > lastfile.txt\r\n" +
                  "echo ...Done!...> lastfile.txt\r\n");
  }
}

TEST(VtvolxRead, PatternTestAndExtraction) {
  ThreeEntryVolume v;
  ProgramRun test = v.Run({"game.vol", "!*.bmp", "-test"});
  EXPECT_EQ(test.exitCode, 0) << test.err;
  EXPECT_NE(test.out.find("\n\n\n  -test:  03a.dml\n.\n\n Files extracted :        1"),
            std::string::npos)
      << test.out;
  EXPECT_FALSE(fs::exists(v.Work("03a.dml")));

  ProgramRun get = v.Run({"game.vol", "sky"});
  EXPECT_NE(get.out.find("  getting: sky.bmp\nFile : sky.bmp  Bytes written:         6 Expected:"
                         "         6\nsky.bmp is not compressed. sky.bmp\n"),
            std::string::npos)
      << get.out;
  EXPECT_EQ(TextOf(ReadBytes(v.Work("sky.bmp"))), "blue!!");
}

TEST(VtvolxRead, PatternIsAskedForWhenOnlyTheVolumeIsGiven) {
  ThreeEntryVolume v;
  ProgramRun run = v.Run({"game.vol"}, "\n03*\n");
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_NE(run.out.find("\nName 2 extract ? : \nName 2 extract ? :   getting: 03a.dml\n"),
            std::string::npos)
      << run.out;
  ProgramRun ended = v.Run({"game.vol"}, "");
  EXPECT_EQ(ended.exitCode, 100);
  // "-all" typed means every entry, as on the command line.
  ProgramRun all = v.Run({"game.vol"}, "-all\n");
  EXPECT_NE(all.out.find("  getting: 03a.dml\n"), std::string::npos) << all.out;
  EXPECT_NE(all.out.find("  getting: sky.bmp\n"), std::string::npos) << all.out;
}

TEST(VtvolxRead, TedVolumesNumberEveryEntry) {
  VtvolxInstall v;
  WriteBytes(v.Work("map.ted"),
             VolumeBytes({{"first", "11"}, {"", "22"}, {"zero", ""}, {"last", "44"}}));
  ProgramRun run = v.Run({"map.ted", "whatever"});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(TextOf(ReadBytes(v.Work("ted00001.dat"))), "11");
  EXPECT_EQ(TextOf(ReadBytes(v.Work("ted00002.dat"))), "22");
  EXPECT_FALSE(fs::exists(v.Work("ted00003.dat")));  // stored size 0: counted, not written
  EXPECT_EQ(TextOf(ReadBytes(v.Work("ted00004.dat"))), "44");
  EXPECT_NE(run.out.find(" Files extracted :        4"), std::string::npos);

  // "-test" shows the entries' own names; upper-case ".TED" is no ted volume.
  ProgramRun test = v.Run({"map.ted", "x", "-test"});
  EXPECT_NE(test.out.find("  -test:  first\n  -test:  \n  -test:  last\n"), std::string::npos)
      << test.out;
  // Another name, since map.ted is MAP.TED where names ignore case.
  fs::copy_file(v.Work("map.ted"), v.Work("UPPER.TED"));
  ProgramRun upper = v.Run({"UPPER.TED", "l*", "-test"});
  EXPECT_NE(upper.out.find("  -test:  last\n.\n\n Files extracted :        1"), std::string::npos)
      << upper.out;
}

// Packed entries: the real size differs from the stored size.
struct PackedVolume : VtvolxInstall {
  PackedVolume(const std::string& stored, int64_t realSize, std::vector<TestEntry> more = {}) {
    InstallExtractor();
    std::string templ = "TEMPLATE-HEAD-16";  // 16 bytes
    templ += std::string(100, 't');
    WriteText(dir.File("dum.vol"), templ);
    more.insert(more.begin(), {"pack.dat", stored, realSize});
    WriteBytes(Work("p.vol"), VolumeBytes(more));
  }
};

TEST(VtvolxUnpack, ExtractorOutputIsCutToTheRealSize) {
  PackedVolume v("squeezed", 20);
  ProgramRun run = v.Run({"p.vol", "-all"});
  EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
  EXPECT_EQ(TextOf(ReadBytes(v.Work("pack.dat"))), "unpackedunpackedunpa");
  std::string out = run.out;
  // The extractor writes the entry under a temporary name in its folder.
  EXPECT_NE(out.find("beginning decompress filesize pack.dat :8\nOpening files\ndone.\n"
                     "writing header.\ndone.\npasting compressed file... pack.dat\nclosed files\n"
                     "execing: " +
                     v.dir.Path() + kSep + "Extract.exe " + v.dir.Path() + kSep +
                     "out.vol huh.dat .vantor-tmp-"),
            std::string::npos)
      << out;
  EXPECT_NE(out.find(" please wait...\n"
                     "extract done... truncating pack.dat to    20 bytes\ndone... file ready\n"),
            std::string::npos)
      << out;
  EXPECT_EQ(std::distance(fs::directory_iterator(v.dir.File("work")), {}), 2);
  // The working volume: template head with the size patched, the stored bytes,
  // "VBLK", then the template's tail from stored size + 20 on.
  std::string work = TextOf(ReadBytes(v.dir.File("out.vol")));
  ASSERT_EQ(work.size(), 116u);
  EXPECT_EQ(work.substr(0, 12), "TEMPLATE-HEA");
  EXPECT_EQ(static_cast<uint8_t>(work[12]), 20 + 256 - 256);
  EXPECT_EQ(static_cast<uint8_t>(work[13]), 1);
  EXPECT_EQ(work.substr(16, 12), "squeezedVBLK");
}

TEST(VtvolxUnpack, BitmapNoticeAndShortFiles) {
  PackedVolume bitmap("KBMpacked", 40);
  ProgramRun run = bitmap.Run({"p.vol", "-all"});
  EXPECT_NE(run.out.find("! Korvid Bitmap File , needs conversion !pack.dat\n"), std::string::npos)
      << run.out;
  PackedVolume tiny("KBMx", 2);
  ProgramRun shortRun = tiny.Run({"p.vol", "-all"});
  EXPECT_NE(shortRun.out.find("done... file ready\n"), std::string::npos) << shortRun.out;
  EXPECT_EQ(ReadBytes(tiny.Work("pack.dat")).size(), 2u);
}

// An entry that is not unpacked is not written: a file of its name stays as
// it was, no temporary file is left, and the entries after it are handled.
TEST(VtvolxUnpack, AnEntryThatIsNotUnpackedIsReportedAndNotWritten) {
  struct Case {
    const char* stored;
    const char* said;
    bool removeExtractor = false;
    bool removeTemplate = false;
  };
  const Case cases[] = {
      {"FAILING!", "the extractor failed (exit status 3); pack.dat is not written"},
      {"SHORTER", "the extractor gave 3 bytes of 30; pack.dat is not written"},
      {"squeezed", "could not be started; pack.dat is not written", true},
      {"squeezed", "dum.vol\": No such file or directory; pack.dat is not written", false, true},
  };
  for (const Case& c : cases) {
    PackedVolume v(c.stored, 30, {{"after.txt", "next"}});
    if (c.removeExtractor) fs::remove(v.dir.File("extract.exe"));
    if (c.removeTemplate) fs::remove(v.dir.File("dum.vol"));
    WriteText(v.Work("pack.dat"), "precious");
    ProgramRun run = v.Run({"p.vol", "-all"});
    EXPECT_EQ(run.exitCode, 1) << c.said;
    EXPECT_NE(run.out.find(c.said), std::string::npos) << run.out;
    EXPECT_EQ(run.out.find("done... file ready"), std::string::npos);
    EXPECT_EQ(TextOf(ReadBytes(v.Work("pack.dat"))), "precious");
    EXPECT_EQ(TextOf(ReadBytes(v.Work("after.txt"))), "next");
    EXPECT_EQ(std::distance(fs::directory_iterator(v.dir.File("work")), {}), 3) << c.said;
  }
}

#ifndef _WIN32
// vtvolx started in the work folder, its output discarded and the fatal
// signals at their defaults (a test runner may ignore some).
pid_t StartInBackground(const PackedVolume& v, const std::vector<std::string>& arguments) {
  std::vector<std::string> strings = {v.dir.File("vtvolx")};
  strings.insert(strings.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (auto& s : strings)
    argv.push_back(s.data());
  argv.push_back(nullptr);
  pid_t child = fork();
  if (child == 0) {
    for (int signalNumber : {SIGTERM, SIGINT, SIGHUP})
      signal(signalNumber, SIG_DFL);
    int null = open("/dev/null", O_RDWR);
    dup2(null, 0);
    dup2(null, 1);
    dup2(null, 2);
    if (chdir(v.Work("").c_str()) == 0) execv(argv[0], argv.data());
    _exit(127);
  }
  return child;
}

// The process ID that the hanging extractor says, once it runs.
pid_t ExtractorPid(const PackedVolume& v) {
  for (int wait = 0; wait < 1000; ++wait) {
    pid_t pid = 0;
    if (std::ifstream(v.dir.File("extractor.pid")) >> pid) return pid;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return 0;
}
#endif

// A signal that ends vtvolx while its extractor hangs stops the extractor
// too (it runs in a process group of its own, which a terminal's Ctrl+C
// does not reach), and what it wrote goes; vtvolx ends by that signal.
TEST(VtvolxUnpack, ASignalStopsAHangingExtractor) {
#ifdef _WIN32
  GTEST_SKIP() << "no signals on Windows";
#else
  for (int signalNumber : {SIGTERM, SIGINT, SIGHUP}) {
    PackedVolume v("HANG", 30);
    pid_t vtvolx = StartInBackground(v, {"p.vol", "-all"});
    pid_t extractor = ExtractorPid(v);
    ASSERT_GT(extractor, 0);
    EXPECT_NE(getpgid(extractor), getpgid(vtvolx));
    kill(vtvolx, signalNumber);
    int status = 0;
    waitpid(vtvolx, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signalNumber) << signalNumber;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_NE(kill(extractor, 0), 0) << "the extractor outlived vtvolx, signal " << signalNumber;
    kill(extractor, SIGKILL);
    EXPECT_EQ(std::distance(fs::directory_iterator(v.Work("")), {}), 1) << signalNumber;
  }
#endif
}

TEST(VtvolxCrafted, UnsafeNamesAreRefusedAndNothingLeavesTheFolder) {
  VtvolxInstall v;
  fs::create_directory(v.Work("inner"));
  WriteBytes(v.Work("inner/evil.vol"), VolumeBytes({{"../escape.txt", "x"},
                                                    {v.dir.File("abs.txt"), "x"},
                                                    {"sub/dir.txt", "x"},
                                                    {"C:boot.ini", "x"},
                                                    {"bell\x07.txt", "x"},
                                                    {"..", "x"},
                                                    {"CON.txt", "x"},
                                                    {"wild*card?.txt", "x"},
                                                    {"\"quoted\"", "x"},
                                                    {"<in>|out", "x"},
                                                    {"fine.txt", "ok"}}));
  // "-test" refuses what the real run refuses, with its lines and exit code.
  ProgramRun test =
      RunProgram(v.dir.File("vtvolx"), {"evil.vol", "-all", "-test"}, "", v.Work("inner"));
  EXPECT_EQ(std::distance(fs::directory_iterator(v.Work("inner")), {}), 1);
  ProgramRun run = RunProgram(v.dir.File("vtvolx"), {"evil.vol", "-all"}, "", v.Work("inner"));
  EXPECT_EQ(run.exitCode, 1) << run.err;
  EXPECT_EQ(test.exitCode, 1) << test.err;
  auto refusals = [](const std::string& out) {
    std::vector<std::string> lines;
    for (const std::string& line : Lines(out))
      if (line.starts_with("  refused")) lines.push_back(line);
    return lines;
  };
  EXPECT_EQ(refusals(run.out).size(), 10u) << run.out;
  EXPECT_EQ(refusals(test.out), refusals(run.out));
  EXPECT_NE(test.out.find("  -test:  fine.txt\n"), std::string::npos) << test.out;
  for (const std::string& name :
       {std::string("../escape.txt"), v.dir.File("abs.txt"), std::string("sub/dir.txt"),
        std::string("wild*card?.txt"), std::string("\"quoted\""), std::string("<in>|out")}) {
    EXPECT_NE(run.out.find("  refused unsafe name: " + name + "\n"), std::string::npos)
        << name << run.out;
  }
  EXPECT_FALSE(fs::exists(v.Work("escape.txt")));
  EXPECT_FALSE(fs::exists(v.dir.File("abs.txt")));
  EXPECT_EQ(TextOf(ReadBytes(v.Work("inner/fine.txt"))), "ok");
  // The folder holds only the volume and the one safe entry.
  EXPECT_EQ(std::distance(fs::directory_iterator(v.Work("inner")), {}), 2);
}

TEST(VtvolxCrafted, NeverWritesThroughASymbolicLink) {
  VtvolxInstall v;
  WriteText(v.dir.File("target.txt"), "untouched");
  WriteBytes(v.Work("v.vol"), VolumeBytes({{"link.txt", "overwritten"}}));
  VANTOR_SYMLINK_OR_SKIP(v.dir.File("target.txt"), v.Work("link.txt"));
  ProgramRun run = v.Run({"v.vol", "-all"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.out.find("symbolic link"), std::string::npos) << run.out;
  EXPECT_EQ(TextOf(ReadBytes(v.dir.File("target.txt"))), "untouched");
}

TEST(VtvolxCrafted, AnEntryNamedLikeTheVolumeDoesNotReplaceIt) {
  VtvolxInstall v;
  auto volume = VolumeBytes({{"self.vol", "not a volume"}, {"other.txt", "fine"}});
  WriteBytes(v.Work("self.vol"), volume);
  ProgramRun run = v.Run({"self.vol", "-all"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.out.find("  refused, that is the volume itself: self.vol\n"), std::string::npos)
      << run.out;
  EXPECT_EQ(ReadBytes(v.Work("self.vol")), volume);
  EXPECT_EQ(TextOf(ReadBytes(v.Work("other.txt"))), "fine");
}

TEST(VtvolxCrafted, BrokenVolumesEndWithClearMessages) {
  VtvolxInstall v;
  auto good = VolumeBytes({{"a.txt", "abcdef"}, {"b.txt", "ghijkl"}});

  // Cut inside the header: a run-time error that names the volume.
  WriteBytes(v.Work("cut.vol"), std::vector<uint8_t>(good.begin(), good.begin() + 20));
  ProgramRun cut = v.Run({"cut.vol", "-all"});
  EXPECT_EQ(cut.exitCode, 100);
  EXPECT_NE(cut.err.find("cut.vol"), std::string::npos) << cut.err;

  // Cut inside the last entry's data: a bad entry, nothing written for it.
  WriteBytes(v.Work("short.vol"), std::vector<uint8_t>(good.begin(), good.end() - 6));
  ProgramRun shortRun = v.Run({"short.vol", "-all"});
  EXPECT_EQ(shortRun.exitCode, 1) << shortRun.err;
  EXPECT_NE(shortRun.out.find("  bad entry: index record 1 reaches past the end of the volume (its "
                              "data ends at 120, the file at 116), skipped\n"),
            std::string::npos)
      << shortRun.out;
  EXPECT_FALSE(fs::exists(v.Work("b.txt")));

  // A data position past the end: that entry is reported, the next handled.
  auto far = good;
  far[28 + 12 + 8 + 4] = 0xFF;  // first record's data position, now past the end
  WriteBytes(v.Work("far.vol"), far);
  ProgramRun farRun = v.Run({"far.vol", "-all"});
  EXPECT_EQ(farRun.exitCode, 1);
  EXPECT_NE(farRun.out.find("  bad entry: index record 0 points outside the volume, skipped"),
            std::string::npos)
      << farRun.out;
  EXPECT_EQ(TextOf(ReadBytes(v.Work("b.txt"))), "ghijkl");
  // In a listing, the report starts on a line of its own, not after the dots.
  auto farSecond = good;
  farSecond[28 + 12 + 8 + 14 + 4] = 0xFF;  // the second record's data position
  WriteBytes(v.Work("far2.vol"), farSecond);
  ProgramRun farList = v.Run({"far2.vol", "-list", "x"}, "list.txt\n");
  EXPECT_NE(farList.out.find(" to: \n.\n  bad entry: index record 1"), std::string::npos)
      << farList.out;
  // A ".ted" volume still numbers the entries by their place in the index.
  fs::copy_file(v.Work("far.vol"), v.Work("far.ted"));
  EXPECT_EQ(v.Run({"far.ted", "-all"}).exitCode, 1);
  EXPECT_EQ(TextOf(ReadBytes(v.Work("ted00002.dat"))), "ghijkl");

  // A first data block past the end of the file is damage, not a zero line.
  auto beyond = good;
  beyond[4] = 0xF0;  // the "VOL " length
  WriteBytes(v.Work("beyond.vol"), beyond);
  ProgramRun beyondRun = v.Run({"beyond.vol", "-list"}, "list.txt\n");
  EXPECT_EQ(beyondRun.exitCode, 1);
  EXPECT_NE(beyondRun.out.find("broken volume: its first data block at 248 lies past the end of "
                               "the file (122 bytes)\n"),
            std::string::npos)
      << beyondRun.out;

  // No end record: the walk handles every record, then stops with a message.
  auto noEnd = VolumeBytes({{"a.txt", "abcdef"}});
  noEnd[28 + 6 + 8 + 14] = 0;  // the end record's name offset is no longer -1
  WriteBytes(v.Work("noend.vol"), noEnd);
  ProgramRun noEndRun = v.Run({"noend.vol", "-all"});
  EXPECT_EQ(noEndRun.exitCode, 100);
  EXPECT_NE(noEndRun.err.find("has no end record"), std::string::npos) << noEndRun.err;
}

}  // namespace
}  // namespace vantor::testing
