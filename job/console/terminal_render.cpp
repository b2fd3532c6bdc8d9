// Every escape sequence the program sends to a terminal:
//   ESC ] 0 ; text BEL   set the window title (OSC 0)
//   ESC [ 8 ; r ; c t    ask for a window of r rows and c columns (xterm window operation)
//   ESC [ r ; c H        move the cursor to row r, column c, 1-based (CUP)
//   ESC [ 2 J            erase the whole screen (ED 2)
//   ESC [ f ; b m        foreground f (30-37, 90-97) and background b (40-47, 100-107) (SGR)
//   ESC [ 0 m            colours back to the terminal's own (SGR 0)
//   ESC [ ? 25 l         hide the cursor (DECTCEM)
//   ESC [ ? 25 h         show the cursor (DECTCEM)
//   BEL                  ring the terminal bell
// The alternate screen is deliberately not used: the final screen stays visible after exit.
#include "job/console/terminal_render.h"

#include "job/console/char_width.h"
#include "job/console/utf8.h"

namespace auralith {

namespace {

constexpr const char* setTitle = "\x1b]0;Auralith\x07";
constexpr const char* requestSize = "\x1b[8;49;80t";
constexpr const char* eraseScreen = "\x1b[2J";
constexpr const char* resetColours = "\x1b[0m";
constexpr const char* hideCursor = "\x1b[?25l";
constexpr const char* showCursor = "\x1b[?25h";

void appendMove(std::string& out, int row, int column) {
    out += "\x1b[" + std::to_string(row) + ';' + std::to_string(column) + 'H';
}

// Windows console colours count blue = 1, green = 2, red = 4, bright = 8; ANSI counts red = 1,
// green = 2, blue = 4, and has its bright colours at 90 and 100.
int ansiColour(int windowsColour) {
    constexpr int swapRedBlue[8] = {0, 4, 2, 6, 1, 5, 3, 7};
    return swapRedBlue[windowsColour & 7] + ((windowsColour & 8) != 0 ? 60 : 0);
}

void appendColours(std::string& out, std::uint8_t attr) {
    out +=
        "\x1b[" + std::to_string(30 + ansiColour(attr & 0x0F)) + ';' + std::to_string(40 + ansiColour(attr >> 4)) + 'm';
}

// A cell's character as drawn: anything that would not take exactly one cell, or would move
// the terminal's cursor, is shown as '?' so the grid stays intact.
char32_t drawable(char32_t ch) { return isSingleWidth(ch) ? ch : U'?'; }

}  // namespace

std::string setUpBytes() { return std::string(setTitle) + requestSize + resetColours + eraseScreen + "\x1b[1;1H"; }

std::string exitBytes() {
    // Row 49 is the screen's last; the line feed goes past it, scrolling if the window is
    // exactly 49 rows high, onto a line in the terminal's own colours. The cursor is already
    // in column 1, so a bare LF is enough whether or not the terminal adds a CR.
    return std::string(resetColours) + showCursor + "\x1b[49;1H\n";
}

std::string renderScreen(const ScreenModel* previous, const ScreenModel& next) {
    std::string out;
    if (previous == nullptr) out = std::string(hideCursor) + resetColours + eraseScreen;
    int cursorRow = 0;  // where the terminal's cursor is; 0: not known
    int cursorColumn = 0;
    int attr = -1;  // the colours in effect; -1: not known
    for (int r = 1; r <= screenRows; ++r) {
        for (int c = 1; c <= screenColumns; ++c) {
            const Cell& cell = next.at(r, c);
            if (previous != nullptr && previous->at(r, c) == cell) continue;
            if (out.empty()) out = hideCursor;
            if (r != cursorRow || c != cursorColumn) appendMove(out, r, c);
            if (cell.attr != attr) appendColours(out, cell.attr);
            appendUtf8(out, drawable(cell.ch));
            attr = cell.attr;
            cursorRow = r;
            // After column 80 the terminal's cursor waits at the edge; the next cell moves it.
            cursorColumn = c + 1;
        }
    }
    const bool cursorSame = previous != nullptr && previous->row == next.row && previous->column == next.column &&
                            previous->cursorVisible == next.cursorVisible;
    if (out.empty() && cursorSame) return out;
    if (out.empty()) out = hideCursor;
    appendMove(out, next.row, next.column);
    if (next.cursorVisible) out += showCursor;
    return out;
}

std::string bellBytes() { return "\a"; }

std::string tooSmallBytes(int columns, int rows) {
    return std::string(hideCursor) + resetColours + eraseScreen + "\x1b[1;1H" +
           "Please enlarge the terminal to at least 80 x 49 characters (now " + std::to_string(columns) + " x " +
           std::to_string(rows) + ").";
}

std::string screenAsPlainText(const ScreenModel& screen) {
    std::string out;
    for (int r = 1; r <= screenRows; ++r) {
        int last = screenColumns;
        while (last >= 1 && screen.at(r, last).ch == U' ') --last;
        for (int c = 1; c <= last; ++c) appendUtf8(out, drawable(screen.at(r, c).ch));
        out += '\n';
    }
    return out;
}

}  // namespace auralith
