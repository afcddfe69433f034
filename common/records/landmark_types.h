// The names of the landmark type codes, the first byte of a landmark's Lo
// file ID. Three places show them, each in its own way, so there are three
// tables side by side here:
//  - datedit's formatted view writes a name after the code's hex digits and
//    knows 16 codes, each name carrying its code in front;
//  - lmedit's screen writes the name directly before the side text, so each
//    name but the last brings its own leading blank, and codes above 8 are
//    an "unknown type";
//  - lmedit's listing counts the code modulo 9 into a column of its own, and
//    names type 6 after what it is not good for.
#pragma once

#include <array>
#include <string_view>

namespace vantor {

// datedit: codes 0 to 15.
inline constexpr std::array<std::string_view, 16> LandmarkTypeNames = {
    "00 aero",
    "01 city",
    "02 supply",
    "03 railyard",
    "04 railbridge",
    "05 factory",
    "06 DOES NOT WORK but",
    "07 town",
    "08 village",
    "09 DOES NOT WORK but",
    "0a DTD",
    "0b DTD",
    "0c ?",
    "0d ?",
    "0e ?",
    "0f ?",
};

// lmedit's screen: codes 0 to 8.
inline constexpr std::array<std::string_view, 9> LandmarkScreenTypeTexts = {
    " aero", " city",      " supply", " railyard", " railbridge",
    " fact", " dont work", " town",   " village"};
inline constexpr std::string_view kUnknownLandmarkTypeText = "unknown type";

// lmedit's listing: the code modulo 9.
inline constexpr std::array<std::string_view, 9> LandmarkListingTypeNames = {
    "aero", "city", "supply", "railyard", "railbridge", "fact", "not for ZMP", "town", "village"};

}  // namespace vantor
