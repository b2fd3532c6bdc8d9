// The names auralith-compare gives its files.
#pragma once

#include <string>
#include <string_view>

namespace auralith {

// The input's name without its folder and its extension ("takes/violin.wav" gives "violin").
std::string stemOf(std::string_view input);

// "<stem>-<slug>.wav" and ".txt", the slug being the array's (such as "4-ortf" or "nos").
std::string audioFileName(std::string_view stem, std::string_view slug);
std::string labelFileName(std::string_view stem, std::string_view slug);
std::string headphonesFileName(std::string_view stem, std::string_view slug);  // "<stem>-<slug>-headphones.wav"

// The name without its folder ("takes/violin.wav" gives "violin.wav").
std::string_view baseNameOf(std::string_view path);

// The folder's name joined with a file's.
std::string pathIn(std::string_view folder, std::string_view file);

}  // namespace auralith
