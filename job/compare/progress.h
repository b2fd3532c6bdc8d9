// The one-line progress bar on standard error, drawn only when that is a terminal.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace auralith {

// True when standard error is a terminal (not a file or a pipe).
bool standardErrorIsTerminal();

class ProgressBar {
public:
    ProgressBar(std::FILE* err, bool shown, int arrays) : err_(err), shown_(shown), arrays_(arrays) {}

    // Array `index` (0-based) of the run, `done` of its work (0 .. 1) finished.
    void show(int index, std::string_view name, double done);
    // Clears the line, so that what follows starts on an empty one.
    void clear();

private:
    std::FILE* err_;
    bool shown_;
    int arrays_;
    bool drawn_ = false;
};

// The bar's line: "[#####---------------]  25%  array 2 of 6: Coincident cardioids (105 deg)".
std::string progressLine(int index, int arrays, std::string_view name, double done);

}  // namespace auralith
