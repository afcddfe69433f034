#include "name_tables.h"

#include <string_view>

#include "records/landmark_types.h"

namespace vantor::datedit {
namespace {

// Each starts with the class code as two lower-case hex digits and holds at
// most 15 characters, which is why some end mid-word ("07 - Air Defens").
// The blanks ("02-  Landmarks ") are part of the names as shown.
constexpr std::array<std::string_view, kClassCount> ClassNames = {
    "00 - Flights ",   "01 - Brigades ",  "02-  Landmarks ", "03 - Aircraft ",  "04 - Soldiers ",
    "05 - unknown/Du", "06 - Vehicles",   "07 - Air Defens", "08 - Ground For", "09 - Structures",
    "0a - Debris",     "0b - Projectile", "0c - Explosion ", "0d - Smoke Clas", "0e - Clouds",
    "0f - Squadrons",  "10 - Pilots",     "11 - Celestial",  "12 - Fire",       "13 - Cie infant",
    "14 - City tiles",
};

struct NamedObject {
  uint8_t ClassCode;
  uint8_t Object;
  std::string_view Text;
};

// The objects with a name of their own. The texts are kept whole, as the
// game's players wrote them; the longer ones lose their tail when stored.
// clang-format off
constexpr NamedObject kNamedObjects[] = {
    // Landmarks: the landmark types again, as objects.
    {2, 0, " aero"},
    {2, 1, " city"},
    {2, 2, " supply"},
    {2, 3, " railyard"},
    {2, 4, " railbridge"},
    {2, 5, " factory"},
    {2, 6, " DOES NOT WORK but no DTD"},
    {2, 7, " town"},
    {2, 8, " village"},
    {2, 9, " DOES NOT WORK but no DTD"},
    {2, 10, " lndmrk, DTD in ZMP"},
    {2, 11, " lndmrk, DTD in ZMP"},

    // Aircraft: every object number of the class.
    {3, 0, " Fok EIII"},
    {3, 1, " Aviatik  C.1"},
    {3, 2, "  Albatros C.3  "},
    {3, 3, "  Roland CL.2"},
    {3, 4, "  Albatros D.2     "},
    {3, 5, "  Halberstadt D.2"},
    {3, 6, "  Albatros D.3 "},
    {3, 7, "  Rumpler C.4"},
    {3, 8, "  Albatros D.Va"},
    {3, 9, "  Gotha G.4"},
    {3, 10, "  Fokker Dr.1    "},
    {3, 11, "  Hannover CL.3"},
    {3, 12, "  Pfalz D.3         "},
    {3, 13, "  Halberstadt CL.2"},
    {3, 14, "  unused , intended for LVG"},
    {3, 15, "  Fokker D.7     "},
    {3, 16, "  Pfalz D.12"},
    {3, 17, "  unused , intended for Zepplin"},
    {3, 18, "  German Balloon"},
    {3, 19, "  Morane Saulnier \"N\" Bullet "},
    {3, 20, "  Nieuport 11 "},
    {3, 21, "  Nieuport 17 "},
    {3, 22, "  unused , intended for Caudron G IV"},
    {3, 23, "  Spad 7  "},
    {3, 24, "  Nieuport 24    "},
    {3, 25, "  Salmson 2a2  "},
    {3, 26, "  Breguet 14 "},
    {3, 27, "  Spad 13  "},
    {3, 28, "  Nieuport 28"},
    {3, 29, "  B.E.2e   "},
    {3, 30, "  D.H.2    "},
    {3, 31, "  F.E.2b"},
    {3, 32, "  Sopwith Strutter 1.5"},
    {3, 33, "  Sopwith Pup   "},
    {3, 34, "  Sopwith Triplane"},
    {3, 35, "  R.E.8"},
    {3, 36, "  Sopwith Camel"},
    {3, 37, "  S.E.5a "},
    {3, 38, "  D.H.4"},
    {3, 39, "  Handley Page 0/400  "},
    {3, 40, "  Sopwith Snipe    "},
    {3, 41, "  Allied Balloon "},
    {3, 42, "  Bristol Fighter"},

    // Vehicles: object 11 has no name of its own.
    {6, 0, " AA Truck"},
    {6, 1, " Truck 1"},
    {6, 2, " Truck 2"},
    {6, 3, " Staff Car"},
    {6, 4, " Ambulance"},
    {6, 5, " Train, 2 end Engines"},
    {6, 6, " Train, Normal Engine"},
    {6, 7, " Train, Gray Boxcar"},
    {6, 8, " Train, Brown Boxcar"},
    {6, 9, " Train, Coal Car"},
    {6, 10, " Train, Passenger Car"},
    {6, 12, " Train, Flat Car"},
    {6, 13, " Tank, Large Allied"},
    {6, 14, " Tank, Large German"},
    {6, 15, " Tank, Small Allied"},
    {6, 16, " Tank, Small German"},

    // Air defence.
    {7, 4, " Observation Tower"},
    {7, 6, " Flak Gun, Allied"},
    {7, 7, " Flak Gun, German"},

    // Ground forces. The two balloons become equal once cut.
    {8, 1, " MG Nest, Allied"},
    {8, 2, " Artillery, Allied"},
    {8, 4, " Slit Trench"},
    {8, 5, " MG Nest, German"},
    {8, 6, " Observation Point"},
    {8, 7, " Observation Balloon, Allied"},
    {8, 8, " Observation Balloon, German"},
    {8, 9, " Artillery, German"},

    // Structures.
    {9, 0, " Warehouse"},
    {9, 1, " Green Tent"},
    {9, 2, " Hangar, Large"},
    {9, 3, " Hangar, Small"},
    {9, 4, " Barracks"},
    {9, 5, " Zepplin Hanger , not enabled in game "},
    {9, 6, " Church"},
    {9, 7, " Town Building 1"},
    {9, 8, " Town Building 2"},
    {9, 9, " Town Building 3"},
    {9, 10, " Farm House"},
    {9, 11, " Barn"},
    {9, 13, " Shack"},
    {9, 15, "  ==> Trees"},
    {9, 16, " Bridge, Road Ramp"},
    {9, 18, " Train Station"},
    {9, 27, " Factory"},
    {9, 29, " Manor House"},
    {9, 30, " Cement Bunker"},
    {9, 31, " Wood Bunker"},
    {9, 34, " Bridge, Road Center"},
    {9, 35, " Bridge, Steel Sides"},
    {9, 36, " Bridge, Column"},
    {9, 37, " Bridge, Rail Center"},
    {9, 38, " Bridge, Rail Ramp"},
};
// clang-format on

// An object name entry holds at most kMaxObjectName characters; a longer text
// keeps only its head.
std::string CutToEntry(std::string_view text) {
  return std::string(text.substr(0, kMaxObjectName));
}

bool IsClassCode(uint8_t code) {
  return code < kClassCount;
}

}  // namespace

void InitNameTables(NameTables& tables) {
  tables = NameTables{};
  for (int classCode = 0; classCode < kClassCount; ++classCode) {
    for (std::string& entry : tables.ObjectNames[classCode]) {
      entry = CutToEntry(ClassNames[classCode]);
    }
  }
  for (const NamedObject& named : kNamedObjects) {
    tables.ObjectNames[named.ClassCode][named.Object] = CutToEntry(named.Text);
  }
}

std::string ClassName(uint8_t code) {
  return IsClassCode(code) ? std::string(ClassNames[code]) : "Inv class";
}

std::string ObjectName(const NameTables& tables, uint8_t classCode, uint8_t object) {
  if (!IsClassCode(classCode) || object >= kObjectsPerClass) return "Inv cl:obj";
  return tables.ObjectNames[classCode][object];
}

std::string LandmarkTypeName(uint8_t code) {
  return code < kLandmarkTypeCount ? std::string(LandmarkTypeNames[code]) : "Inv lo";
}

}  // namespace vantor::datedit
