// The screen model: the single truth of what the 80 x 49 window shows. Every backend draws it.
#pragma once

#include <array>
#include <cstdint>

namespace auralith {

inline constexpr int screenRows = 49;
inline constexpr int screenColumns = 80;

// Attribute byte: foreground in the low four bits, background in the high four.
inline constexpr std::uint8_t attrBlackOnWhite = 0xF0;
inline constexpr std::uint8_t attrGreyOnWhite = 0xF8;

struct Cell {
    char32_t ch = U' ';
    std::uint8_t attr = attrBlackOnWhite;
    bool operator==(const Cell&) const = default;
};

struct ScreenModel {
    std::array<Cell, screenRows * screenColumns> cells{};
    std::uint8_t foreground = 0;
    std::uint8_t background = 15;
    int row = 1;     // 1-based cursor row
    int column = 1;  // 1-based cursor column
    bool cursorVisible = true;
    // The last cell of the bottom row has been written: the cursor shows at column 1 of the
    // bottom row, but stands logically one row further down (the next write scrolls first).
    bool pendingWrap = false;

    const Cell& at(int r, int c) const { return cells[static_cast<std::size_t>((r - 1) * screenColumns + (c - 1))]; }
    Cell& at(int r, int c) { return cells[static_cast<std::size_t>((r - 1) * screenColumns + (c - 1))]; }
    std::uint8_t attribute() const { return static_cast<std::uint8_t>(foreground + 16 * background); }
};

// The screen operations, exactly as the console primitives need them.
void clearCells(ScreenModel& screen);  // blanks in the current attribute, cursor to 1,1
void setScreenColors(ScreenModel& screen, int foreground, int background);  // 16 or more: unchanged
void moveScreenCursor(ScreenModel& screen, int row, int column);            // out of range: unchanged
void putCharacter(ScreenModel& screen, char32_t ch);  // at the cursor, advancing, wrapping, scrolling
void screenLineFeed(ScreenModel& screen);             // column 1 of the next row, scrolling at the bottom
void eraseBack(ScreenModel& screen);                  // the editor's Backspace: back one cell, blank it
void scrollUp(ScreenModel& screen);                   // whole screen up one row, bottom row blank

}  // namespace auralith
