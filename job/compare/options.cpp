#include "job/compare/options.h"

#include <algorithm>

#include "catalogue/array_list.h"
#include "catalogue/built_in_arrays.h"
#include "catalogue/techniques.h"
#include "job/compare/room_options.h"
#include "job/compare/stage_options.h"

#include "report/shown_text.h"

namespace auralith {

namespace {

using Action = ParsedOptions::Action;

// An argument as a usage error quotes it: control characters and bytes that are not UTF-8
// written as \xNN, so that the message stays on one line and the terminal acts on none of it.
std::string shown(std::string_view arg) { return shownOnTerminal(arg); }

ParsedOptions usageError(std::string message) {
    ParsedOptions parsed;
    parsed.action = Action::usageError;
    parsed.error = std::move(message);
    return parsed;
}

// The value of an option that takes one: attached ("-oDIR", "--output-dir=DIR") or the next
// argument. Empty when there is none.
struct Valued {
    bool matched = false;
    bool hasValue = false;
    std::string value;
};

Valued valueOf(const std::vector<std::string>& args, std::size_t& k, std::string_view shortName,
               std::string_view longName) {
    const std::string& arg = args[k];
    Valued v;
    if ((!shortName.empty() && arg == shortName) || arg == longName) {
        v.matched = true;
        if (k + 1 < args.size()) {
            v.hasValue = true;
            v.value = args[++k];
        }
    } else if (!shortName.empty() && arg.size() > shortName.size() && arg.starts_with(shortName) &&
               !arg.starts_with("--")) {
        v = {true, true, arg.substr(shortName.size())};
    } else if (arg.starts_with(std::string(longName) + "=")) {
        v = {true, true, arg.substr(longName.size() + 1)};
    }
    return v;
}

// "1 to 6": the built-in arrays' numbers, from the catalogue's rows.
std::string menuNumbers() {
    const auto rows = builtInArrays();
    return std::to_string(rows.front().menu) + " to " + std::to_string(rows.back().menu);
}

std::string techniqueKeys() {
    std::string keys;
    for (const Technique& t : namedTechniques()) keys += (keys.empty() ? "" : ", ") + std::string(t.key);
    return keys;
}

constexpr std::string_view patternNames =
    "none of omni, subcardioid, cardioid, supercardioid, hypercardioid, figure8, nor a number from 0 to 1";

constexpr std::string_view tooManyDecimals = "has more than three decimals: p is given to a thousandth, 0 to 1";

// What is wrong with an -a list, naming the entry and the part of it.
std::string listFaultText(const ListFault& f) {
    using Kind = ListFault::Kind;
    const std::string entry = "'" + shown(f.entry) + "'";
    const std::string part = entry + ": " + f.part + " '" + shown(f.value) + "' ";
    switch (f.kind) {
        case Kind::none: break;
        case Kind::notMenuNumbers:
            return entry + " is not a list of menu numbers " + menuNumbers() + " (such as 1,3,5)";
        case Kind::emptyEntry: return entry + " has an empty entry";
        case Kind::unknownEntry:
            return entry + " is not a menu number " + menuNumbers() + ", a named technique (" + techniqueKeys() +
                   "), pair:PATTERN:ANGLE:SPACING, tree:WIDTH:DEPTH:PATTERN or ms:PATTERN:WIDTH";
        case Kind::partCount: {
            const bool ms = f.part == "ms";
            return entry + " is not " + f.part +
                   (ms                 ? ":PATTERN:WIDTH"
                    : f.part == "pair" ? ":PATTERN:ANGLE:SPACING"
                                       : ":WIDTH:DEPTH:PATTERN") +
                   " (" + (ms ? "two" : "three") + " values after '" + f.part + ":', separated by ':')";
        }
        case Kind::unknownPattern: return part + "is " + std::string(patternNames);
        case Kind::tooManyDecimals: return part + std::string(tooManyDecimals);
        case Kind::notANumber:
            return part + "is not a number (digits, at most three of them after a point) of " + f.range;
        case Kind::outOfRange: return part + "is outside " + f.range;
    }
    return {};
}

// FROM:TO:STEP in degrees, FROM to TO within -180 to 180 and STEP above 0, 2 to 361 positions.
std::optional<SweepPositions> positionsOf(std::string_view text) {
    const std::size_t first = text.find(':');
    const std::size_t second = first == std::string_view::npos ? first : text.find(':', first + 1);
    if (second == std::string_view::npos) return std::nullopt;
    const auto from = signedThousandths(text.substr(0, first));
    const auto to = signedThousandths(text.substr(first + 1, second - first - 1));
    const auto step = signedThousandths(text.substr(second + 1));
    if (!from || !to || !step || *from < -180000 || *to > 180000 || *to < *from || *step <= 0) return std::nullopt;
    const SweepPositions positions{*from, *to, *step};
    if (positions.count() < 2 || positions.count() > 361) return std::nullopt;
    return positions;
}

// START[:LENGTH] in seconds, LENGTH above 0.
std::optional<Excerpt> excerptOf(std::string_view text) {
    const std::size_t colon = text.find(':');
    const std::optional<int> start = thousandthsOf(text.substr(0, colon));
    if (!start) return std::nullopt;
    if (colon == std::string_view::npos) return Excerpt{*start, std::nullopt};
    const std::optional<int> length = thousandthsOf(text.substr(colon + 1));
    if (!length || *length == 0) return std::nullopt;
    return Excerpt{*start, *length};
}

// --positions FROM:TO:STEP and --excerpt START[:LENGTH].
bool readSweepOption(const std::vector<std::string>& args, std::size_t& k, ParsedOptions& parsed) {
    const std::string arg = args[k];
    const Valued positions = valueOf(args, k, "", "--positions");
    const Valued excerpt = positions.matched ? Valued{} : valueOf(args, k, "", "--excerpt");
    const auto sweep = positions.hasValue ? positionsOf(positions.value) : std::nullopt;
    const auto stretch = excerpt.hasValue ? excerptOf(excerpt.value) : std::nullopt;
    if (!positions.matched && !excerpt.matched)
        parsed = usageError("unknown option '" + shown(arg) + "'");
    else if (!positions.hasValue && !excerpt.hasValue)
        parsed = usageError("option " + arg + " needs a value");
    else if (positions.matched && !sweep)
        parsed = usageError("--positions '" + shown(positions.value) +
                            "' is not FROM:TO:STEP in degrees (FROM to TO within -180 to 180, STEP above 0, "
                            "2 to 361 positions)");
    else if (excerpt.matched && !stretch)
        parsed = usageError("--excerpt '" + shown(excerpt.value) +
                            "' is not START or START:LENGTH in seconds (such as 12.5:8)");
    else if (positions.matched)
        parsed.options.positions = *sweep;
    else
        parsed.options.excerpt = stretch;
    return parsed.action == Action::run;
}

// --design SRA and --pattern NAME|P.
bool readDesignOption(const std::vector<std::string>& args, std::size_t& k, ParsedOptions& parsed) {
    const std::string arg = args[k];
    const Valued design = valueOf(args, k, "--design", "--design");
    const Valued pattern = design.matched ? Valued{} : valueOf(args, k, "--pattern", "--pattern");
    const std::optional<int> angle = design.hasValue ? thousandthsOf(design.value) : std::nullopt;
    PatternChoice choice;
    const PatternFault fault = pattern.hasValue ? readPattern(pattern.value, choice) : PatternFault::none;
    if (!design.matched && !pattern.matched)
        parsed = usageError("unknown option '" + shown(arg) + "'");
    else if (!design.hasValue && !pattern.hasValue)
        parsed = usageError("option " + arg + " needs a value");
    else if (design.matched && (!angle || *angle < 20000 || *angle > 180000))
        parsed = usageError("--design '" + shown(design.value) + "' is not a recording angle of 20 to 180 degrees");
    else if (fault == PatternFault::unknown)
        parsed = usageError("--pattern '" + shown(pattern.value) + "' is " + std::string(patternNames));
    else if (fault == PatternFault::outOfRange)
        parsed = usageError("--pattern '" + shown(pattern.value) + "' is outside 0 to 1");
    else if (fault == PatternFault::tooManyDecimals)
        parsed = usageError("--pattern '" + shown(pattern.value) + "' " + std::string(tooManyDecimals));
    else if (design.matched)
        parsed.options.design = angle;
    else
        parsed.options.pattern = choice;
    return parsed.action == Action::run;
}

// -H, --headphones, --hrtf FILE, --no-eq and --speakers 30|45.
bool readListeningOption(const std::vector<std::string>& args, std::size_t& k, ParsedOptions& parsed) {
    const std::string arg = args[k];
    if (arg == "-H" || arg == "--headphones") {
        parsed.options.headphones = true;
        return true;
    }
    if (arg == "--no-eq") {
        parsed.options.equalise = false;
        return true;
    }
    const Valued hrtf = valueOf(args, k, "", "--hrtf");
    const Valued speakers = hrtf.matched ? Valued{} : valueOf(args, k, "", "--speakers");
    if (!hrtf.matched && !speakers.matched)
        parsed = usageError("unknown option '" + shown(arg) + "'");
    else if (!hrtf.hasValue && !speakers.hasValue)
        parsed = usageError("option " + arg + " needs a value");
    else if (hrtf.matched && hrtf.value.empty())
        parsed = usageError("the SOFA file's name is empty");
    else if (hrtf.matched)
        parsed.options.hrtf = hrtf.value;
    else if (speakers.value == "30" || speakers.value == "45")
        parsed.options.speakers = speakers.value == "30" ? 30 : 45;
    else
        parsed = usageError("--speakers '" + shown(speakers.value) + "' is neither 30 nor 45 (degrees each side)");
    return parsed.action == Action::run;
}

bool isListeningOption(std::string_view arg) {
    return arg == "-H" || arg == "--headphones" || arg == "--no-eq" || arg.starts_with("--hrtf") ||
           arg.starts_with("--speakers");
}

bool isRoomOption(std::string_view arg) { return arg == "--no-air" || isRoomValueOption(arg.substr(0, arg.find('='))); }

// --room, --rt60, --absorption, --array-at, --distance, --source-height and --no-air, each value
// checked for its own form here; roomSettingOf says whether they go together.
bool readRoomOption(const std::vector<std::string>& args, std::size_t& k, ParsedOptions& parsed) {
    const std::string arg = args[k];
    if (arg == "--no-air") {
        parsed.roomRequest.air = false;
        return true;
    }
    const Valued value = valueOf(args, k, "", arg.substr(0, arg.find('=')));
    if (!value.hasValue)
        parsed = usageError("option " + arg + " needs a value");
    else if (const std::string why = readRoomValue(arg.substr(0, arg.find('=')), value.value, parsed.roomRequest);
             !why.empty())
        parsed = usageError(why);
    return parsed.action == Action::run;
}

bool anyRoomOption(const RoomRequest& r) {
    return r.room() || r.rt60 || r.absorption || !r.air || r.arrayAt || r.distance || r.sourceHeight;
}

// The arc and the room as asked for, the room holding the stage's players when there are some
// and the sweep's positions otherwise; the room's absorption solved, which takes a moment.
ParsedOptions resolvedRoom(ParsedOptions parsed, const std::vector<NamedSource>* players) {
    parsed.options.distance = parsed.roomRequest.distance.value_or(parsed.options.distance);
    parsed.options.sourceHeight = parsed.roomRequest.sourceHeight;
    auto setting = players != nullptr ? roomSettingOf(parsed.roomRequest, *players)
                                      : roomSettingOf(parsed.roomRequest, parsed.options.positions);
    if (const auto* refusal = std::get_if<RoomRefusal>(&setting)) return usageError(refusal->why);
    parsed.options.room = std::move(std::get<std::optional<RoomSetting>>(setting));
    if (parsed.options.room) parsed.options.distance = parsed.options.room->distance;
    return parsed;
}

// The headphone options go together, and with the renders.
ParsedOptions checkedListening(ParsedOptions parsed) {
    const CompareOptions& o = parsed.options;
    if (!o.headphones && !o.hrtf.empty()) return usageError("--hrtf goes with --headphones");
    if (!o.headphones && !o.equalise) return usageError("--no-eq goes with --headphones");
    if (o.headphones && o.design) return usageError("--design takes no --headphones");
    if (o.headphones && !o.audio) return usageError("--headphones renders audio: it cannot go with --no-audio");
    return parsed;
}

// The responses are a room's, at the level of the renders they go with: in free field a response
// would be the direct taps alone, and without the recording the guard gain is unknown.
ParsedOptions checkedResponses(ParsedOptions parsed) {
    if (parsed.options.responses && !parsed.roomRequest.room()) return usageError("--responses goes with --room");
    if (parsed.options.responses && !parsed.options.audio)
        return usageError("--responses goes with the renders: it cannot go with --no-audio");
    return parsed;
}

// A stage: its players with their gains, apart from each other, and in a room inside it. The
// players' defaults are the sweep's: --distance's radius (the preset's in a room) and the sources'
// height.
ParsedOptions stagedOptions(ParsedOptions parsed, const std::vector<std::string>& inputs) {
    auto read = stageOf(inputs);
    if (const auto* why = std::get_if<std::string>(&read)) return usageError(*why);
    std::vector<StageEntry>& stage = parsed.options.stage = std::move(std::get<std::vector<StageEntry>>(read));
    if (parsed.options.positions != SweepPositions{})
        return usageError("--positions goes with a single recording, the sweep");
    if (const std::string why = applyGains(stage, parsed.gains); !why.empty()) return usageError(why);
    const RoomRequest& request = parsed.roomRequest;
    for (const StageEntry& entry : stage)
        if (entry.height && !request.room())
            return usageError("'" + shown(entry.entry) + "': a height goes with --room");
    StageFrame frame{{}, request.distance.value_or(parsed.options.distance), 0};
    if (request.room()) {
        const RoomSetting placed = placedRoomOf(request);
        frame = StageFrame{placed.arrayAt, placed.distance, placed.sourceHeight};
    }
    if (const std::string why = crowdingFault(stage, frame); !why.empty()) return usageError(why);
    const std::vector<NamedSource> players = request.room() ? stageSources(stage, frame) : std::vector<NamedSource>{};
    return resolvedRoom(std::move(parsed), &players);
}

// --design asks for no recording and no arrays: what it finds, it lists.
ParsedOptions designOptions(ParsedOptions parsed, const std::vector<std::string>& inputs) {
    if (!parsed.options.design) return usageError("--pattern goes with --design");
    if (!inputs.empty()) return usageError("--design takes no recording ('" + shown(inputs[0]) + "')");
    if (!parsed.options.arrays.empty()) return usageError("--design takes no -a list");
    if (anyRoomOption(parsed.roomRequest)) return usageError("--design takes none of the room's options");
    if (parsed.options.excerpt || parsed.options.positions != SweepPositions{})
        return usageError("--design takes neither --positions nor --excerpt");
    if (!parsed.options.pattern) parsed.options.pattern = PatternChoice{"cardioid", 500};
    return parsed;
}

// One option at args[k] into `parsed`; false when it ends the reading (help, version, a fault).
bool readOption(const std::vector<std::string>& args, std::size_t& k, ParsedOptions& parsed) {
    const std::string& arg = args[k];
    if (arg == "-h" || arg == "--help") {
        parsed.action = Action::help;
        return false;
    }
    if (arg == "--version") {
        parsed.action = Action::version;
        return false;
    }
    if (arg == "-q" || arg == "--quiet") {
        parsed.options.quiet = true;
        return true;
    }
    if (arg == "--no-audio") {
        parsed.options.audio = false;
        return true;
    }
    if (arg == "--responses") {
        parsed.options.responses = true;
        return true;
    }
    if (const Valued gain = valueOf(args, k, "", "--gain"); gain.matched) {
        if (gain.hasValue)
            parsed.gains.push_back(gain.value);
        else
            parsed = usageError("option " + arg + " needs a value");
        return parsed.action == Action::run;
    }
    if (const Valued channel = valueOf(args, k, "", "--channel"); channel.matched) {
        parsed.options.channel = channelNumber(channel.value);
        if (!channel.hasValue)
            parsed = usageError("option " + arg + " needs a value");
        else if (parsed.options.channel == 0)
            parsed = usageError("'" + shown(channel.value) + "' is not a channel number (1 for the first)");
        return parsed.action == Action::run;
    }
    if (arg.starts_with("--design") || arg.starts_with("--pattern")) return readDesignOption(args, k, parsed);
    if (isListeningOption(arg)) return readListeningOption(args, k, parsed);
    if (arg.starts_with("--positions") || arg.starts_with("--excerpt")) return readSweepOption(args, k, parsed);
    if (isRoomOption(arg)) return readRoomOption(args, k, parsed);
    const Valued dir = valueOf(args, k, "-o", "--output-dir");
    const Valued list = dir.matched ? Valued{} : valueOf(args, k, "-a", "--arrays");
    if (dir.matched && dir.hasValue && !dir.value.empty()) parsed.options.outputDir = dir.value;
    const ArrayList chosen = list.matched && list.hasValue ? parseArrayList(list.value) : ArrayList{};
    if (list.matched && list.hasValue) parsed.options.arrays = chosen.arrays;
    if (!dir.matched && !list.matched)
        parsed = usageError("unknown option '" + shown(arg) + "'");
    else if (!dir.hasValue && !list.hasValue)
        parsed = usageError("option " + arg + " needs a value");
    else if (dir.matched && dir.value.empty())
        parsed = usageError("the output folder is empty");
    else if (list.matched && chosen.fault.kind != ListFault::Kind::none)
        parsed = usageError(listFaultText(chosen.fault));
    return parsed.action == Action::run;
}

}  // namespace

ParsedOptions parseCompareOptions(const std::vector<std::string>& args) {
    ParsedOptions parsed;
    std::vector<std::string> inputs;
    bool optionsEnded = false;
    for (std::size_t k = 0; k < args.size(); ++k) {
        const std::string& arg = args[k];
        if (!optionsEnded && arg == "--") {
            optionsEnded = true;
        } else if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            inputs.push_back(arg);  // "-" alone is a file of that name
        } else if (!readOption(args, k, parsed)) {
            return parsed;
        }
    }
    parsed = checkedResponses(checkedListening(std::move(parsed)));
    if (parsed.action != Action::run) return parsed;
    // One argument without a place is the sweep's recording; any with one make a stage.
    const bool staged = std::any_of(inputs.begin(), inputs.end(), [](const std::string& a) { return hasPlace(a); });
    if (!staged && !parsed.gains.empty())
        return usageError("--gain '" + shown(parsed.gains[0]) + "' goes with a stage (FILE@ANGLE ...)");
    if (parsed.options.design || parsed.options.pattern) return designOptions(std::move(parsed), inputs);
    if (inputs.empty()) return usageError("no input file given");
    if (parsed.options.arrays.empty())
        for (const BuiltInArray& array : builtInArrays()) parsed.options.arrays.push_back(builtInChoice(array));
    if (staged) return stagedOptions(std::move(parsed), inputs);
    if (inputs.size() > 1) return usageError("more than one input file given ('" + shown(inputs[1]) + "')");
    parsed.options.input = inputs[0];
    return resolvedRoom(std::move(parsed), nullptr);
}

