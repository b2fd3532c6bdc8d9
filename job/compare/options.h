// The command line of auralith-compare, read into a value: what to run, or what to say instead.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "sim/model/arrays.h"

namespace auralith {

struct CompareOptions {
    std::string input;
    std::string outputDir;         // empty: "<stem>-arrays" in the current folder
    std::vector<MicArray> arrays;  // in menu order, each once
    int channel = 0;               // 1-based; 0: none chosen (a mono input)
    bool audio = true;
    bool quiet = false;
};

struct ParsedOptions {
    enum class Action { run, help, version, usageError } action = Action::run;
    CompareOptions options;
    std::string error;  // what is wrong, for usageError
};

// Reads the arguments after the program's name. --help and --version answer at once; anything
// wrong before them is a usage error.
ParsedOptions parseCompareOptions(const std::vector<std::string>& args);

// The list of -a/--arrays: menu numbers separated by commas. Empty when it is not one.
std::vector<MicArray> parseArrayList(std::string_view list);

std::string_view compareUsage();

}  // namespace auralith
