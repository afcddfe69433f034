// Names of the game's object classes, landmark types and individual objects,
// so that record fields holding a class code or an object number can be shown
// with a readable name beside them. The texts keep their leading and
// trailing blanks, because they are written to the screen as they are.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace vantor::datedit {

inline constexpr int kClassCount = 21;         // class codes 0..20
inline constexpr int kObjectsPerClass = 43;    // object numbers 0..42
inline constexpr int kLandmarkTypeCount = 16;  // landmark type codes 0..15
inline constexpr size_t kMaxObjectName = 20;

// The object name table, filled once at program start by InitNameTables.
struct NameTables {
  std::array<std::array<std::string, kObjectsPerClass>, kClassCount> ObjectNames;
};

// Every object first gets its class name; the objects the game names
// individually then get their own name, cut to kMaxObjectName characters.
void InitNameTables(NameTables& tables);

// The class name, or "Inv class" for a code above 20.
std::string ClassName(uint8_t code);

// The object's name, or "Inv cl:obj" when the class or the object number is
// out of range.
std::string ObjectName(const NameTables& tables, uint8_t classCode, uint8_t object);

// The landmark type name, or "Inv lo" for a code above 15.
std::string LandmarkTypeName(uint8_t code);

}  // namespace vantor::datedit
