// auralith-compare: the six arrays side by side, with their numbers, markers and a picture.
#include <csignal>
#include <string>
#include <vector>

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
// shellapi.h needs windows.h before it.
#include <fcntl.h>
#include <io.h>
#include <shellapi.h>
#endif

#include "job/compare/progress.h"
#include "job/compare/run.h"
#include "sim/model/extended_math.h"

namespace {

// The arguments after the program's name, as UTF-8: the file access takes names so on every
// platform, and Windows hands main them in the console's code page.
std::vector<std::string> argumentsOf(int argc, char** argv) {
#ifdef _WIN32
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (wide != nullptr) {
        std::vector<std::string> args;
        for (int k = 1; k < count; ++k) {
            const int length = WideCharToMultiByte(CP_UTF8, 0, wide[k], -1, nullptr, 0, nullptr, nullptr);
            std::string arg(static_cast<std::size_t>(length > 0 ? length : 1), '\0');
            WideCharToMultiByte(CP_UTF8, 0, wide[k], -1, arg.data(), length, nullptr, nullptr);
            arg.resize(arg.size() - 1);  // the terminating NUL
            args.push_back(arg);
        }
        LocalFree(wide);
        return args;
    }
#endif
    return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
}

}  // namespace

int main(int argc, char** argv) {
    auralith::useExtendedPrecision();  // before any number is computed
#ifndef _WIN32
    // A file-size limit (ulimit -f) and a closed pipe on standard output fail the write that meets
    // them, which the program reports and cleans up after, instead of ending it on the spot with
    // a temporary file left behind.
    std::signal(SIGXFSZ, SIG_IGN);
    std::signal(SIGPIPE, SIG_IGN);
#endif
#ifdef _WIN32
    // The same bytes as on Linux: lines end in "\n" alone.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
#endif
    return auralith::compareMain(argumentsOf(argc, argv), {stdout, stderr, auralith::standardErrorIsTerminal()});
}