std::string sofaFileOf(const CompareOptions& options) {
    return options.hrtf.empty() ? std::string(AURALITH_DEFAULT_SOFA) : options.hrtf;
}

namespace {

// The help comes in headed groups, each line at most 80 columns: options at 2, their
// explanations at 24; -a's entries at 8, theirs at 18.
constexpr const char* inputUsage =
    "Input:\n"
    "  INPUT                 any file libsndfile reads (WAVE, RF64, AIFF, FLAC, W64,\n"
    "                        CAF, ...; 8- to 32-bit or floating-point samples,\n"
    "                        8 000 to 192 000 Hz)\n"
    "  FILE@ANGLE[:DISTANCE[:HEIGHT]][#N] ...\n"
    "                        a stage of up to 64 players instead of the sweep: FILE\n"
    "                        at ANGLE degrees (-90 to 90, negative to the left),\n"
    "                        DISTANCE metres from the array (1 to 100, default\n"
    "                        --distance's), HEIGHT metres above the floor (0 to\n"
    "                        100, with --room; default --source-height's), playing\n"
    "                        its channel N (default --channel's); the last '@'\n"
    "                        splits, and players stand 0.5 m apart at least\n"
    "      --gain FILE=DB    FILE's players louder or softer by DB decibels (-60 to\n"
    "                        24), once for each FILE\n"
    "      --channel N       the channel of a file of more than one to render\n"
    "                        (1 the first)\n"
    "      --positions FROM:TO:STEP\n"
    "                        the sweep's positions in degrees, negative to the left\n"
    "                        (default -45:45:7.5, the thirteen of auralith;\n"
    "                        -90:90:15 goes past the loudspeakers)\n"
    "      --excerpt START[:LENGTH]\n"
    "                        each position plays only that stretch of the\n"
    "                        recording, in seconds (to its end without LENGTH)\n"
    "  With a stage, each array's render plays all the players at once, each from\n"
    "  its place, with stage.csv beside the reports; --positions goes with none.\n";

// An entry of -a's list and what it is, the text from column 18.
std::string listEntry(std::string_view entry, std::string_view what) {
    const std::string key = "        " + std::string(entry);
    return key + (key.size() < 18 ? std::string(18 - key.size(), ' ') : "\n" + std::string(18, ' ')) +
           std::string(what) + "\n";
}

// -a's entries: the menu's arrays and the named techniques from the catalogue, then the
// described forms and the patterns.
std::string arraysUsage() {
    std::string entries;
    for (const BuiltInArray& array : builtInArrays()) entries += listEntry(std::to_string(array.menu), array.name);
    for (const Technique& t : namedTechniques())
        entries += listEntry(t.key, techniqueChoice(t).name.substr(t.title.size() + 2)) + std::string(18, ' ') + "(" +
                   std::string(t.source) + ")\n";
    return "Arrays:\n"
           "  -a, --arrays LIST     which arrays, separated by commas (default the six of\n"
           "                        the menu; such as 4,nos,pair:cardioid:100:25), each\n"
           "                        a menu number, a named technique or a description:\n" +
           entries +
           listEntry("pair:PATTERN:ANGLE:SPACING",
                     "two microphones of one pattern, their axes ANGLE degrees\n"
                     "                  apart (0 to 180) and symmetric about the front, SPACING\n"
                     "                  centimetres apart across it (0 to 200)") +
           listEntry("tree:WIDTH:DEPTH:PATTERN",
                     "the tree's layout, mixed as array 6: the outer microphones\n"
                     "                  WIDTH metres apart (0 to 4), the centre one DEPTH metres\n"
                     "                  forward (0 to 3), all facing the front") +
           listEntry("ms:PATTERN:WIDTH",
                     "mid-side: a mid microphone of PATTERN facing the front, a\n"
                     "                  figure of eight facing the left, L = M + WIDTH S,\n"
                     "                  R = M - WIDTH S (WIDTH 0 to 2)") +
           listEntry("PATTERN",
                     "omni, subcardioid (0.7), cardioid (0.5), supercardioid\n"
                     "                  (0.37), hypercardioid (0.25), figure8 (0), or p itself,\n"
                     "                  0 to 1: the response p + (1 - p) cos(a) at an angle a\n"
                     "                  off the axis") +
           "      --design SRA      for each angle between the axes from 0 to 180 degrees\n"
           "                        in steps of 10 (omnis: one row), the spacing (0 to\n"
           "                        200 cm, to 0.1 cm, or to 0.001 cm where no tenth comes\n"
           "                        within 0.2 degrees) at which a pair has the recording\n"
           "                        angle SRA (20 to 180 degrees): a table, design.csv and\n"
           "                        design.html\n"
           "      --pattern PATTERN the pattern of the pairs --design looks among\n"
           "                        (default cardioid)\n";
}

constexpr const char* roomUsage =
    "Room:\n"
    "      --room WxDxH|PRESET\n"
    "                        the sweep in a shoebox room of W x D x H metres (2 to\n"
    "                        100 each, such as 26x42x17), or in a real room's size\n"
    "                        and reverberation times: studio, chamber, hall, church\n"
    "                        (without it, free field)\n"
    "      --rt60 T|BAND:T,...\n"
    "                        the reverberation time in seconds, in every band or in\n"
    "                        each of 125, 250, 500, 1k, 2k, 4k, 8k (such as 125:2.2,\n"
    "                        250:2.1,500:2,1k:1.9,2k:1.7,4k:1.4,8k:1), met as T30\n"
    "                        measured on the room's own response\n"
    "      --absorption A|L,R,S,B,F,C\n"
    "                        what the surfaces absorb, 0 to 1: all alike, or the\n"
    "                        left, right, stage end and back walls, the floor, the\n"
    "                        ceiling\n"
    "      --no-air          the room without the air's absorption\n"
    "      --array-at X,Y,Z  the array's place in metres from the left wall, the back\n"
    "                        wall and the floor (default the preset's, off the centre\n"
    "                        line); it faces the stage's end wall\n"
    "      --distance R      the sweep's radius, 1 to 100 metres (default 10, or the\n"
    "                        preset's)\n"
    "      --source-height H the sources' height in metres above the floor (default\n"
    "                        the array's)\n"
    "      --responses       also STEM-SLUG-response-p00.wav and on: each position's\n"
    "                        response as mixed, 32-bit float WAVE, sample 0 being\n"
    "                        0.1 s before the direct sound would reach the array\n";

constexpr const char* outputsUsage =
    "Outputs:\n"
    "  -o, --output-dir DIR  where the files go (default: STEM-arrays, STEM being\n"
    "                        the input's name without folder and extension;\n"
    "                        design-SRA for --design); created if missing\n"
    "      --no-audio        the numbers and the picture only: no renders, no\n"
    "                        loudness\n"
    "  For each array STEM-SLUG.wav, the render, 16-bit stereo WAVE at the input's\n"
    "  rate (for menu choice k, STEM-k-NAME.wav, what auralith writes for it), and\n"
    "  STEM-SLUG.txt, Audacity labels of the positions, SLUG being the array's\n"
    "  number and name, the technique's name, or its description with '-' for ':';\n"
    "  and report.csv, arrays.csv, report.html.\n";

// The default head's file on a line of its own: its path is the build's choice.
constexpr const char* headphonesUsage =
    "Headphones:\n"
    "  -H, --headphones      also STEM-SLUG-headphones.wav: the render as its two\n"
    "                        loudspeakers reach the ears of a measured head, for\n"
    "                        listening on headphones, and the cues at the ears in\n"
    "                        the reports\n"
    "      --hrtf FILE       the head: a SOFA file of two ears' responses (default\n"
    "                        the MIT KEMAR measurement,\n"
    "                        " AURALITH_DEFAULT_SOFA
    ")\n"
    "      --no-eq           the head's responses as measured, without the\n"
    "                        diffuse-field equalisation\n"
    "      --speakers 30|45  the loudspeakers at +-30 (default) or +-45 degrees: the\n"
    "                        images, the recording angles and the headphone renders\n"
    "                        follow them\n";

constexpr const char* othersUsage =
    "Others:\n"
    "  -q, --quiet           no progress and no closing table\n"
    "  -h, --help            this text\n"
    "      --version         the program's name and version\n"
    "\n"
    "Exit status:\n"
    "  0 when everything was written, 1 when the input is refused or a file cannot\n"
    "  be written, 2 for wrong usage\n"
    "\n"
    "Examples:\n"
    "  auralith-compare -a 4,nos,pair:cardioid:100:25 take.wav\n"
    "  auralith-compare -H --speakers 45 -o heard take.wav\n"
    "  auralith-compare --room hall -a ortf,ab40 take.wav\n"
    "  auralith-compare --room hall vl.wav@-30 va.wav@10:8 vc.wav@30:9:1.2\n"
    "  auralith-compare --design 100 --pattern supercardioid\n";

}  // namespace

std::string compareUsage() {
    return std::string(
               "Usage: auralith-compare [OPTIONS] INPUT\n"
               "       auralith-compare [OPTIONS] FILE@ANGLE[:DISTANCE[:HEIGHT]][#N] ...\n"
               "       auralith-compare --design SRA [--pattern PATTERN] [-o DIR]\n"
               "Renders a recording through stereo microphone arrays (the six of the menu, the\n"
               "field's named techniques, pairs and trees you describe), with the sweep's\n"
               "positions marked, and reports each array's channel differences, predicted\n"
               "image, stereo recording angle and loudness. With --design it takes no\n"
               "recording and finds the pairs that have the recording angle you want. Given\n"
               "several recordings at their places, a stage, each array hears them at once.\n"
               "\n") +
           inputUsage + "\n" + arraysUsage() + "\n" + roomUsage + "\n" + outputsUsage + "\n" + headphonesUsage + "\n" +
           othersUsage;
}

}  // namespace auralith
