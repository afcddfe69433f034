#include "main_screen.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <future>
#include <sstream>

#include "base/run_time_error.h"
#include "landmark_record.h"
#include "landmark_view.h"
#include "lmedit/lmedit_fixtures.h"
#include "os/file_lock.h"
#include "os/platform.h"

namespace vantor::lmedit {
namespace {

using testing::AsRecord;
using testing::KnownLandmark;
using testing::Landmark;
using testing::Lines;
using testing::RecordBytes;

std::vector<uint8_t> Record(const std::vector<uint8_t>& file, int n) {
  return testing::Slice(file, 100 + (n - 1) * 63, 63);
}

// Two landmark files of ten records in a scratch folder that is the current
// folder, so that their short names fit the screen's rows: o.mrf starts with
// the known landmark, then landmarks 2 to 10; t.mrf holds landmarks 21 to 30.
// Whether another program could take the lock on `name` now, without waiting.
bool LockIsFree(const std::string& name) {
  struct Held {};
  try {
    FileLock probe(name, [] { throw Held{}; });
    return true;
  } catch (const Held&) {
    return false;
  }
}

class MainScreenTest : public ::testing::Test {
 protected:
  MainScreenTest() : previous(std::filesystem::current_path()) {
    std::filesystem::current_path(dir.Path());
    std::vector<uint8_t> records = RecordBytes(KnownLandmark());
    for (int r = 2; r <= 10; ++r) {
      auto bytes = RecordBytes(testing::NumberedLandmark(r));
      records.insert(records.end(), bytes.begin(), bytes.end());
    }
    outputBytes = testing::LandmarkFileBytes(10, records);
    records.clear();
    for (int r = 21; r <= 30; ++r) {
      auto bytes = RecordBytes(testing::NumberedLandmark(r));
      records.insert(records.end(), bytes.begin(), bytes.end());
    }
    templateBytes = testing::LandmarkFileBytes(10, records);
    testing::WriteBytes("t.mrf", templateBytes);
    testing::WriteBytes("o.mrf", outputBytes);
  }
  ~MainScreenTest() override { std::filesystem::current_path(previous); }

  // Start-up with both names given, then the keys queued so far and these, then "E".
  void Run(const std::string& keys) {
    s.TemplateName = "t.mrf";
    s.OutputName = "o.mrf";
    StartSession(s);
    h.console.Keys(keys + "E");
    MainLoop(s);
    EXPECT_TRUE(h.console.Script().AllKeysTaken());
  }
  std::vector<uint8_t> Output() const { return testing::ReadBytes("o.mrf"); }
  std::vector<uint8_t> Template() const { return testing::ReadBytes("t.mrf"); }
  std::vector<std::string> Snapshot(size_t i) {
    return Lines(h.console.Script().Snapshots().at(i));
  }
  // The output record's seven lines, rows 5 to 11, and the template's, 13 to 19.
  std::vector<std::string> OutputLines() const { return Rows(5); }
  std::vector<std::string> TemplateLines() const { return Rows(13); }
  std::vector<std::string> Rows(int first) const {
    std::vector<std::string> rows;
    for (int r = first; r < first + 7; ++r)
      rows.push_back(h.Row(r));
    return rows;
  }
  std::vector<std::string> LinesOf(const Landmark& l) {
    testing::LmeditHarness other;
    ShowLandmark(other.console, AsRecord(l));
    std::vector<std::string> rows;
    for (int r = 1; r <= 7; ++r)
      rows.push_back(other.Row(r));
    return rows;
  }

