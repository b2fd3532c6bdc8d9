// The built-in arrays, each one row: the number the menu and -a know it by, its name, the part of
// its files' names, its curve's colour and dash, and the model that renders it. Every lookup of a
// built-in array reads these rows, so that another array is one row more.
#pragma once

#include <span>
#include <string_view>

#include "catalogue/descriptions.h"
#include "sim/free/mic_layout.h"
#include "sim/model/arrays.h"

namespace auralith {

struct BuiltInArray {
    int menu;                    // 4
    std::string_view name;       // as the menu shows it: "ORTF near-coincident pair"
    std::string_view slug;       // its files' part: "4-ortf", the number then the short slug
    std::string_view shortSlug;  // "ortf"
    std::string_view colour;     // its curve's SVG colour: "#9467bd"
    std::string_view dash;       // its curve's SVG dash array; empty for a solid line
    AnyArray model;
};

// In menu order.
std::span<const BuiltInArray> builtInArrays();

// The row whose menu number the text is, as typed ("4"; not "04" nor " 4"); null when none is.
const BuiltInArray* builtInNumbered(std::string_view text);

// The row of that model (sameArray); null for an array that is not built in.
const BuiltInArray* builtInOf(const AnyArray& model);

// The array's name as the menu shows it, and its short slug ("blumlein", ..., "tree"); empty for
// a value that is no row's.
std::string_view micArrayName(MicArray array);
std::string_view arraySlug(MicArray array);

// The row as the reports take it: its number as the key, its name, its slug.
ChosenArray builtInChoice(const BuiltInArray& array);
ChosenArray builtInChoice(MicArray array);

}  // namespace auralith
