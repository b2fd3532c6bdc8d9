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

namespace {

// One character from the front of `text`; `length` receives the bytes it took (1 when invalid).
char32_t decodeCharacter(std::string_view text, std::size_t& length) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    length = 1;
    if (lead < 0x80) return lead;
    // Lead byte: the sequence length, the payload bits it carries, the least value of that length.
    std::size_t size = 4;
    char32_t value = lead & 0x07;
    char32_t smallest = 0x10000;
    if ((lead & 0xE0) == 0xC0) {
        size = 2;
        value = lead & 0x1F;
        smallest = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        size = 3;
        value = lead & 0x0F;
        smallest = 0x800;
    } else if ((lead & 0xF8) != 0xF0) {
        return U'\uFFFD';  // a continuation byte or 0xF8..0xFF where a character must begin
    }
    if (text.size() < size) return U'\uFFFD';
    for (std::size_t i = 1; i < size; ++i) {
        if ((byte(i) & 0xC0) != 0x80) return U'\uFFFD';
        value = (value << 6) | (byte(i) & 0x3F);
    }
    if (value < smallest || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return U'\uFFFD';
    length = size;
    return value;
}

}  // namespace

std::u32string charactersFromUtf8(std::string_view utf8) {
    std::u32string characters;
    while (!utf8.empty()) {
        std::size_t length = 1;
        characters.push_back(decodeCharacter(utf8, length));
        utf8.remove_prefix(length);
    }
    return characters;
}

void appendCharacterUtf8(std::string& out, char32_t ch) {
    if (ch > 0x10FFFF || (ch >= 0xD800 && ch <= 0xDFFF)) ch = U'\uFFFD';
    const auto put = [&](unsigned value) { out.push_back(static_cast<char>(value)); };
    if (ch < 0x80) {
        put(ch);
    } else if (ch < 0x800) {
        put(0xC0 | (ch >> 6));
        put(0x80 | (ch & 0x3F));
    } else if (ch < 0x10000) {
        put(0xE0 | (ch >> 12));
        put(0x80 | ((ch >> 6) & 0x3F));
        put(0x80 | (ch & 0x3F));
    } else {
        put(0xF0 | (ch >> 18));
        put(0x80 | ((ch >> 12) & 0x3F));
        put(0x80 | ((ch >> 6) & 0x3F));
        put(0x80 | (ch & 0x3F));
    }
}

}  // namespace auralith
