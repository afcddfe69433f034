// Shared helpers of the tests: scratch folders, files of bytes, and running a
// real program with its input from a pipe.
#pragma once

#include <cstdint>
#include <future>
#include <string>
#include <thread>
#include <vector>

namespace vantor::testing {

// A fresh folder under the system's temporary folder, removed with everything
// in it when the object goes.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  const std::string& Path() const { return path_; }
  // Path() + "/" + name
  std::string File(const std::string& name) const;

 private:
  std::string path_;
};

// Makes a symbolic link to a file or folder; false where the system cannot
// (Windows without the privilege, some wine versions).
bool MakeSymlink(const std::string& target, const std::string& link);
#define VANTOR_SYMLINK_OR_SKIP(target, link)              \
  if (!::vantor::testing::MakeSymlink(target, link)) {    \
    GTEST_SKIP() << "symbolic links cannot be made here"; \
  }

// Where the program of that name is found on PATH, as a shell would find it;
// empty when it is not installed. Tests that need an outside program skip
// without it.
std::string ProgramOnPath(const std::string& name);
#define VANTOR_PROGRAM_OR_SKIP(name)                    \
  if (::vantor::testing::ProgramOnPath(name).empty()) { \
    GTEST_SKIP() << name << " is not installed";        \
  }

// Makes a file whose name starts with "." hidden on Windows too, where an
// attribute hides files.
void MarkHidden(const std::string& path);

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes);
void WriteText(const std::string& path, const std::string& text);
std::vector<uint8_t> ReadBytes(const std::string& path);

// The lock on `path` taken by another thread, as another program would hold
// it (a thread's second take of a Windows mutex would not wait), until
// Release or the object goes.
class LockHeldElsewhere {
 public:
  explicit LockHeldElsewhere(const std::string& path);
  ~LockHeldElsewhere() { Release(); }
  LockHeldElsewhere(const LockHeldElsewhere&) = delete;
  LockHeldElsewhere& operator=(const LockHeldElsewhere&) = delete;
  void Release();

 private:
  std::promise<void> release_;
  std::thread holder_;
};

struct ProgramRun {
  int exitCode = -1;
  std::string out;
  std::string err;
};

// A program's name and its arguments as execv and posix_spawn take them:
// `strings` holds the text, `pointers` points into it and ends in a null.
struct ArgumentVector {
  ArgumentVector(const std::string& program, const std::vector<std::string>& arguments);
  ArgumentVector(const ArgumentVector&) = delete;
  ArgumentVector& operator=(const ArgumentVector&) = delete;
  std::vector<std::string> strings;
  std::vector<char*> pointers;
};

// Runs a program with the given arguments in the given folder, standard input
// fed from `input` through a pipe, and collects what it writes.
ProgramRun RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                      const std::string& input, const std::string& workingDir);

// The lines of a text, without their line feeds.
std::vector<std::string> Lines(const std::string& text);

// A Python script that reads a CSV export (argv[1]) with the csv module and
// the JSON export (argv[2]) of the same file with the json module, and checks
// that both hold the same columns and values, argv[3] records of argv[4]
// bytes. `rows` and `doc` are left for lines added after it.
inline constexpr const char* kPythonReadsExports = R"(
import csv, json, sys
rows = list(csv.DictReader(open(sys.argv[1], newline="", encoding="utf-8")))
doc = json.load(open(sys.argv[2], encoding="utf-8"))
assert list(rows[0]) == list(doc["records"][0]), (list(rows[0]), list(doc["records"][0]))
assert len(rows) == len(doc["records"]) == int(sys.argv[3])
assert doc["record_size"] == int(sys.argv[4])
for r, j in zip(rows, doc["records"]):
    assert all(str(j[k]) == r[k] for k in r if not isinstance(j[k], float)), (r, j)
    assert all(float(r[k]) == j[k] for k in r if isinstance(j[k], float)), (r, j)
)";

// `text` with the first `from` replaced by `to`; std::invalid_argument (a
// failed test) when `from` is not there.
std::string ReplacedOnce(std::string text, const std::string& from, const std::string& to);

// Splits the stream-mode output into the screens it holds, without their
// framing lines.
std::vector<std::string> Snapshots(const std::string& output);

}  // namespace vantor::testing
