// auralith-compare from its arguments to its exit status: the input check, each array's render,
// loudness and labels, then the reports, every file written whole or not at all.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "job/compare/options.h"

namespace auralith {

struct CompareStreams {
    std::FILE* out;  // the help, the version and the closing table
    std::FILE* err;  // usage faults, refusals, failures, the progress bar
    bool progress;   // standard error is a terminal
};

// 0 when everything was written, 1 when the input is refused or a file cannot be written, 2 for
// wrong usage.
int compareMain(const std::vector<std::string>& args, const CompareStreams& streams);

int runCompare(const CompareOptions& options, const CompareStreams& streams);

// --design: the spacings for the wanted recording angle, as a table, design.csv and design.html.
int runDesign(const CompareOptions& options, const CompareStreams& streams);

// The file under its name, whole, or left as it was; true when it was written.
bool writeText(const std::string& path, const std::string& text);

// The folder and any missing above it; true when it is there.
bool makeFolder(const std::string& folder);

// "auralith-compare: <name>: <text>", the refusal's trailing blanks dropped.
std::string failureLine(std::string_view name, std::string_view text);

}  // namespace auralith
