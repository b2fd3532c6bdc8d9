// The screen operations on the model. The pending-wrap mark stands for a cursor that has
// logically left the bottom row: the next character scrolls first, a line feed scrolls twice,
// and Backspace steps back onto the last cell of the bottom row.
#include "job/console/screen.h"

#include <algorithm>

namespace auralith {

namespace {

Cell blankCell(const ScreenModel& screen) { return Cell{U' ', screen.attribute()}; }

bool isColour(int value) { return value >= 0 && value <= 15; }

}  // namespace

void clearCells(ScreenModel& screen) {
    screen.cells.fill(blankCell(screen));
    screen.row = 1;
    screen.column = 1;
    screen.pendingWrap = false;
}

void setScreenColors(ScreenModel& screen, int foreground, int background) {
    if (isColour(foreground)) screen.foreground = static_cast<std::uint8_t>(foreground);
    if (isColour(background)) screen.background = static_cast<std::uint8_t>(background);
}

void moveScreenCursor(ScreenModel& screen, int row, int column) {
    if (row >= 1 && row <= screenRows) screen.row = row;
    if (column >= 1 && column <= screenColumns) screen.column = column;
    screen.pendingWrap = false;
}

void scrollUp(ScreenModel& screen) {
    std::copy(screen.cells.begin() + screenColumns, screen.cells.end(), screen.cells.begin());
    std::fill(screen.cells.end() - screenColumns, screen.cells.end(), blankCell(screen));
}

void putCharacter(ScreenModel& screen, char32_t ch) {
    if (screen.pendingWrap) {
        scrollUp(screen);  // the cursor already rests at column 1 of the bottom row
        screen.pendingWrap = false;
    }
    screen.at(screen.row, screen.column) = Cell{ch, screen.attribute()};
    if (screen.column < screenColumns) {
        ++screen.column;
        return;
    }
    screen.column = 1;
    if (screen.row < screenRows) {
        ++screen.row;
        return;
    }
    screen.pendingWrap = true;
}

void screenLineFeed(ScreenModel& screen) {
    screen.column = 1;
    if (screen.row < screenRows) {
        ++screen.row;
    } else {
        scrollUp(screen);
        if (screen.pendingWrap) scrollUp(screen);
    }
    screen.pendingWrap = false;
}

void eraseBack(ScreenModel& screen) {
    if (screen.pendingWrap) {
        // The last character went into the bottom-right cell: step back onto it.
        screen.pendingWrap = false;
        screen.column = screenColumns;
    } else if (screen.column > 1) {
        --screen.column;
    } else if (screen.row > 1) {
        --screen.row;
        screen.column = screenColumns;
    } else {
        return;  // top-left corner: no cell before the cursor (its text has scrolled away)
    }
    screen.at(screen.row, screen.column) = blankCell(screen);
}

}  // namespace auralith
