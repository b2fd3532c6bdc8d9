#include "job/windows/console_display.h"

#include "job/windows/windows_api.h"

#include <algorithm>
#include <string>
#include <vector>

#include "job/console/char_width.h"

namespace auralith {

namespace {

// A cell as the console shows it: one UTF-16 code unit, so characters that would not take
// exactly one cell, or need two units, are shown as '?'.
CHAR_INFO consoleCell(const Cell& cell) {
    CHAR_INFO out{};
    const bool fits = cell.ch < 0x10000 && isSingleWidth(cell.ch);
    out.Char.UnicodeChar = static_cast<WCHAR>(fits ? cell.ch : U'?');
    out.Attributes = cell.attr;
    return out;
}

void setCursorVisible(HANDLE out, bool visible) {
    CONSOLE_CURSOR_INFO cursor{};
    if (GetConsoleCursorInfo(out, &cursor) == 0) return;
    cursor.bVisible = visible ? TRUE : FALSE;
    SetConsoleCursorInfo(out, &cursor);
}

bool coversTheScreen(const CONSOLE_SCREEN_BUFFER_INFO& info) {
    return info.srWindow.Left == 0 && info.srWindow.Top == 0 && info.srWindow.Right >= screenColumns - 1 &&
           info.srWindow.Bottom >= screenRows - 1;
}

}  // namespace

void ConsoleWindowDisplay::beep() { MessageBeep(MB_OK); }

int ConsoleWindowDisplay::showFinal(const ScreenModel& screen) {
    present(screen);
    // The cursor goes to the line below the screen, so that the prompt starts clean there
    // while the final screen stays visible above it (the buffer scrolls if it has no room).
    SetConsoleCursorPosition(out_, COORD{0, screenRows - 1});
    DWORD done = 0;
    WriteConsoleW(out_, L"\n", 1, &done, nullptr);
    return 0;
}

void ConsoleWindowDisplay::windowResized() {
    drawn_.reset();
    draw();
}

bool ConsoleWindowDisplay::windowIsLargeEnough() {
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (GetConsoleScreenBufferInfo(out_, &info) == 0) return true;  // nothing known: draw anyway
    if (coversTheScreen(info) && info.dwSize.X == screenColumns && info.dwSize.Y == screenRows) return true;
    // The window may not outgrow the buffer: shrink it into 80 x 49 first, then size the buffer,
    // then open the window over the whole buffer. A console that refuses keeps its size.
    const SMALL_RECT inside{
        0, 0, static_cast<SHORT>(std::min<int>(info.srWindow.Right - info.srWindow.Left, screenColumns - 1)),
        static_cast<SHORT>(std::min<int>(info.srWindow.Bottom - info.srWindow.Top, screenRows - 1))};
    SetConsoleWindowInfo(out_, TRUE, &inside);
    SetConsoleScreenBufferSize(out_, COORD{screenColumns, screenRows});
    const SMALL_RECT whole{0, 0, screenColumns - 1, screenRows - 1};
    SetConsoleWindowInfo(out_, TRUE, &whole);
    return GetConsoleScreenBufferInfo(out_, &info) == 0 || coversTheScreen(info);
}

void ConsoleWindowDisplay::showSizeNotice() {
    CONSOLE_SCREEN_BUFFER_INFO info{};
    GetConsoleScreenBufferInfo(out_, &info);
    const int columns = info.srWindow.Right - info.srWindow.Left + 1;
    const int rows = info.srWindow.Bottom - info.srWindow.Top + 1;
    const std::string notice = "Please enlarge the terminal to at least 80 x 49 characters (now " +
                               std::to_string(columns) + " x " + std::to_string(rows) + ").";
    const std::wstring text(notice.begin(), notice.end());  // plain ASCII
    const COORD top{info.srWindow.Left, info.srWindow.Top};
    DWORD done = 0;
    const auto cells = static_cast<DWORD>(info.dwSize.X) * static_cast<DWORD>(info.dwSize.Y);
    FillConsoleOutputCharacterW(out_, L' ', cells, COORD{0, 0}, &done);
    FillConsoleOutputAttribute(out_, info.wAttributes, cells, COORD{0, 0}, &done);
    WriteConsoleOutputCharacterW(out_, text.c_str(), static_cast<DWORD>(text.size()), top, &done);
    setCursorVisible(out_, false);
}

void ConsoleWindowDisplay::writeChangedRows(const ScreenModel& next) {
    int first = 1;
    int last = screenRows;
    if (drawn_) {
        auto rowSame = [&](int r) {
            return std::equal(&drawn_->at(r, 1), &drawn_->at(r, 1) + screenColumns, &next.at(r, 1));
        };
        while (first <= screenRows && rowSame(first)) ++first;
        while (last >= first && rowSame(last)) --last;
    }
    if (first > last) return;
    std::vector<CHAR_INFO> cells(static_cast<std::size_t>(screenRows * screenColumns));
    for (int r = first; r <= last; ++r)
        for (int c = 1; c <= screenColumns; ++c)
            cells[static_cast<std::size_t>((r - 1) * screenColumns + (c - 1))] = consoleCell(next.at(r, c));
    SMALL_RECT region{0, static_cast<SHORT>(first - 1), screenColumns - 1, static_cast<SHORT>(last - 1)};
    WriteConsoleOutputW(out_, cells.data(), COORD{screenColumns, screenRows}, COORD{0, static_cast<SHORT>(first - 1)},
                        &region);
}

void ConsoleWindowDisplay::draw() {
    if (!wanted_) return;
    if (!drawn_ && !windowIsLargeEnough()) {
        if (!noticeShown_) showSizeNotice();
        noticeShown_ = true;
        return;
    }
    noticeShown_ = false;
    const ScreenModel& next = *wanted_;
    writeChangedRows(next);
    if (!drawn_ || drawn_->row != next.row || drawn_->column != next.column)
        SetConsoleCursorPosition(out_, COORD{static_cast<SHORT>(next.column - 1), static_cast<SHORT>(next.row - 1)});
    if (!drawn_ || drawn_->cursorVisible != next.cursorVisible) setCursorVisible(out_, next.cursorVisible);
    drawn_ = next;
}

}  // namespace auralith
