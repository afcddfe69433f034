#include "textform/json_reader.h"

#include "base/cp437.h"
#include "base/json_text.h"

namespace vantor {
namespace {

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// What ends a run of a string's characters that are taken as they are.
bool EndsRun(char c) {
  return c == '"' || c == '\\' || static_cast<unsigned char>(c) < 0x20;
}

bool IsContinuationByte(char c) {
  return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// The bytes of `run` that end before its last character begins, which may
// go on in the next piece.
size_t CompleteCharacters(std::string_view run) {
  size_t cut = run.size();
  while (cut > 0 && run.size() - cut < 3 && IsContinuationByte(run[cut - 1]))
    --cut;
  return cut > 0 ? cut - 1 : 0;
}

// A long run of a string that is not kept is checked a part at a time.
constexpr size_t kCheckedRun = 1 << 12;

}  // namespace

const JsonValue* JsonValue::Member(std::string_view name) const {
  for (const auto& [key, value] : members) {
    if (key == name) return &value;
  }
  return nullptr;
}

JsonReader::JsonReader(TextStream& in, size_t maxText, int maxDepth)
    : in_(in), maxText_(maxText), maxDepth_(maxDepth) {}

void JsonReader::Fail(const std::string& what) const {
  throw TextFormError(what, in_.Place());
}

void JsonReader::FailAt(const std::string& what, TextPlace place) const {
  throw TextFormError(what, place);
}

void JsonReader::Expect(char c, const char* what) {
  if (!NextIs(c)) Fail(what);
  in_.Take();
}

bool JsonReader::NextIs(char c) {
  return !in_.AtEnd() && in_.Peek() == c;
}

void JsonReader::SkipBlanks() {
  while (!in_.AtEnd() && IsBlank(in_.Peek()))
    in_.Take();
}

void JsonReader::End() {
  SkipBlanks();
  if (!in_.AtEnd()) Fail("text after the JSON value");
}

void JsonReader::CheckDepth(int depth) const {
  if (depth > maxDepth_) Fail("arrays and objects nested deeper than " + std::to_string(maxDepth_));
}

void JsonReader::Open(int depth) {
  CheckDepth(depth + 1);
  in_.Take();
}

bool JsonReader::NextOf(bool& first, char close, const char* expected) {
  SkipBlanks();
  if (first) {
    first = false;
    if (NextIs(close)) {
      in_.Take();
      return false;
    }
    return true;
  }
  if (!NextIs(',')) {
    Expect(close, expected);
    return false;
  }
  in_.Take();
  SkipBlanks();
  return true;
}

bool JsonReader::NextItem(bool& first) {
  return NextOf(first, ']', "expected \",\" or \"]\"");
}

void JsonReader::NameGivenTwice(const std::string& name, TextPlace place) const {
  FailAt("the member name " + JsonString(name) + " is given twice", place);
}

bool JsonReader::NextMember(bool& first, std::unordered_set<std::string>* names, std::string& name,
                            TextPlace& namePlace) {
  if (!NextOf(first, '}', "expected \",\" or \"}\"")) return false;
  if (!NextIs('"')) Fail("expected a member name in quotes");
  namePlace = in_.Place();
  name.clear();
  String(&name);
  // Looked up, not searched: an object may have a million members.
  if (names != nullptr && !names->insert(name).second) NameGivenTwice(name, namePlace);
  SkipBlanks();
  Expect(':', "expected \":\" after a member name");
  SkipBlanks();
  return true;
}

JsonValue JsonReader::Value(int depth) {
  if (in_.AtEnd()) Fail("the text ends where a value was expected");
  JsonValue value;
  value.place = in_.Place();
  bool first = true;
  switch (in_.Peek()) {
    case '{': {
      Open(depth);
      value.kind = JsonValue::Kind::Object;
      std::unordered_set<std::string> names;
      std::string name;
      TextPlace namePlace;
      while (NextMember(first, &names, name, namePlace)) {
        JsonValue member = Value(depth + 1);
        value.members.push_back({std::move(name), std::move(member)});
      }
      return value;
    }
    case '[':
      Open(depth);
      value.kind = JsonValue::Kind::Array;
      while (NextItem(first))
        value.items.push_back(Value(depth + 1));
      return value;
    case '"':
      value.kind = JsonValue::Kind::String;
      String(&value.text);
      return value;
    case 't':
      value.kind = JsonValue::Kind::True;
      Literal("true");
      return value;
    case 'f':
      value.kind = JsonValue::Kind::False;
      Literal("false");
      return value;
    case 'n':
      Literal("null");
      return value;
    default:
      value.kind = JsonValue::Kind::Number;
      Number(&value.text);
      return value;
  }
}

void JsonReader::Skip(int depth) {
  if (in_.AtEnd()) Fail("the text ends where a value was expected");
  bool first = true;
  switch (in_.Peek()) {
    case '{': {
      Open(depth);
      std::unordered_set<std::string> names;
      std::string name;
      TextPlace namePlace;
      while (NextMember(first, &names, name, namePlace))
        Skip(depth + 1);
      return;
    }
    case '[':
      Open(depth);
      while (NextItem(first))
        Skip(depth + 1);
      return;
    case '"':
      return String(nullptr);
    case 't':
      return Literal("true");
    case 'f':
      return Literal("false");
    case 'n':
      return Literal("null");
    default:
      return Number(nullptr);
  }
}

void JsonReader::Literal(std::string_view word) {
  if (!in_.LooksAt(word)) Fail("not a JSON value");
  in_.SkipInLine(word.size());
}

void JsonReader::Keep(std::string& text, std::string_view bytes, TextPlace start) const {
  if (bytes.size() > maxText_ - text.size()) FailAt(TooLongMessage(maxText_), start);
  text += bytes;
}

void JsonReader::Number(std::string* keep) {
  const TextPlace start = in_.Place();
  auto take = [&] {
    if (keep != nullptr) Keep(*keep, in_.Ready().substr(0, 1), start);
    in_.Take();
  };
  // A run of digits, taken a piece at a time.
  auto takeDigits = [&] {
    bool any = false;
    for (std::string_view ready = in_.Ready(); !ready.empty(); ready = in_.Ready()) {
      size_t run = 0;
      while (run < ready.size() && IsDigit(ready[run]))
        ++run;
      if (keep != nullptr) Keep(*keep, ready.substr(0, run), start);
      in_.SkipInLine(run);
      any = any || run > 0;
      if (run < ready.size()) break;
    }
    return any;
  };
  if (NextIs('-')) take();
  if (in_.AtEnd() || !IsDigit(in_.Peek())) Fail("not a JSON value");
  if (in_.Peek() == '0') {
    take();
    if (!in_.AtEnd() && IsDigit(in_.Peek())) Fail("a number may not begin with 0");
  } else {
    takeDigits();
  }
  if (NextIs('.')) {
    take();
    if (!takeDigits()) Fail("expected a digit after the decimal point");
  }
  if (NextIs('e') || NextIs('E')) {
    take();
    if (NextIs('+') || NextIs('-')) take();
    if (!takeDigits()) Fail("expected a digit in the exponent");
  }
}

char32_t JsonReader::HexQuad() {
  char32_t code = 0;
  for (int i = 0; i < 4; ++i) {
    if (in_.AtEnd()) Fail("the text ends inside a \\u escape");
    char c = in_.Peek();
    int digit = c >= '0' && c <= '9'   ? c - '0'
                : c >= 'a' && c <= 'f' ? c - 'a' + 10
                : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                       : -1;
    if (digit < 0) Fail("expected four hex digits after \\u");
    code = code * 16 + static_cast<char32_t>(digit);
    in_.Take();
  }
  return code;
}

char32_t JsonReader::UnicodeEscape(TextPlace escapePlace) {
  char32_t code = HexQuad();
  if (code >= 0xDC00 && code <= 0xDFFF) FailAt("a low surrogate without a high one", escapePlace);
  if (code < 0xD800 || code > 0xDBFF) return code;
  if (!in_.LooksAt("\\u")) FailAt("a high surrogate without a low one", escapePlace);
  in_.SkipInLine(2);
  char32_t low = HexQuad();
  if (low < 0xDC00 || low > 0xDFFF) FailAt("a high surrogate without a low one", escapePlace);
  return 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
}

void JsonReader::Escape(std::string& out) {
  TextPlace escapePlace = in_.Place();
  in_.Take();  // the backslash
  if (in_.AtEnd()) Fail("the text ends inside a string");
  char c = in_.Peek();
  in_.Take();
  switch (c) {
    case '"':
    case '\\':
    case '/':
      out += c;
      return;
    case 'b':
      out += '\b';
      return;
    case 'f':
      out += '\f';
      return;
    case 'n':
      out += '\n';
      return;
    case 'r':
      out += '\r';
      return;
    case 't':
      out += '\t';
      return;
    case 'u':
      AppendUtf8(out, UnicodeEscape(escapePlace));
      return;
    default:
      FailAt("an unknown escape", escapePlace);
  }
}

// The characters between escapes are taken as runs, each checked as UTF-8
// where it ends; a run that is not kept is checked a part at a time, so
// that no part of it is held long.
void JsonReader::String(std::string* keep) {
  const TextPlace opened = in_.Place();
  in_.Take();
  std::string skipped;
  std::string& out = keep != nullptr ? *keep : skipped;
  size_t runStart = out.size();
  TextPlace runPlace = in_.Place();
  bool ascii = true;
  auto checkRun = [&](size_t end) {
    if (!ascii && !IsValidUtf8(std::string_view(out).substr(runStart, end - runStart)))
      FailAt("a string that is not valid UTF-8", runPlace);
  };
  for (;;) {
    std::string_view ready = in_.Ready();
    if (ready.empty()) FailAt("a string is not closed", opened);
    size_t run = 0;
    unsigned char bits = 0;  // of every byte of the run: ASCII needs no check
    for (; run < ready.size() && !EndsRun(ready[run]); ++run)
      bits |= static_cast<unsigned char>(ready[run]);
    ascii = ascii && bits < 0x80;
    if (keep != nullptr) Keep(out, ready.substr(0, run), opened);
    if (keep == nullptr) out += ready.substr(0, run);
    in_.SkipInLine(run);
    if (keep == nullptr && out.size() > kCheckedRun) {
      size_t checked = runStart + CompleteCharacters(std::string_view(out).substr(runStart));
      checkRun(checked);
      out.erase(runStart, checked - runStart);
    }
    if (run == ready.size()) continue;
    char c = in_.Peek();
    if (c == '"') {
      checkRun(out.size());
      in_.Take();
      if (keep == nullptr) out.clear();
      return;
    }
    if (c != '\\') Fail("a control character inside a string");
    checkRun(out.size());
    std::string escaped;
    Escape(escaped);
    if (keep != nullptr) Keep(out, escaped, opened);
    if (keep == nullptr) out.clear();
    runStart = out.size();
    runPlace = in_.Place();
    ascii = true;
  }
}

JsonValue ReadJson(std::string_view text, int maxDepth) {
  TextStream in(text);
  JsonReader reader(in, std::string::npos, maxDepth);
  reader.SkipBlanks();
  JsonValue value = reader.Value(0);
  reader.End();
  return value;
}

}  // namespace vantor
