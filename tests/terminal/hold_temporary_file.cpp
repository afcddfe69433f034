// For terminal_safety.sh: holds a file under its temporary name while the
// screen waits for a key, so that a signal can end it in that state. With
// "file-first" the temporary name is noted before the terminal is taken,
// otherwise after.
//
// Usage: hold_temporary_file <target> [file-first]
#include <optional>
#include <string>

#include "console/screen_console.h"
#include "files/binary_file.h"

int main(int argc, char** argv) {
  using vantor::BinaryFile;
  if (argc < 2) return 2;
  const std::string target = argv[1];
  const bool fileFirst = argc > 2 && std::string(argv[2]) == "file-first";
  std::optional<BinaryFile> file;
  auto hold = [&] {
    file.emplace(BinaryFile::CreateReplacingNamed(target, BinaryFile::Replace::Scratch));
  };
  if (fileFirst) hold();
  auto console = vantor::MakeScreenConsole(vantor::ConsoleOptions{});
  if (!fileFirst) hold();
  console->WriteLine("holding " + file->TemporaryName());
  console->ReadKey();
  console->Finish();
  return 0;
}
