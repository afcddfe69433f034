// Shared helpers of the tests: scratch folders, files of bytes, and running a
// real program with its input from a pipe.
#pragma once

#include <cstdint>
#include <string>
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

// Makes a file whose name starts with "." hidden on Windows too, where an
// attribute hides files.
void MarkHidden(const std::string& path);

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes);
void WriteText(const std::string& path, const std::string& text);
std::vector<uint8_t> ReadBytes(const std::string& path);

struct ProgramRun {
  int exitCode = -1;
  std::string out;
  std::string err;
};

// Runs a program with the given arguments in the given folder, standard input
// fed from `input` through a pipe, and collects what it writes.
ProgramRun RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                      const std::string& input, const std::string& workingDir);

// The lines of a text, without their line feeds.
std::vector<std::string> Lines(const std::string& text);

// Splits the stream-mode output into the screens it holds, without their
// framing lines.
std::vector<std::string> Snapshots(const std::string& output);

}  // namespace vantor::testing
