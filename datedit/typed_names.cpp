#include "typed_names.h"

#include "base/text_format.h"

namespace vantor::datedit {
namespace {

std::string RefusalNote(const std::string& name) {
  return "Refused: " + PrintableName(name) + " holds a control character";
}

}  // namespace

std::string AskForName(Console& con, const std::function<void()>& prompt, size_t maxChars) {
  for (;;) {
    prompt();
    std::string name = con.ReadLine(maxChars);
    if (HasControlByte(name)) {
      con.WriteLine(RefusalNote(name));
    } else if (!name.empty()) {
      return name;
    }
  }
}

bool RefusedForControlByte(Console& con, const std::string& name) {
  if (!HasControlByte(name)) return false;
  con.WriteLine(RefusalNote(name) + "... hit a key");
  con.ReadKey();
  return true;
}

}  // namespace vantor::datedit