  std::filesystem::path previous;
  testing::ScratchDir dir;
  testing::LmeditHarness h;
  LmeditState& s = h.state;
  std::vector<uint8_t> outputBytes;
  std::vector<uint8_t> templateBytes;
};

TEST_F(MainScreenTest, ShowsBothRecordsAndTheCommands) {
  Run("");
  auto rows = Snapshot(0);
  ASSERT_EQ(rows.size(), 22u);
  EXPECT_EQ(rows[0], "Date:   04/11/17 Time:    10:42am # records :   10 Record size:    63");
  EXPECT_EQ(rows[1], "");
  EXPECT_EQ(rows[2], "");
  EXPECT_EQ(rows[3], " Rec#    1__________ Out put file o.mrf content: __________");
  std::vector<std::string> expected = {
      "1  N co-ord   -12.50000",
      "2  E co-ord  123456.75000",
      "3  Elevation    3.25000",
      "4  Rotation    90.00000",
      "5  Lo file ID07AB01     town Allied",
      "6  Lmrk Name " + std::string(34, ' ') + "Tarrow",
      "7  LM ID        4660",
  };
  EXPECT_EQ(std::vector<std::string>(rows.begin() + 4, rows.begin() + 11), expected);
  EXPECT_EQ(rows[11], "Rec#    1______ Template file t.mrf (readonly)_________");
  EXPECT_EQ(std::vector<std::string>(rows.begin() + 12, rows.begin() + 19),
            LinesOf(testing::NumberedLandmark(21)));
  EXPECT_EQ(rows[19], "B=back F=forward  Z=blank A=activate M=modify J=jump to rec#");
  EXPECT_EQ(rows[20], "C=Copy template record c=copy output record N=new record R=save range");
  EXPECT_EQ(rows[21], "O= Open new session Y=sYnc source file L=list data to text file  E=end...");
  EXPECT_TRUE(s.Quit);
  EXPECT_EQ(s.CurrentRecord, 1);
  EXPECT_EQ(Output(), outputBytes);
  EXPECT_EQ(Template(), templateBytes);
}

TEST_F(MainScreenTest, PagingStopsAtBothEnds) {
  Run("B");
  EXPECT_EQ(h.Row(4), " Rec#    1__________ Out put file o.mrf content: __________");
  Run("fFFb");
  EXPECT_EQ(h.Row(4), " Rec#    3__________ Out put file o.mrf content: __________");
  EXPECT_EQ(OutputLines(), LinesOf(testing::NumberedLandmark(3)));
  EXPECT_EQ(TemplateLines(), LinesOf(testing::NumberedLandmark(23)));
  Run(std::string(12, 'F'));
  EXPECT_EQ(h.Row(12), "Rec#   10______ Template file t.mrf (readonly)_________");
  EXPECT_EQ(TemplateLines(), LinesOf(testing::NumberedLandmark(30)));
}

TEST_F(MainScreenTest, BlankActivateAndSyncWriteAtOnce) {
  Run("FZ");
  EXPECT_EQ(OutputLines(), LinesOf(Landmark{}));
  auto output = Output();
  EXPECT_EQ(Record(output, 2), std::vector<uint8_t>(63, 0));
  EXPECT_EQ(Record(output, 3), Record(outputBytes, 3));

  Run("FFA");
  EXPECT_EQ(OutputLines(), TemplateLines());
  EXPECT_EQ(Record(Output(), 3), Record(templateBytes, 3));

  // The template takes the output's record, although the screen calls it readonly.
  Run("Y");
  EXPECT_EQ(TemplateLines(), LinesOf(KnownLandmark()));
  EXPECT_EQ(Record(Template(), 1), RecordBytes(KnownLandmark()));
  EXPECT_EQ(Record(Template(), 2), Record(templateBytes, 2));
}

TEST_F(MainScreenTest, InPlaceWritesAreOneRecordWhateverTheRecordSizeSays) {
  // A header that claims 100-byte records must not have a blank spill into
  // the next record.
  testing::WriteBytes("o.mrf", testing::LandmarkFileBytes(10, testing::NumberedRecords(10), 100));
  testing::WriteBytes("t.mrf", testing::LandmarkFileBytes(10, testing::NumberedRecords(10), 100));
  Run("FZ");
  auto output = Output();
  EXPECT_EQ(output.size(), 100u + 630u);
  EXPECT_EQ(Record(output, 2), std::vector<uint8_t>(63, 0));
  EXPECT_EQ(Record(output, 3), RecordBytes(testing::NumberedLandmark(3)));
}

TEST_F(MainScreenTest, CopiesArePastedInTheEditor) {
  // A fresh start pastes a blank record.
  Run("MPS ");
  EXPECT_EQ(Record(Output(), 1), std::vector<uint8_t>(63, 0));
  // "C" copies the template's record.
  Run("FCMPS ");
  EXPECT_EQ(Record(Output(), 2), Record(templateBytes, 2));
  // "c" copies the output's record as it was when copied.
  Run("FFcFMpS ");
  EXPECT_EQ(Record(Output(), 4), Record(outputBytes, 3));
}

TEST_F(MainScreenTest, LowerCaseCommandLettersOnlyRedraw) {
  Run("zaynomlr");
  EXPECT_EQ(Output(), outputBytes);
  EXPECT_EQ(Template(), templateBytes);
  const auto& shots = h.console.Script().Snapshots();
  ASSERT_EQ(shots.size(), 9u);
  for (const auto& shot : shots)
    EXPECT_EQ(shot, shots[0]);
}

TEST_F(MainScreenTest, NewRecordGrowsBothFiles) {
  Run("N");
  auto output = Output();
  auto templ = Template();
  ASSERT_EQ(output.size(), outputBytes.size() + 63);
  ASSERT_EQ(templ.size(), templateBytes.size() + 63);
  for (const auto* file : {&output, &templ}) {
    EXPECT_EQ((*file)[20], 11);
    EXPECT_EQ((*file)[21], 0);
    EXPECT_TRUE(std::equal(file->begin(), file->begin() + 20, templateBytes.begin()));
    EXPECT_TRUE(
        std::all_of(file->begin() + 26, file->begin() + 100, [](uint8_t b) { return b == 0; }));
    EXPECT_EQ(Record(*file, 11), std::vector<uint8_t>(63, 0));
  }
  EXPECT_EQ(Record(output, 10), Record(outputBytes, 10));
  EXPECT_EQ(h.Row(1), "Date:   04/11/17 Time:    10:42am # records :   11 Record size:    63");
  EXPECT_EQ(h.Row(4), " Rec#   11__________ Out put file o.mrf content: __________");
  EXPECT_EQ(OutputLines(), LinesOf(Landmark{}));
  EXPECT_EQ(TemplateLines(), LinesOf(Landmark{}));
}

TEST_F(MainScreenTest, FailedAppendIsReportedAndTheCountKept) {
  s.TemplateName = "t.mrf";
  s.OutputName = "o.mrf";
  StartSession(s);
  // An output file that cannot be written to.
  s.OutputFile = RecordFile::Open("o.mrf", BinaryFile::Access::ReadOnly);
  h.console.Keys("N").Keys(" ").Keys("E");
  MainLoop(s);
  EXPECT_EQ(RecordCount(s.Header), 10);
  EXPECT_EQ(Output(), outputBytes);
  EXPECT_EQ(Template()[20], 10);
  auto rows = Snapshot(1);
  EXPECT_EQ(rows[22].rfind("could not append a record: cannot write \"o.mrf\"", 0), 0u) << rows[22];
}

TEST_F(MainScreenTest, NoRecordIsAddedPast65535) {
  templateBytes[20] = templateBytes[21] = 0xFF;
  testing::WriteBytes("t.mrf", templateBytes);
  Run("N ");
  EXPECT_EQ(Output(), outputBytes);
  EXPECT_EQ(Template(), templateBytes);
  EXPECT_EQ(Snapshot(1)[22], "The files hold 65535 records, no more can be added... press a key");
}

TEST_F(MainScreenTest, JumpAsksUntilTheRecordExists) {
  h.console.Keys("J").Line("600").Line("0").Line("7");
  Run("");
  EXPECT_EQ(h.Row(4), " Rec#    7__________ Out put file o.mrf content: __________");
  EXPECT_EQ(TemplateLines(), LinesOf(testing::NumberedLandmark(27)));
  std::string transcript(h.console.Transcript());
  EXPECT_NE(transcript.find("E=end... \nMax rec number = :10Enter rec# to go to: (-1 ends) 600\n"
                            "Record does not exist... maximum is :10 for this file..."
                            "Max rec number = :10Enter rec# to go to: (-1 ends) 0\n"
                            "Record does not exist... valid are 1 to 10 for this file..."
                            "Max rec number = :10Enter rec# to go to: (-1 ends) 7\n"),
            std::string::npos);
}

TEST_F(MainScreenTest, JumpToMinusOneEnds) {
  s.TemplateName = "t.mrf";
  s.OutputName = "o.mrf";
  StartSession(s);
  h.console.Keys("j").Line("-1");
  MainLoop(s);
  EXPECT_TRUE(s.Quit);
  EXPECT_EQ(s.CurrentRecord, -1);
  EXPECT_TRUE(h.console.Script().AllKeysTaken());
}

TEST_F(MainScreenTest, NewSessionWithNewNames) {
  testing::WriteBytes("t2.mrf", testing::NumberedFile(4));
  h.console.Keys("FFCOYn ").Line("t2.mrf").Line("o2.mrf").Keys(" ");
  Run("");
  std::string transcript(h.console.Transcript());
  EXPECT_NE(
      transcript.find("E=end... Are you sure you want to close the current files and start "
                      "a new session??\nDo you want to reopen the current files ???\n"
                      "closed files... press a key\n"
                      "LMEDIT, a simple landmark editor for Vantor\n"
                      "No mouse, no cursor keys, just plain old typing :) \n\n"
                      "Name of template landmark file is (e.g: lndmrks?.mrf) ? = 0/1/2/3 or 4\n"
                      "type the input file name: t2.mrf\n"
                      "Name of output landmark file:o2.mrf\n100\n"),
      std::string::npos);
  EXPECT_EQ(testing::ReadBytes("o2.mrf").size(), 100u + 4 * 63);
  EXPECT_EQ(s.PasteBuffer, s.BlankRecord);
  EXPECT_EQ(h.Row(1), "Date:   04/11/17 Time:    10:42am # records :    4 Record size:    63");
  EXPECT_EQ(h.Row(4), " Rec#    1__________ Out put file o2.mrf content: __________");
}

TEST_F(MainScreenTest, NewSessionReopeningTheSameFiles) {
  h.console.Keys("FFCOyY ");
  Run("");
  EXPECT_EQ(h.Row(4), " Rec#    1__________ Out put file o.mrf content: __________");
  EXPECT_EQ(OutputLines(), LinesOf(KnownLandmark()));
  EXPECT_EQ(s.PasteBuffer, s.BlankRecord);
  std::string transcript(h.console.Transcript());
  EXPECT_EQ(transcript.find("type the input file name"), std::string::npos);
}

TEST_F(MainScreenTest, NewSessionNotWanted) {
  h.console.Keys("FCOn ");
  Run("");
  EXPECT_EQ(h.Row(4), " Rec#    2__________ Out put file o.mrf content: __________");
  EXPECT_EQ(s.PasteBuffer, AsRecord(testing::NumberedLandmark(22)));
  EXPECT_NE(std::string(h.console.Transcript())
                .find("Files not closed, you can continue where you left off.... press a key\n"),
            std::string::npos);
}

TEST_F(MainScreenTest, StartUpAsksForMissingAndUnusableNames) {
  h.console.Line("").Line("nothere.mrf").Line("t.mrf").Line("").Line("t.mrf").Line("o.mrf");
  StartSession(s);
  EXPECT_EQ(h.console.Screen().Text(),
            "LMEDIT, a simple landmark editor for Vantor\n"
            "No mouse, no cursor keys, just plain old typing :)\n"
            "\n"
            "Name of template landmark file is (e.g: lndmrks?.mrf) ? = 0/1/2/3 or 4\n"
            "type the input file name:\n"
            "cannot be empty....type the input file name: nothere.mrf\n"
            "Name of template landmark file is (e.g: lndmrks?.mrf) ? = 0/1/2/3 or 4\n"
            "That was no good, try again... type the input file name: t.mrf\n"
            "Name of output landmark file:\n"
            "cannot be empty....Name of output landmark file:t.mrf\n"
            "Not the template file, try again... Name of output landmark file:o.mrf\n");
  EXPECT_EQ(s.CurrentRecord, 1);
  EXPECT_EQ(RecordCount(s.Header), 10);
  EXPECT_EQ(Output(), outputBytes);
}

TEST_F(MainScreenTest, StartUpCreatesAMissingOutputFile) {
  testing::WriteBytes("t3.mrf", testing::NumberedFile(3));
  s.TemplateName = "t3.mrf";
  s.OutputName = "new.mrf";
  h.console.Keys(" E");
  StartSession(s);
  MainLoop(s);
  auto rows = Snapshot(0);
  ASSERT_GE(rows.size(), 9u);
  EXPECT_EQ(std::vector<std::string>(rows.begin() + 3, rows.end()),
            (std::vector<std::string>{
                "Name of template landmark file is (e.g: lndmrks?.mrf) ? = 0/1/2/3 or 4", "100",
                "creating blankfile new.mrf", "   1       163", "   2       226", "   3       289",
                "No file new.mrf existed, blank file created... press a key"}));
  auto created = testing::ReadBytes("new.mrf");
  EXPECT_EQ(created.size(), 289u);
  EXPECT_EQ(OutputLines(), LinesOf(Landmark{}));
}

// What another program does to the files while lmedit waits.
void PutRecord(const std::string& path, int n, const Landmark& l) {
  auto bytes = testing::ReadBytes(path);
  auto record = RecordBytes(l);
  std::copy(record.begin(), record.end(), bytes.begin() + 100 + (n - 1) * 63);
  testing::WriteBytes(path, bytes);
}

TEST_F(MainScreenTest, EveryCommandTakesTheRecordsAsTheyAreOnDiskNow) {
  const Landmark changed = testing::NumberedLandmark(77);
  Landmark known999 = KnownLandmark();
  known999.id = 999;
  Landmark merged = changed;
  merged.id = 999;
  struct Case {
    const char* what;
    std::string keys;
    const char* changedFile;  // record 1 becomes `changed`
    size_t atWait;            // while lmedit waits at this screen
    const char* checkedFile;  // whose record `checkedRecord`...
    int checkedRecord;
    Landmark expected;  // ...is then this
  };
  const Case cases[] = {
      {"A takes the template's record", "AE", "t.mrf", 0, "o.mrf", 1, changed},
      {"Y takes the output's record", "YE", "o.mrf", 0, "t.mrf", 1, changed},
      {"C copies the template's record", "CMPS E", "t.mrf", 0, "o.mrf", 1, changed},
      {"c copies the output's record", "cFMPS E", "o.mrf", 0, "o.mrf", 2, changed},
      // The LM ID is typed while the other program changes the record: the
      // save keeps what it changed in the other fields.
      {"S merges", "M7999\rS E", "o.mrf", 2, "o.mrf", 1, merged},
      {"S after an edit of the LM ID alone", "M7999\rS E", "o.mrf", 0, "o.mrf", 1, merged},
      {"S without changes outside", "M7999\rS E", "t.mrf", 5, "o.mrf", 1, known999},
  };
  for (const Case& c : cases) {
    testing::WriteBytes("t.mrf", templateBytes);
    testing::WriteBytes("o.mrf", outputBytes);
    testing::InterleavedLmedit lm;
    lm.backend->onWait = [&](WaitKind, size_t shown) {
      if (shown == c.atWait) PutRecord(c.changedFile, 1, changed);
    };
    lm.Run(c.keys);
    EXPECT_TRUE(lm.backend->AllKeysTaken()) << c.what;
    EXPECT_EQ(Record(testing::ReadBytes(c.checkedFile), c.checkedRecord), RecordBytes(c.expected))
        << c.what;
  }
}

TEST_F(MainScreenTest, TheScreenShowsARecordChangedWhileItWaited) {
  testing::InterleavedLmedit lm;
  lm.backend->onWait = [&](WaitKind, size_t shown) {
    if (shown == 0) PutRecord("o.mrf", 1, testing::NumberedLandmark(77));
  };
  lm.Run("xE");
  EXPECT_EQ(Lines(lm.backend->Snapshots().at(1))[4], "1  N co-ord   770.00000");
}

// Another program puts a new file under a name while lmedit waits: the
// command writes nothing, and the next main screen says so on row 2 and shows
// the record as the new file holds it.
TEST_F(MainScreenTest, ACommandWritesNothingIntoANewFileUnderTheName) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows puts no new file under a name that a program holds open";
#endif
  struct Case {
    std::string keys;
    const char* replaced;
    size_t atWait;     // replaced while lmedit waits at this screen
    size_t noteShot;   // the main screen after the command
    size_t recordRow;  // the row of that file's N co-ord
  };
  const Case cases[] = {
      {"ZE", "o.mrf", 0, 1, 4},         {"AE", "o.mrf", 0, 1, 4}, {"AE", "t.mrf", 0, 1, 12},
      {"YE", "t.mrf", 0, 1, 12},        {"NE", "o.mrf", 0, 1, 4}, {"NE", "t.mrf", 0, 1, 12},
      {"M7999\rS E", "o.mrf", 2, 4, 4},
  };
  const auto newFile = testing::NumberedFile(10);
  for (const Case& c : cases) {
    testing::WriteBytes("t.mrf", templateBytes);
    testing::WriteBytes("o.mrf", outputBytes);
    testing::InterleavedLmedit lm;
    lm.backend->onWait = [&](WaitKind, size_t shown) {
      if (shown != c.atWait) return;
      testing::WriteBytes("new.mrf", newFile);
      std::filesystem::rename("new.mrf", c.replaced);
    };
    lm.Run(c.keys);
    EXPECT_TRUE(lm.backend->AllKeysTaken()) << c.keys;
    EXPECT_EQ(testing::ReadBytes(c.replaced), newFile) << c.keys << c.replaced;
    auto rows = Lines(lm.backend->Snapshots().at(c.noteShot));
    EXPECT_EQ(rows.at(1),
              std::string(c.replaced) + " was changed by another program; nothing written")
        << c.keys << c.replaced;
    EXPECT_EQ(rows.at(c.recordRow), "1  N co-ord    10.00000") << c.keys << c.replaced;
  }
}

TEST_F(MainScreenTest, WritesWaitForAnotherProgramsLockAndCountAfterIt) {
  struct Case {
    std::string keys;
    const char* locked;   // held by another program when the command starts
    const char* written;  // the file the command writes
  };
  const Case cases[] = {
      {"ZE", "o.mrf", "o.mrf"},       {"AE", "o.mrf", "o.mrf"}, {"YE", "t.mrf", "t.mrf"},
      {"M11\rS E", "o.mrf", "o.mrf"}, {"NE", "t.mrf", "t.mrf"}, {"NE", "o.mrf", "o.mrf"},
  };
  for (const Case& c : cases) {
    testing::WriteBytes("t.mrf", templateBytes);
    testing::WriteBytes("o.mrf", outputBytes);
    testing::InterleavedLmedit lm;
    testing::LockHeldElsewhere held(c.locked);
    std::vector<uint8_t> whileWaiting;
    std::string waitingRow;
    lm.backend->onWait = [&](WaitKind wait, size_t shown) {
      if (wait != WaitKind::Busy) return;
      whileWaiting = testing::ReadBytes(c.written);
      waitingRow = lm.console->Screen().RowText(lm.console->WhereY());
      // The other program appends a record to both files, then lets go.
      if (c.keys[0] == 'N') {
        for (const char* name : {"t.mrf", "o.mrf"}) {
          auto grown = testing::NumberedFile(11);
          testing::WriteBytes(name, grown);
        }
      }
      held.Release();
      (void)shown;
    };
    lm.Run(c.keys);
    EXPECT_EQ(waitingRow,
              std::string("waiting for another program to finish with ") + c.locked + "...")
        << c.keys;
    EXPECT_EQ(whileWaiting, c.locked[0] == 't' ? templateBytes : outputBytes) << c.keys;
    if (c.keys[0] == 'N') {
      // Appended as record 12 of both files, after the other program's 11.
      for (const char* name : {"t.mrf", "o.mrf"}) {
        auto bytes = testing::ReadBytes(name);
        ASSERT_EQ(bytes.size(), 100u + 12 * 63) << name;
        EXPECT_EQ(bytes[20], 12) << name;
        EXPECT_EQ(Record(bytes, 11), Record(testing::NumberedFile(11), 11)) << name;
      }
      EXPECT_EQ(lm.state->CurrentRecord, 12);
    } else {
      EXPECT_NE(testing::ReadBytes(c.written), whileWaiting) << c.keys;
    }
  }
}

// An append takes both locks in the order of the files on the disk, whichever
// is the template: a run waiting for the first lock holds nothing, so two
// runs that have each other's template as output cannot wait for each other.
TEST_F(MainScreenTest, AppendLocksBothFilesInOneOrderWhicheverIsTheTemplate) {
  auto place = [](const char* name) {
    FileIdentity file = IdentityOf(name).value();
    return std::pair(file.device, file.inode);
  };
  const bool tFirst = place("t.mrf") <= place("o.mrf");
  const std::string first = tFirst ? "t.mrf" : "o.mrf";
  const std::string second = tFirst ? "o.mrf" : "t.mrf";
  for (const auto& [templateName, outputName] : {std::pair("t.mrf", "o.mrf"), {"o.mrf", "t.mrf"}}) {
    testing::WriteBytes("t.mrf", templateBytes);
    testing::WriteBytes("o.mrf", outputBytes);
    testing::InterleavedLmedit lm;
    testing::LockHeldElsewhere held(first);
    std::string waitingRow;
    // Another run that holds the first file takes the second next.
    std::future<void> otherRun;
    bool secondFree = false;
    lm.backend->onWait = [&](WaitKind wait, size_t) {
      if (wait != WaitKind::Busy || otherRun.valid()) return;
      waitingRow = lm.console->Screen().RowText(lm.console->WhereY());
      otherRun = std::async(std::launch::async, [&] { FileLock lock(second, [] {}); });
      secondFree = otherRun.wait_for(std::chrono::seconds(2)) == std::future_status::ready;
      held.Release();
    };
    lm.Run("NE", templateName, outputName);
    otherRun.wait();
    EXPECT_EQ(waitingRow, "waiting for another program to finish with " + first + "...")
        << templateName;
    EXPECT_TRUE(secondFree) << "template " << templateName;
    EXPECT_EQ(lm.state->CurrentRecord, 11) << templateName;
  }
}

// Ctrl+C while a command waits for another program's lock ends lmedit with
// 255 at once: nothing is written, and a lock already taken is given back.
TEST_F(MainScreenTest, CtrlCEndsAWaitForALockAndWritesNothing) {
  auto identity = [](const char* name) {
    FileIdentity file = IdentityOf(name).value();
    return std::pair(file.device, file.inode);
  };
  for (const char* keys : {"Z\x03", "N\x03"}) {
    testing::WriteBytes("t.mrf", templateBytes);
    testing::WriteBytes("o.mrf", outputBytes);
    // Z waits for the output's lock, N for the second of the two it takes:
    // the one of the file with the higher identity.
    const bool templateFirst = identity("t.mrf") <= identity("o.mrf");
    const char* locked = keys[0] == 'Z' || templateFirst ? "o.mrf" : "t.mrf";
    testing::InterleavedLmedit lm;
    testing::LockHeldElsewhere held(locked);
    try {
      lm.Run(keys);
      ADD_FAILURE() << keys << ": lmedit did not end";
    } catch (const ProgramEnd& end) {
      EXPECT_EQ(end.exitCode, 255) << keys;
    }
    EXPECT_EQ(testing::ReadBytes("t.mrf"), templateBytes) << keys;
    EXPECT_EQ(testing::ReadBytes("o.mrf"), outputBytes) << keys;
    EXPECT_TRUE(LockIsFree(locked[0] == 't' ? "o.mrf" : "t.mrf")) << keys;
  }
}

TEST_F(MainScreenTest, NewRecordIsRefusedWhenAFileHoldsOtherThanTheCount) {
  struct Case {
    const char* file;
    std::vector<uint8_t> bytes;
  };
  const Case cases[] = {
      {"o.mrf", testing::LandmarkFileBytes(10, testing::NumberedRecords(12))},
      {"t.mrf", testing::LandmarkFileBytes(10, testing::NumberedRecords(11))},
      {"o.mrf", testing::Slice(outputBytes, 0, outputBytes.size() - 1)},
  };
  for (const Case& c : cases) {
    testing::WriteBytes("t.mrf", templateBytes);
    testing::WriteBytes("o.mrf", outputBytes);
    testing::WriteBytes(c.file, c.bytes);
    testing::InterleavedLmedit other;
    // Another run must not wait for the key that takes the message away.
    bool locksFree = false;
    other.backend->onWait = [&](WaitKind, size_t shown) {
      if (shown == 1) locksFree = LockIsFree("t.mrf") && LockIsFree("o.mrf");
    };
    other.Run("N E");
    EXPECT_EQ(Lines(other.backend->Snapshots().at(1))[22],
              std::string("No record added: ") + c.file +
                  " does not hold exactly 10 records... "
                  "press a key");
    EXPECT_TRUE(locksFree) << c.file;
    EXPECT_EQ(testing::ReadBytes(c.file), c.bytes);
    EXPECT_EQ(testing::ReadBytes(c.file[0] == 't' ? "o.mrf" : "t.mrf"),
              c.file[0] == 't' ? outputBytes : templateBytes);
  }
}

TEST_F(MainScreenTest, TypedNamesWithControlBytesAreRefused) {
  const std::string bad("t.mrf\0junk", 10);
  const std::string shown = "t.mrf\\x00junk";
  struct Case {
    const char* prompt;
    std::function<void(ScriptedConsole&)> script;
    std::string expected;  // in the transcript
  };
  const Case cases[] = {
      {"template", [&](ScriptedConsole& c) { c.Line(bad).Line("t.mrf").Line("o.mrf").Keys("E"); },
       "\"" + shown +
           "\" holds a control character, try again... type the input file name: t.mrf\n"},
      {"output", [&](ScriptedConsole& c) { c.Line("t.mrf").Line("\x1b").Line("o.mrf").Keys("E"); },
       "\"\\x1B\" holds a control character, try again... Name of output landmark file:o.mrf\n"},
      {"list",
       [&](ScriptedConsole& c) {
         c.Line("t.mrf").Line("o.mrf").Keys("L1").Line(bad).Line("tgt.txt");
         c.Line("list.txt").Line("tgt.txt").Keys(" E");
       },
       "\n\"" + shown + "\" holds a control character, try again... \nName of output file ? :"},
      {"target list",
       [&](ScriptedConsole& c) {
         c.Line("t.mrf").Line("o.mrf").Keys("L1").Line("list.txt").Line("\x1b");
         c.Line("list.txt").Line("tgt.txt").Keys(" E");
       },
       "\n\"\\x1B\" holds a control character, try again... \nName of output file ? :"},
  };
  for (const Case& c : cases) {
    testing::LmeditHarness other;
    c.script(other.console);
    RunLmedit(other.state, other.options);
    EXPECT_NE(std::string(other.console.Transcript()).find(c.expected), std::string::npos)
        << c.prompt << "\n"
        << other.console.Transcript();
    EXPECT_TRUE(other.console.Script().AllKeysTaken()) << c.prompt;
  }
  // The range file's name is one that cannot be created.
  testing::LmeditHarness range;
  range.console.Line("t.mrf").Line("o.mrf").Keys("R").Line(bad);
  try {
    RunLmedit(range.state, range.options);
    ADD_FAILURE() << "no error";
  } catch (const RunTimeError& error) {
    EXPECT_EQ(error.Code(), ErrorCode::AccessDenied);
    EXPECT_EQ(std::string(error.what()), "cannot create \"" + shown + "\": Invalid argument");
  }
  EXPECT_EQ(Template(), templateBytes);
}

TEST(RunLmedit, TitlesTheWindowWithTheProgramsPath) {
  // An absolute name as the platform writes it, which the title keeps as it is.
#ifdef _WIN32
  const std::string root = "C:\\";
#else
  const std::string root = "/";
#endif
  const std::string sep(kPathSeparator);
  const std::string program = root + "opt" + sep + "vantor" + sep + "lmedit";
  testing::LmeditHarness h({program});
  EXPECT_THROW(RunLmedit(h.state, h.options), RunTimeError);  // no keys for the name prompt
  h.console.Finish();
  EXPECT_EQ(h.console.Script().Titles(),
            (std::vector<std::string>{program, "(Inactive " + program + ")"}));
  EXPECT_EQ(WindowTitle(root + std::string(100, 'd') + sep + "lmedit"),
            root + std::string(80 - root.size(), 'd'));
}

TEST(RunLmedit, TheWindowTakesAtMost126TypedCharacters) {
  ScriptedConsole con(LmeditWindowOptions());
  con.Line(std::string(130, 'z'));
  EXPECT_EQ(con.ReadLine(255).size(), 126u);
}

}  // namespace
}  // namespace vantor::lmedit
