// A small, strict JSON reader (RFC 8259): one value with blanks around it,
// nothing else. Numbers are kept as their text, so that an integer or a real
// reads back exactly as written; strings come out as UTF-8. Duplicate member
// names in one object are refused, as their meaning would be unclear.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "textform/text_form_error.h"

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

}  // namespace vantor
