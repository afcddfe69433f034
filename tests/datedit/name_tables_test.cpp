#include "name_tables.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <map>
#include <set>
#include <string>

namespace vantor::datedit {
namespace {

struct Expected {
  int ClassCode;
  int Object;
  const char* Text;
};

NameTables InitializedTables() {
  NameTables tables;
  InitNameTables(tables);
  return tables;
}

void ExpectObjectNames(std::initializer_list<Expected> cases) {
  const NameTables tables = InitializedTables();
  for (const Expected& c : cases) {
    EXPECT_EQ(ObjectName(tables, c.ClassCode, c.Object), c.Text)
        << "class " << c.ClassCode << ", object " << c.Object;
  }
}

// Texts longer than an entry keep exactly their first 20 characters,
// including a blank at the cut.
TEST(NameTables, LongTextsAreStoredCutToTwentyCharacters) {
  ExpectObjectNames({
      {2, 6, " DOES NOT WORK but n"},
      {2, 9, " DOES NOT WORK but n"},
      {3, 14, "  unused , intended "},
      {3, 17, "  unused , intended "},
      {3, 22, "  unused , intended "},
      {3, 19, "  Morane Saulnier \"N"},
      {3, 32, "  Sopwith Strutter 1"},
      {3, 39, "  Handley Page 0/400"},
      {6, 5, " Train, 2 end Engine"},
      {6, 6, " Train, Normal Engin"},
      {6, 10, " Train, Passenger Ca"},
      {8, 7, " Observation Balloon"},
      {8, 8, " Observation Balloon"},
      {9, 5, " Zepplin Hanger , no"},
  });
}

// Leading and trailing blanks are part of the names and must survive as typed.
TEST(NameTables, NamesKeepTheirExactBlanks) {
  ExpectObjectNames({
      {3, 0, " Fok EIII"},
      {3, 1, " Aviatik  C.1"},
      {3, 2, "  Albatros C.3  "},
      {3, 4, "  Albatros D.2     "},
      {3, 10, "  Fokker Dr.1    "},
      {3, 12, "  Pfalz D.3         "},
      {3, 40, "  Sopwith Snipe    "},
      {3, 42, "  Bristol Fighter"},
      {2, 10, " lndmrk, DTD in ZMP"},
      {7, 4, " Observation Tower"},
      {9, 15, "  ==> Trees"},
      {9, 38, " Bridge, Rail Ramp"},
  });
}

TEST(NameTables, UnnamedObjectsShowTheirClassName) {
  ExpectObjectNames({
      {0, 5, "00 - Flights "},
      {2, 12, "02-  Landmarks "},
      {2, 42, "02-  Landmarks "},
      {6, 11, "06 - Vehicles"},
      {6, 17, "06 - Vehicles"},
      {8, 0, "08 - Ground For"},
      {9, 14, "09 - Structures"},
      {20, 42, "14 - City tiles"},
  });
}

TEST(NameTables, CodesOutOfRangeGiveFixedTexts) {
  NameTables tables = InitializedTables();
  EXPECT_EQ(ObjectName(tables, 21, 0), "Inv cl:obj");
  EXPECT_EQ(ObjectName(tables, 3, 43), "Inv cl:obj");
  EXPECT_EQ(ObjectName(tables, 255, 255), "Inv cl:obj");
  EXPECT_EQ(ClassName(21), "Inv class");
  EXPECT_EQ(ClassName(255), "Inv class");
  EXPECT_EQ(LandmarkTypeName(16), "Inv lo");
  EXPECT_EQ(LandmarkTypeName(255), "Inv lo");
}

TEST(NameTables, ClassAndLandmarkTypeNamesAtTheirBounds) {
  EXPECT_EQ(ClassName(0), "00 - Flights ");
  EXPECT_EQ(ClassName(2), "02-  Landmarks ");
  EXPECT_EQ(ClassName(20), "14 - City tiles");
  EXPECT_EQ(LandmarkTypeName(0), "00 aero");
  EXPECT_EQ(LandmarkTypeName(6), "06 DOES NOT WORK but");
  EXPECT_EQ(LandmarkTypeName(15), "0f ?");
}

// Catches a name stored under the wrong object number or class: exactly
// these object numbers differ from their class name, 107 in all.
TEST(NameTables, ExactlyTheListedObjectsHaveNamesOfTheirOwn) {
  std::set<int> allAircraft;
  for (int object = 0; object < kObjectsPerClass; ++object)
    allAircraft.insert(object);
  const std::map<int, std::set<int>> expected = {
      {2, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}},
      {3, allAircraft},
      {6, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 12, 13, 14, 15, 16}},
      {7, {4, 6, 7}},
      {8, {1, 2, 4, 5, 6, 7, 8, 9}},
      {9,
       {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 13, 15, 16, 18, 27, 29, 30, 31, 34, 35, 36, 37, 38}},
  };

  NameTables tables = InitializedTables();
  std::map<int, std::set<int>> named;
  size_t total = 0;
  for (int classCode = 0; classCode < kClassCount; ++classCode) {
    for (int object = 0; object < kObjectsPerClass; ++object) {
      if (ObjectName(tables, classCode, object) != ClassName(classCode)) {
        named[classCode].insert(object);
        ++total;
      }
    }
  }
  EXPECT_EQ(named, expected);
  EXPECT_EQ(total, 107u);
}

TEST(NameTables, NoEntryExceedsTwentyCharacters) {
  NameTables tables = InitializedTables();
  for (int classCode = 0; classCode < kClassCount; ++classCode) {
    for (int object = 0; object < kObjectsPerClass; ++object) {
      EXPECT_LE(ObjectName(tables, classCode, object).size(), kMaxObjectName)
          << "class " << classCode << ", object " << object;
    }
  }
}

}  // namespace
}  // namespace vantor::datedit
