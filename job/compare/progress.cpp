#include "job/compare/progress.h"

#include <algorithm>
#include <cmath>
#include <string>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace auralith {

bool standardErrorIsTerminal() {
#ifdef _WIN32
    return _isatty(_fileno(stderr)) != 0;
#else
    return ::isatty(STDERR_FILENO) != 0;
#endif
}

std::string progressLine(int index, int arrays, std::string_view name, double done) {
    constexpr int width = 20;
    const double whole = std::clamp((index + done) / std::max(arrays, 1), 0.0, 1.0);
    const auto filled = static_cast<int>(whole * width);
    const auto percent = static_cast<int>(whole * 100);
    std::string line = "[" + std::string(static_cast<std::size_t>(filled), '#') +
                       std::string(static_cast<std::size_t>(width - filled), '-') + "] ";
    line += std::string(percent < 10    ? 2
                        : percent < 100 ? 1
                                        : 0,
                        ' ') +
            std::to_string(percent) + "%  array " + std::to_string(index + 1) + " of " + std::to_string(arrays) + ": " +
            std::string(name);
    return line;
}

void ProgressBar::show(int index, std::string_view name, double done) {
    if (!shown_) return;
    // "\r" and "erase to the end of the line" redraw it in place.
    std::fprintf(err_, "\r%s\033[K", progressLine(index, arrays_, name, done).c_str());
    std::fflush(err_);
    drawn_ = true;
}

void ProgressBar::clear() {
    if (!drawn_) return;
    std::fputs("\r\033[K", err_);
    std::fflush(err_);
    drawn_ = false;
}

}  // namespace auralith
