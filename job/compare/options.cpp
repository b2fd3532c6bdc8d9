#include "job/compare/options.h"

#include <algorithm>

#include "job/compare/shown_text.h"

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

// A channel number: 1 to 65535 in decimal digits, else 0.
int channelNumber(std::string_view text) {
    if (text.empty() || text.size() > 5 || text.find_first_not_of("0123456789") != std::string_view::npos) return 0;
    const int number = std::stoi(std::string(text));
    return number <= 65535 ? number : 0;
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
    if (const Valued channel = valueOf(args, k, "", "--channel"); channel.matched) {
        parsed.options.channel = channelNumber(channel.value);
        if (!channel.hasValue)
            parsed = usageError("option " + arg + " needs a value");
        else if (parsed.options.channel == 0)
            parsed = usageError("'" + shown(channel.value) + "' is not a channel number (1 for the first)");
        return parsed.action == Action::run;
    }
    const Valued dir = valueOf(args, k, "-o", "--output-dir");
    const Valued list = dir.matched ? Valued{} : valueOf(args, k, "-a", "--arrays");
    if (dir.matched && dir.hasValue && !dir.value.empty()) parsed.options.outputDir = dir.value;
    if (list.matched && list.hasValue) parsed.options.arrays = parseArrayList(list.value);
    if (!dir.matched && !list.matched)
        parsed = usageError("unknown option '" + shown(arg) + "'");
    else if (!dir.hasValue && !list.hasValue)
        parsed = usageError("option " + arg + " needs a value");
    else if (dir.matched && dir.value.empty())
        parsed = usageError("the output folder is empty");
    else if (list.matched && parsed.options.arrays.empty())
        parsed = usageError("'" + shown(list.value) + "' is not a list of menu numbers 1 to 6 (such as 1,3,5)");
    return parsed.action == Action::run;
}

}  // namespace

std::vector<MicArray> parseArrayList(std::string_view list) {
    std::vector<MicArray> arrays;
    for (std::size_t start = 0;;) {
        const std::size_t comma = std::min(list.find(',', start), list.size());
        const auto choice = micArrayFromAnswer(list.substr(start, comma - start));
        if (!choice) return {};
        arrays.push_back(*choice);
        if (comma == list.size()) break;
        start = comma + 1;
    }
    std::sort(arrays.begin(), arrays.end());
    arrays.erase(std::unique(arrays.begin(), arrays.end()), arrays.end());
    return arrays;
}

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
    if (inputs.empty()) return usageError("no input file given");
    if (inputs.size() > 1) return usageError("more than one input file given ('" + shown(inputs[1]) + "')");
    parsed.options.input = inputs[0];
    if (parsed.options.arrays.empty())
        for (int k = 1; k <= micArrayCount; ++k) parsed.options.arrays.push_back(static_cast<MicArray>(k));
    return parsed;
}

std::string_view compareUsage() {
    return "Usage: auralith-compare [OPTIONS] INPUT\n"
           "Renders a recording through each of the six stereo microphone arrays, with the sweep's\n"
           "positions marked, and reports each array's channel differences, predicted image, stereo\n"
           "recording angle and loudness. INPUT is any file libsndfile reads (WAVE, RF64, AIFF,\n"
           "FLAC, W64, CAF, ...; 8- to 32-bit or floating-point samples, 8 000 to 192 000 Hz); the\n"
           "renders are 16-bit WAVE files at its own rate.\n"
           "\n"
           "  -o, --output-dir DIR  where the files go (default: STEM-arrays, STEM being the\n"
           "                        input's name without folder and extension); created if missing\n"
           "  -a, --arrays LIST     which arrays, as menu numbers (such as 1,3,5; default all six):\n"
           "                        1 Blumlein crossed pair, 2 Coincident cardioids (105 deg),\n"
           "                        3 Faulkner near-coincident pair, 4 ORTF near-coincident pair,\n"
           "                        5 Two spaced omnis, 6 Decca three-omni tree\n"
           "      --channel N       the channel of a file of more than one to render (1 the first)\n"
           "      --no-audio        the numbers and the picture only: no renders, no loudness\n"
           "  -q, --quiet           no progress and no closing table\n"
           "  -h, --help            this text\n"
           "      --version         the program's name and version\n"
           "\n"
           "Files, for each array k: STEM-k-NAME.wav (what auralith writes for menu choice k),\n"
           "STEM-k-NAME.txt (Audacity labels of the thirteen positions); and report.csv, arrays.csv,\n"
           "report.html.\n"
           "Exit status: 0 when everything was written, 1 when the input is refused or a file cannot\n"
           "be written, 2 for wrong usage.\n";
}

}  // namespace auralith
