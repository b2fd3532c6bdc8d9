// auralith-compare from its arguments to its exit status: the input check, each array's render,
// loudness and labels, then the reports, every file written whole or not at all.
#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "job/compare/options.h"
#include "job/compare/room_run.h"
#include "wave/files/file_access.h"

namespace auralith {

struct CompareStreams {
    std::FILE* out;  // the help, the version and the closing table
    std::FILE* err;  // usage faults, refusals, failures, the progress bar
    bool progress;   // standard error is a terminal
};

// 0 when everything was written, 1 when the input is refused or a file cannot be written, 2 for
// wrong usage.
int compareMain(const std::vector<std::string>& args, const CompareStreams& streams);

// With a room, each array is heard in it (where the room's renders are built: AURALITH_ROOM_RENDER).
int runCompare(const CompareOptions& options, const CompareStreams& streams,
               const std::optional<RoomRun>& room = std::nullopt);

// --design: the spacings for the wanted recording angle, as a table, design.csv and design.html.
int runDesign(const CompareOptions& options, const CompareStreams& streams);

// The file under its name in an output folder, whole, or left as it was; the entry itself gets
// the new file, so that a symbolic link there never leads the write outside the folder.
WriteOutcome writeText(const std::string& path, const std::string& text);

// Writes the help, the version or a closing table to standard output; 0, or 1 when standard
// output cannot take it (a full disk, a pipe whose reader has gone), which is told on standard
// error as the GNU tools do: the user would otherwise have less than was said.
int putOut(const CompareStreams& streams, const std::string& text);

// "auralith-compare: <name>: <text>", the refusal's trailing blanks dropped.
std::string failureLine(std::string_view name, std::string_view text);

}  // namespace auralith
