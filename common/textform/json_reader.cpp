#include "textform/json_reader.h"

#include "base/cp437.h"
#include "base/json_text.h"

namespace vantor {
namespace {

class JsonParser {
 public:
  JsonParser(std::string_view text, int maxDepth) : text_(text), maxDepth_(maxDepth) {}

  JsonValue Document() {
    SkipBlanks();
    JsonValue value = Value(0);
    SkipBlanks();
    if (!AtEnd()) Fail("text after the JSON value");
    return value;
  }

 private:
  [[noreturn]] void Fail(const std::string& what) const {
    throw TextFormError(what, counter_.Place());
  }
  [[noreturn]] void FailAt(const std::string& what, TextPlace place) const {
    throw TextFormError(what, place);
  }
  bool AtEnd() const { return pos_ >= text_.size(); }
  char Peek() const { return text_[pos_]; }
  void Take() { counter_.Advance(text_[pos_++]); }
  void Expect(char c, const char* what) {
    if (AtEnd() || Peek() != c) Fail(what);
    Take();
  }

  void SkipBlanks() {
    while (!AtEnd() && (Peek() == ' ' || Peek() == '\t' || Peek() == '\n' || Peek() == '\r'))
      Take();
  }

  JsonValue Value(int depth) {
    if (AtEnd()) Fail("the text ends where a value was expected");
    JsonValue value;
    value.place = counter_.Place();
    switch (Peek()) {
      case '{':
        return Object(std::move(value), depth + 1);
      case '[':
        return Array(std::move(value), depth + 1);
      case '"':
        value.kind = JsonValue::Kind::String;
        value.text = String();
        return value;
      case 't':
        return Literal(std::move(value), "true", JsonValue::Kind::True);
      case 'f':
        return Literal(std::move(value), "false", JsonValue::Kind::False);
      case 'n':
        return Literal(std::move(value), "null", JsonValue::Kind::Null);
      default:
        value.kind = JsonValue::Kind::Number;
        value.text = Number();
        return value;
    }
  }

  JsonValue Literal(JsonValue value, std::string_view word, JsonValue::Kind kind) {
    if (text_.substr(pos_, word.size()) != word) Fail("not a JSON value");
    for (size_t i = 0; i < word.size(); ++i)
      Take();
    value.kind = kind;
    return value;
  }

  void CheckDepth(int depth) const {
    if (depth > maxDepth_)
      Fail("arrays and objects nested deeper than " + std::to_string(maxDepth_));
  }

  // The items of an array or the members of an object: from the opening
  // bracket to `close`, separated by commas, each read by `readItem`.
  template <typename ReadItem>
  void Items(char close, const char* expected, ReadItem readItem) {
    Take();
    SkipBlanks();
    if (!AtEnd() && Peek() == close) {
      Take();
      return;
    }
    for (;;) {
      SkipBlanks();
      readItem();
      SkipBlanks();
      if (!AtEnd() && Peek() == ',') {
        Take();
        continue;
      }
      Expect(close, expected);
      return;
    }
  }

  JsonValue Array(JsonValue value, int depth) {
    CheckDepth(depth);
    value.kind = JsonValue::Kind::Array;
    Items(']', "expected \",\" or \"]\"", [&] { value.items.push_back(Value(depth)); });
    return value;
  }

  JsonValue Object(JsonValue value, int depth) {
    CheckDepth(depth);
    value.kind = JsonValue::Kind::Object;
    Items('}', "expected \",\" or \"}\"", [&] {
      if (AtEnd() || Peek() != '"') Fail("expected a member name in quotes");
      TextPlace namePlace = counter_.Place();
      std::string name = String();
      if (value.Member(name))
        FailAt("the member name " + JsonString(name) + " is given twice", namePlace);
      SkipBlanks();
      Expect(':', "expected \":\" after a member name");
      SkipBlanks();
      JsonValue member = Value(depth);
      value.members.push_back({std::move(name), std::move(member)});
    });
    return value;
  }

  bool TakeDigits() {
    size_t start = pos_;
    while (!AtEnd() && Peek() >= '0' && Peek() <= '9')
      Take();
    return pos_ > start;
  }

  std::string Number() {
    size_t start = pos_;
    if (!AtEnd() && Peek() == '-') Take();
    if (AtEnd() || Peek() < '0' || Peek() > '9') Fail("not a JSON value");
    if (Peek() == '0') {
      Take();
      if (!AtEnd() && Peek() >= '0' && Peek() <= '9') Fail("a number may not begin with 0");
    } else {
      TakeDigits();
    }
    if (!AtEnd() && Peek() == '.') {
      Take();
      if (!TakeDigits()) Fail("expected a digit after the decimal point");
    }
    if (!AtEnd() && (Peek() == 'e' || Peek() == 'E')) {
      Take();
      if (!AtEnd() && (Peek() == '+' || Peek() == '-')) Take();
      if (!TakeDigits()) Fail("expected a digit in the exponent");
    }
    return std::string(text_.substr(start, pos_ - start));
  }

  // Four hex digits of a \u escape.
  char32_t HexQuad() {
    char32_t code = 0;
    for (int i = 0; i < 4; ++i) {
      if (AtEnd()) Fail("the text ends inside a \\u escape");
      char c = Peek();
      int digit = c >= '0' && c <= '9'   ? c - '0'
                  : c >= 'a' && c <= 'f' ? c - 'a' + 10
                  : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                         : -1;
      if (digit < 0) Fail("expected four hex digits after \\u");
      code = code * 16 + static_cast<char32_t>(digit);
      Take();
    }
    return code;
  }

  char32_t UnicodeEscape(TextPlace escapePlace) {
    char32_t code = HexQuad();
    if (code >= 0xDC00 && code <= 0xDFFF) FailAt("a low surrogate without a high one", escapePlace);
    if (code < 0xD800 || code > 0xDBFF) return code;
    if (text_.substr(pos_, 2) != "\\u") FailAt("a high surrogate without a low one", escapePlace);
    Take();
    Take();
    char32_t low = HexQuad();
    if (low < 0xDC00 || low > 0xDFFF) FailAt("a high surrogate without a low one", escapePlace);
    return 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
  }

  void Escape(std::string& out) {
    TextPlace escapePlace = counter_.Place();
    Take();  // the backslash
    if (AtEnd()) Fail("the text ends inside a string");
    char c = Peek();
    Take();
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

  std::string String() {
    TextPlace opened = counter_.Place();
    Take();
    std::string out;
    size_t runStart = pos_;
    TextPlace runPlace = counter_.Place();
    auto closeRun = [&] {
      std::string_view run = text_.substr(runStart, pos_ - runStart);
      if (!IsValidUtf8(run)) FailAt("a string that is not valid UTF-8", runPlace);
      out += run;
    };
    for (;;) {
      if (AtEnd()) FailAt("a string is not closed", opened);
      char c = Peek();
      if (c == '"') {
        closeRun();
        Take();
        return out;
      }
      if (static_cast<unsigned char>(c) < 0x20) Fail("a control character inside a string");
      if (c == '\\') {
        closeRun();
        Escape(out);
        runStart = pos_;
        runPlace = counter_.Place();
        continue;
      }
      Take();
    }
  }

  std::string_view text_;
  int maxDepth_;
  size_t pos_ = 0;
  PlaceCounter counter_;
};

}  // namespace

const JsonValue* JsonValue::Member(std::string_view name) const {
  for (const auto& [key, value] : members) {
    if (key == name) return &value;
  }
  return nullptr;
}

JsonValue ReadJson(std::string_view text, int maxDepth) {
  return JsonParser(text, maxDepth).Document();
}

}  // namespace vantor
