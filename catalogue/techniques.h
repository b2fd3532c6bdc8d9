// The stereo techniques the field knows by name, each a pair of one pattern at one angle and
// spacing, with where it comes from.
#pragma once

#include <span>
#include <string_view>

namespace auralith {

struct Technique {
    std::string_view key;      // as -a takes it: "nos"
    std::string_view title;    // as its name begins: "NOS"
    std::string_view pattern;  // a pattern's name: "cardioid"
    int angle;                 // degrees between the axes
    int spacing;               // centimetres
    std::string_view source;   // who set it down
};

std::span<const Technique> namedTechniques();

// The technique of that key, whatever its case; null when there is none.
const Technique* techniqueNamed(std::string_view key);

}  // namespace auralith
