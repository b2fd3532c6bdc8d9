// The names auralith-compare gives its files.
#pragma once

#include <string>
#include <string_view>

#include "sim/model/arrays.h"

namespace auralith {

// The input's name without its folder and its extension ("takes/violin.wav" gives "violin").
std::string stemOf(std::string_view input);

// "blumlein", "cardioids", "faulkner", "ortf", "spaced-omnis", "tree".
std::string_view arraySlug(MicArray array);

// "<stem>-<k>-<slug>.wav" and ".txt".
std::string audioFileName(std::string_view stem, MicArray array);
std::string labelFileName(std::string_view stem, MicArray array);

// The folder's name joined with a file's.
std::string pathIn(std::string_view folder, std::string_view file);

}  // namespace auralith
