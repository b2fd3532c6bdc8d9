// The command line of auralith-compare, read into a value: what to run, or what to say instead.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/descriptions.h"
#include "job/compare/room_setting.h"
#include "sim/scene/program.h"

namespace auralith {

// --excerpt START[:LENGTH]: the stretch of the recording each position plays, in thousandths of
// a second; without a length, to the end.
struct Excerpt {
    std::int64_t start = 0;
    std::optional<std::int64_t> length;
};

// One player of a stage: FILE@ANGLE[:DISTANCE[:HEIGHT]][#N] as given, with its --gain.
struct StageEntry {
    std::string entry;               // the argument as given: the messages name it
    std::string file;                // what comes before the last '@'
    int millidegrees = 0;            // the angle, negative to the left, in thousandths of a degree
    std::optional<double> distance;  // metres from the array's centre; default --distance
    std::optional<double> height;    // metres above the floor, in a room; default the source height
    int channel = 0;                 // #N, 1-based; 0: --channel's
    double gainDb = 0;               // --gain FILE=DB
};

struct CompareOptions {
    std::string input;
    std::string outputDir;            // empty: "<stem>-arrays" in the current folder
    std::vector<ChosenArray> arrays;  // the menu's in menu order, then the others as given; each once
    int channel = 0;                  // 1-based; 0: none chosen (a mono input)
    bool audio = true;
    bool quiet = false;
    // --design: the wanted recording angle in thousandths of a degree, and the pattern of the
    // pairs to look among. No input then.
    std::optional<int> design;
    std::optional<PatternChoice> pattern;
    // The loudspeakers' half angle the images and recording angles are given for: 30 or 45.
    int speakers = 30;
    // --headphones: each render also as two loudspeakers heard through a measured head, the
    // head's SOFA file (empty: the system's default one) and whether it is equalised.
    bool headphones = false;
    std::string hrtf;
    bool equalise = true;
    // --positions FROM:TO:STEP: the sweep's positions (default the thirteen from -45 to 45).
    SweepPositions positions;
    std::optional<Excerpt> excerpt;
    // --distance R: the sweep's arc's radius in metres, in free field as in a room.
    double distance = 10;
    // --source-height H in metres: in free field above the array (default 0), in a room above the
    // floor (default the array's height).
    std::optional<double> sourceHeight;
    // --room and its options, resolved: the room with its absorption solved. The renders do not
    // hear it yet.
    std::optional<RoomSetting> room;
    // --responses: each array's response at each position in the room, as floating-point WAVE.
    bool responses = false;
    // A stage: every recording at its place, heard at once; empty for the sweep of `input`.
    std::vector<StageEntry> stage{};
};

struct ParsedOptions {
    enum class Action { run, help, version, usageError } action = Action::run;
    CompareOptions options;
    RoomRequest roomRequest;         // the room's options as read, before roomSettingOf resolves them
    std::vector<std::string> gains;  // --gain FILE=DB as given, before the stage's players take them
    std::string error;               // what is wrong, for usageError
};

// Reads the arguments after the program's name. --help and --version answer at once; anything
// wrong before them is a usage error.
ParsedOptions parseCompareOptions(const std::vector<std::string>& args);

std::string compareUsage();

// The SOFA file a run with --headphones uses: --hrtf's, or the system's KEMAR measurement.
std::string sofaFileOf(const CompareOptions& options);

}  // namespace auralith
