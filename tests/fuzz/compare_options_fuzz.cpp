// Arbitrary bytes as auralith-compare's command line, split into arguments at NUL bytes: the
// option reading must end in one of its four answers, each consistent with what it says.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

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
            require(!o.arrays.empty() && o.arrays.size() <= 6, "no arrays, or too many");
            for (std::size_t k = 0; k < o.arrays.size(); ++k) {
                const int number = static_cast<int>(o.arrays[k]);
                require(number >= 1 && number <= 6, "an array outside the menu");
                require(k == 0 || number > static_cast<int>(o.arrays[k - 1]), "arrays out of order or twice");
            }
            bool given = false;
            for (const std::string& arg : args) given = given || arg == o.input;
            require(given, "an input that was not on the command line");
            require(o.channel >= 0 && o.channel <= 65535, "a channel out of range");
            break;
        }
    }
    // Each list the reading accepts holds menu numbers only, in order, once each.
    const std::string list(reinterpret_cast<const char*>(data), size);
    for (const MicArray array : parseArrayList(list))
        require(list.find(static_cast<char>('0' + static_cast<int>(array))) != std::string::npos,
                "a number not in the list");
    return 0;
}
