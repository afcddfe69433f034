// Volumes of any content: the header report, the working copies and the
// index walk, listing, selecting with -test, and extracting into a folder of
// its own, from which nothing may escape; and the JSON listing, whose every
// line must be a JSON object.
#include <unistd.h>

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>

#include "base/json_text.h"
#include "base/run_time_error.h"
#include "console/plain_console.h"
#include "entry_names.h"
#include "fuzz_support.h"
#include "vtvolx.h"

namespace {

void RunVtvolx(const std::vector<std::string>& arguments, const std::string& input) {
  using namespace vantor;
  static std::FILE* nowhere = std::fopen("/dev/null", "w");
  std::string typed = input;
  std::FILE* in = fmemopen(typed.data(), typed.size(), "r");
  PlainConsole console(in, nowhere);
  try {
    int exitCode = vtvolx::RunVtvolx(console, arguments);
    fuzzing::Require(exitCode == 0 || exitCode == 1, "a finished run ends with 0 or 1");
  } catch (const RunTimeError&) {
    // A volume cut short is a run-time error with a message.
  }
  std::fclose(in);
}

// A JSON listing line: one flat object whose members are strings, integers,
// true or false, as the listing writes them. A small reader suffices.
class JsonLineCheck {
 public:
  explicit JsonLineCheck(std::string_view line) : text_(line) {}
  bool IsObject() {
    if (!vantor::IsValidUtf8(text_) || !Take('{')) return false;
    do {
      if (!String() || !Take(':') || !Value()) return false;
    } while (Take(','));
    return Take('}') && at_ == text_.size();
  }

 private:
  bool Take(char c) {
    if (at_ >= text_.size() || text_[at_] != c) return false;
    ++at_;
    return true;
  }
  bool String() {
    if (!Take('"')) return false;
    while (at_ < text_.size() && text_[at_] != '"') {
      auto c = static_cast<unsigned char>(text_[at_++]);
      if (c < 0x20) return false;
      if (c == '\\' && !Escape()) return false;
    }
    return Take('"');
  }
  bool Escape() {
    if (at_ >= text_.size()) return false;
    char c = text_[at_++];
    if (c != 'u') return std::string_view("\"\\/bfnrt").find(c) != std::string_view::npos;
    for (int i = 0; i < 4; ++i, ++at_) {
      if (at_ >= text_.size() || !std::isxdigit(static_cast<unsigned char>(text_[at_])))
        return false;
    }
    return true;
  }
  bool Value() {
    if (at_ < text_.size() && text_[at_] == '"') return String();
    for (std::string_view word : {"true", "false"}) {
      if (text_.substr(at_, word.size()) == word) {
        at_ += word.size();
        return true;
      }
    }
    Take('-');
    size_t digits = at_;
    while (at_ < text_.size() && std::isdigit(static_cast<unsigned char>(text_[at_])))
      ++at_;
    return at_ > digits && (text_[digits] != '0' || at_ == digits + 1);
  }

  std::string_view text_;
  size_t at_ = 0;
};

void ListAsJson(const std::string& program, const std::string& volume) {
  using namespace vantor;
  static std::FILE* nowhere = std::fopen("/dev/null", "w");
  char* listing = nullptr;
  size_t size = 0;
  std::FILE* out = open_memstream(&listing, &size);
  PlainConsole console(stdin, out);
  PlainConsole errors(stdin, nowhere);
  try {
    vtvolx::RunVtvolx(console, errors, {program, volume, "--json"});
  } catch (const RunTimeError&) {
    // Lines written before the error must still be whole objects.
  }
  std::fclose(out);
  std::string_view lines(listing, size);
  while (!lines.empty()) {
    size_t end = lines.find('\n');
    fuzzing::Require(end != std::string_view::npos, "every JSON line ends");
    fuzzing::Require(JsonLineCheck(lines.substr(0, end)).IsObject(), "every line is a JSON object");
    lines.remove_prefix(end + 1);
  }
  std::free(listing);
}

// Extracts everything into `folder`, then checks that every file written
// there has a sound name and that nothing appeared beside it.
void ExtractInto(const std::string& program, const std::string& volume, const std::string& folder) {
  namespace fs = std::filesystem;
  fs::create_directory(folder);
  fs::path previous = fs::current_path();
  fs::current_path(folder);
  RunVtvolx({program, volume, "-all"}, "");
  fs::current_path(previous);
  for (const auto& entry : fs::directory_iterator(folder)) {
    std::string name = entry.path().filename().string();
    vantor::fuzzing::Require(!vantor::vtvolx::IsUnsafeEntryName(name), "extracted names are safe");
  }
  static const std::set<std::string> kExpected = {"fuzz.vol", "list.txt", "batch.bat", "voli.dat",
                                                  "vols.dat", "out.vol",  "out"};
  for (const auto& entry : fs::directory_iterator(fs::path(folder).parent_path())) {
    vantor::fuzzing::Require(kExpected.count(entry.path().filename().string()) == 1,
                             "nothing is written outside the extraction folder");
  }
  fs::remove_all(folder);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vantor;
  const std::string& folder = fuzzing::ScratchFolder();
  std::string volume = folder + "/fuzz.vol";
  fuzzing::WriteFile(volume, data, size);
  std::string program = folder + "/vtvolx";
  RunVtvolx({program, volume, "-list"}, folder + "/list.txt\n");
  RunVtvolx({program, volume, "-batch", "a*"}, folder + "/batch.bat\n");
  RunVtvolx({program, volume, "!*.bmp", "-test"}, "");
  ListAsJson(program, volume);
  ExtractInto(program, volume, folder + "/out");
  return 0;
}
