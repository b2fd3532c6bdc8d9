// The arrays auralith-compare can be asked for, as the user names them: a menu number, a named
// technique, or a pair or tree described by its pattern and measures; each with the name the
// reports give it and the part of its files' names that tells it from the others.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "sim/free/mic_layout.h"

namespace auralith {

struct ChosenArray {
    std::string key;   // as the user gave it: "4", "nos", "pair:cardioid:100:25"
    std::string name;  // "ORTF near-coincident pair", "Cardioids, 100°, 25 cm"
    std::string slug;  // "4-ortf", "nos", "pair-cardioid-100-25": lower-case letters, digits, '.', '-'
    AnyArray model;
};

// A plain decimal (digits, then at most three decimals after a point) in thousandths; empty for
// anything else (signs, exponents, blanks). Exact, so every platform reads the same value.
std::optional<int> thousandthsOf(std::string_view text);

// The shortest decimal text of a number of thousandths: 17500 gives "17.5", 90000 "90".
std::string decimalText(int thousandths);

// A first-order pattern by its name (omni, subcardioid, cardioid, supercardioid, hypercardioid,
// figure8) or as p itself, 0 to 1.
struct PatternChoice {
    std::string text;  // the name, or the number's shortest decimal text
    int thousandths;   // p
};

// "cardioids", "figures of eight", "pattern 0.6".
std::string patternPlural(const PatternChoice& pattern);

enum class PatternFault { none, unknown, outOfRange, tooManyDecimals };

// Names are read whatever their case ("Cardioid", "ORTF"), as the field writes them either way.
PatternFault readPattern(std::string_view text, PatternChoice& pattern);

// The text with its ASCII capitals in lower case.
std::string lowerCase(std::string_view text);

// In thousandths of a degree, centimetre or metre.
ChosenArray describedPair(std::string key, const PatternChoice& pattern, int angle, int spacing);
ChosenArray describedTree(std::string key, int width, int depth, const PatternChoice& pattern);
// Mid-side: a mid microphone of the pattern facing the front and a figure of eight facing the
// left, at one point, decoded as L = M + width S and R = M - width S (width in thousandths, 0 to
// 2), scaled so that each channel's strongest response is 1, as a single microphone's.
inline constexpr double maxMidSideWidth = 2;
ChosenArray describedMidSide(std::string key, const PatternChoice& pattern, int width);

struct Technique;
ChosenArray techniqueChoice(const Technique& technique);

// How a pair is asked for: "pair:cardioid:100:25".
std::string pairText(const PatternChoice& pattern, int angle, int spacing);

}  // namespace auralith
