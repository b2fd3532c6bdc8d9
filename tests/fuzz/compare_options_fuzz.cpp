// Arbitrary bytes as auralith-compare's command line, split into arguments at NUL bytes: the
// option reading must end in one of its four answers, each consistent with what it says (a
// stage's players among them).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <variant>
#include <vector>

#include "catalogue/array_list.h"
#include "job/compare/options.h"

namespace {

using namespace auralith;
using Action = ParsedOptions::Action;

void require(bool holds, const char* what) {
    if (holds) return;
    std::fprintf(stderr, "compare_options_fuzz: %s\n", what);
    std::abort();
}

std::vector<std::string> argumentsOf(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> args(1);
    for (std::size_t k = 0; k < size; ++k) {
        if (data[k] == 0)
            args.emplace_back();
        else
            args.back() += static_cast<char>(data[k]);
    }
    if (size == 0) args.clear();
    return args;
}

bool mentions(const std::vector<std::string>& args, const char* a, const char* b) {
    for (const std::string& arg : args)
        if (arg == a || arg == b) return true;
    return false;
}

// The menu's arrays first, in menu order; every file name part distinct and made of lower-case
// letters, digits, '.' and '-' only.
void requireDistinctSafeArrays(const std::vector<ChosenArray>& arrays) {
    for (std::size_t k = 0; k < arrays.size(); ++k) {
        const auto* menu = std::get_if<MicArray>(&arrays[k].model);
        const auto* before = k == 0 ? nullptr : std::get_if<MicArray>(&arrays[k - 1].model);
        if (menu != nullptr && k > 0) require(before != nullptr && *menu > *before, "arrays out of order");
        for (std::size_t j = 0; j < k; ++j) require(arrays[j].slug != arrays[k].slug, "an array twice");
        require(!arrays[k].slug.empty(), "an empty slug");
        for (const char c : arrays[k].slug)
            require((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' || c == '-', "an unsafe slug");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::string> args = argumentsOf(data, size);
    const ParsedOptions parsed = parseCompareOptions(args);
    switch (parsed.action) {
        case Action::help: require(mentions(args, "-h", "--help"), "help without asking"); break;
        case Action::version: require(mentions(args, "--version", "--version"), "version without asking"); break;
        case Action::usageError:
            require(!parsed.error.empty(), "a usage error that says nothing");
            require(parsed.error.find('\n') == std::string::npos, "a usage error of more than one line");
            for (const char c : parsed.error)
                require(static_cast<unsigned char>(c) >= 0x20 && c != 0x7f, "a control character in a usage error");
            break;
        case Action::run: {
            const CompareOptions& o = parsed.options;
            if (o.design) {
                require(o.pattern && o.arrays.empty() && o.input.empty(), "a design with a recording or arrays");
                break;
            }
            require(!o.arrays.empty(), "no arrays");
            requireDistinctSafeArrays(o.arrays);
            // The sweep's recording, or a stage's players, each as it stood on the command line.
            require(o.stage.empty() || o.input.empty(), "both a sweep and a stage");
            require(o.stage.size() <= 64, "more players than a stage holds");
            std::vector<std::string> inputs{o.input};
            if (!o.stage.empty()) inputs.clear();
            for (const StageEntry& entry : o.stage) {
                require(entry.entry.starts_with(entry.file + "@"), "a player's file that is not its entry's");
                require(entry.millidegrees >= -90000 && entry.millidegrees <= 90000, "a player's angle out of range");
                inputs.push_back(entry.entry);
            }
            for (const std::string& input : inputs) {
                bool given = false;
                for (const std::string& arg : args) given = given || arg == input;
                require(given, "an input that was not on the command line");
            }
            require(o.channel >= 0 && o.channel <= 65535, "a channel out of range");
            break;
        }
    }
    // Each list the reading accepts names only what it holds: every key as written in it.
    const std::string list(reinterpret_cast<const char*>(data), size);
    const ArrayList read = parseArrayList(list);
    require(read.arrays.empty() == (read.fault.kind != ListFault::Kind::none), "a list both read and faulty");
    requireDistinctSafeArrays(read.arrays);
    for (const ChosenArray& array : read.arrays)
        require(list.find(array.key) != std::string::npos, "a key not in the list");
    return 0;
}
