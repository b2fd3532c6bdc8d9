#include "job/console/error_box.h"

#include <algorithm>
#include <string>
#include <vector>

#include "job/console/char_width.h"
#include "job/console/utf8.h"

namespace auralith {

namespace {

constexpr int widestText = 64;  // the box is at most 70 columns: text, two blanks and a frame each side
constexpr int narrowestText = 20;
constexpr int mostLines = screenRows - 6;  // frame, blank rows around the text, button row

// The message's characters. A character that does not take exactly one cell shows as '?', and
// so do bytes that are not UTF-8: one '?' for each byte of a character cut short or of a stray
// byte, one for a whole sequence whose value has no character (overlong, surrogate, too large).
std::u32string messageCharacters(std::string_view text) {
    std::u32string out;
    decodeUtf8(text, [&](const Utf8Step& step) {
        const bool fits = step.kind == Utf8Step::Kind::character && isSingleWidth(step.code);
        const int marks = step.kind == Utf8Step::Kind::invalid && step.cutShort ? step.bytes : 1;
        out.append(static_cast<std::size_t>(marks), fits ? step.code : U'?');
    });
    return out;
}

// The message split at each backslash-n.
std::vector<std::u32string> splitLines(const std::u32string& text) {
    std::vector<std::u32string> lines(1);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == U'\\' && i + 1 < text.size() && text[i + 1] == U'n') {
            lines.emplace_back();
            ++i;
        } else {
            lines.back() += text[i];
        }
    }
    return lines;
}

// A line longer than `width` breaks after its last blank that fits, or hard at `width`.
void wrapInto(std::vector<std::u32string>& out, std::u32string line, std::size_t width) {
    while (line.size() > width) {
        std::size_t cut = line.rfind(U' ', width);
        const std::size_t rest = cut == std::u32string::npos || cut == 0 ? width : cut + 1;
        out.push_back(line.substr(0, cut == std::u32string::npos || cut == 0 ? width : cut));
        line.erase(0, rest);
    }
    out.push_back(std::move(line));
}

void put(ScreenModel& screen, int row, int column, std::u32string_view text, std::uint8_t attr) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const int c = column + static_cast<int>(i);
        if (c >= 1 && c <= screenColumns) screen.at(row, c) = Cell{text[i], attr};
    }
}

}  // namespace

ScreenModel withErrorBox(const ScreenModel& under, std::string_view message) {
    std::vector<std::u32string> lines;
    for (auto& line : splitLines(messageCharacters(message))) wrapInto(lines, std::move(line), widestText);
    if (lines.size() > static_cast<std::size_t>(mostLines)) lines.resize(mostLines);

    std::size_t longest = 0;
    for (const auto& line : lines) longest = std::max(longest, line.size());
    const int textWidth = std::max(narrowestText, static_cast<int>(longest));
    const int width = textWidth + 6 + textWidth % 2;  // even, like the screen: centred exactly
    const int height = static_cast<int>(lines.size()) + 6;
    const int top = (screenRows - height) / 2 + 1;
    const int left = (screenColumns - width) / 2 + 1;
    const int right = left + width - 1;
    const int bottom = top + height - 1;

    ScreenModel screen = under;
    for (int r = top; r <= bottom; ++r)
        put(screen, r, left, std::u32string(static_cast<std::size_t>(width), U' '), attrErrorBox);
    const std::u32string horizontal(static_cast<std::size_t>(width - 2), U'─');
    put(screen, top, left + 1, horizontal, attrErrorBox);
    put(screen, bottom, left + 1, horizontal, attrErrorBox);
    for (int r = top + 1; r < bottom; ++r) {
        put(screen, r, left, U"│", attrErrorBox);
        put(screen, r, right, U"│", attrErrorBox);
    }
    put(screen, top, left, U"┌", attrErrorBox);
    put(screen, top, right, U"┐", attrErrorBox);
    put(screen, bottom, left, U"└", attrErrorBox);
    put(screen, bottom, right, U"┘", attrErrorBox);
    put(screen, top, left + 2, U" ERROR ", attrErrorBox);

    for (std::size_t i = 0; i < lines.size(); ++i)
        put(screen, top + 2 + static_cast<int>(i), left + 3, lines[i], attrErrorBox);

    constexpr std::u32string_view button = U"   OK   ";
    put(screen, bottom - 2, left + (width - static_cast<int>(button.size())) / 2, button, attrErrorButton);

    screen.cursorVisible = false;
    return screen;
}

}  // namespace auralith
