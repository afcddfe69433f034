// A small, strict JSON reader (RFC 8259): one value with blanks around it,
// nothing else. Numbers are kept as their text, so that an integer or a real
// reads back exactly as written; strings come out as UTF-8. Duplicate member
// names in one object are refused, as their meaning would be unclear. A
// JsonReader reads a stream value by value, so that a caller can walk a
// document of any size holding one part of it at a time.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "textform/text_form_error.h"
#include "textform/text_stream.h"

namespace vantor {

struct JsonMember;

struct JsonValue {
  enum class Kind { Null, False, True, Number, String, Array, Object };
  Kind kind = Kind::Null;
  // A string's characters, or a number's text as written.
  std::string text;
  std::vector<JsonValue> items;
  std::vector<JsonMember> members;  // in the text's order
  TextPlace place;                  // where the value begins

  // The member of that name; nullptr when there is none (or this is no object).
  const JsonValue* Member(std::string_view name) const;
};

// One member of an object. A type of its own rather than a pair, since a pair
// cannot hold the value type it is part of.
struct JsonMember {
  std::string name;
  JsonValue value;
};

inline constexpr int kMaxJsonDepth = 64;

// The value of a JSON text; TextFormError with the place of the fault for
// anything that is not JSON, or that nests arrays and objects deeper than
// `maxDepth`.
JsonValue ReadJson(std::string_view text, int maxDepth = kMaxJsonDepth);

// The values of a stream one at a time. Faults are TextFormErrors, as for
// ReadJson, with the same messages and places. `depth` counts the arrays
// and objects that a value stands in, as ReadJson does.
class JsonReader {
 public:
  // A string or number that is kept and longer than `maxText` bytes is
  // refused at its start before it is read whole.
  JsonReader(TextStream& in, size_t maxText = std::string::npos, int maxDepth = kMaxJsonDepth);

  void SkipBlanks();
  // The next byte is `c` (not at the end).
  bool NextIs(char c);
  TextPlace Place() const { return in_.Place(); }

  // One value, kept whole.
  JsonValue Value(int depth);
  // One value checked as Value checks it, but nothing of it kept.
  void Skip(int depth);
  // At the "{" or "[" of a value at `depth`: takes it.
  void Open(int depth);
  // In an object opened: the next member's name into `name` and its place,
  // its ":" and the blanks after taken, so that its value is next; false at
  // the closing "}", which is taken. Where `names` is given, they are the
  // names read so far in this object, which a name given twice is refused
  // against; the name is added. `first` is true for an object just opened
  // and is cleared.
  bool NextMember(bool& first, std::unordered_set<std::string>* names, std::string& name,
                  TextPlace& namePlace);
  // Refuses "the member name ... is given twice" at `place`.
  [[noreturn]] void NameGivenTwice(const std::string& name, TextPlace place) const;
  // In an array opened: whether an item is next (blanks before it taken);
  // false at the closing "]", which is taken.
  bool NextItem(bool& first);
  // Blanks to the end of the text; anything else is refused.
  void End();

 private:
  [[noreturn]] void Fail(const std::string& what) const;
  [[noreturn]] void FailAt(const std::string& what, TextPlace place) const;
  void Expect(char c, const char* what);
  bool NextOf(bool& first, char close, const char* expected);
  void CheckDepth(int depth) const;
  void Literal(std::string_view word);
  // A value's text with `keep`: a string's characters or a number as
  // written; nothing kept otherwise.
  void Number(std::string* keep);
  void String(std::string* keep);
  void Escape(std::string& out);
  char32_t UnicodeEscape(TextPlace escapePlace);
  char32_t HexQuad();
  void Keep(std::string& text, std::string_view bytes, TextPlace start) const;

  TextStream& in_;
  size_t maxText_;
  int maxDepth_;
};

}  // namespace vantor
