// The only place that touches the Windows console; the POSIX backend sits beside it.
#include "job/windows/windows_backend.h"

#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX  // libstdc++ may have defined it already
#define NOMINMAX
#endif
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "job/console/char_width.h"
#include "job/console/error_box.h"
#include "job/console/terminal_render.h"

#ifndef ENABLE_VIRTUAL_TERMINAL_INPUT
#define ENABLE_VIRTUAL_TERMINAL_INPUT 0x0200
#endif

namespace auralith {

namespace {

constexpr DWORD escapeWaitMs = 50;  // a lone Esc from a pipe is one that no byte follows within this time
constexpr std::size_t titleLength = 1024;

// What the console control handler restores, kept where it can reach it. One backend runs at a time.
HANDLE savedIn = nullptr;
DWORD savedInMode = 0;
bool inModeSaved = false;
HANDLE savedOut = nullptr;
CONSOLE_CURSOR_INFO savedCursor{};
bool cursorSaved = false;
wchar_t savedTitle[titleLength] = {};
bool titleSaved = false;

void restoreSaved() {
    if (inModeSaved) SetConsoleMode(savedIn, savedInMode);
    if (cursorSaved) SetConsoleCursorInfo(savedOut, &savedCursor);
    if (titleSaved) SetConsoleTitleW(savedTitle);
}

// Runs on a thread of its own when Ctrl+Break is pressed, the window is closed, or the user logs
// off: the program is about to end, so the console is left usable first. Ctrl+C arrives as a
// key (processed input is off) and never comes here.
BOOL WINAPI onControlEvent(DWORD) {
    restoreSaved();
    return FALSE;  // the next handler (the default one) ends the process
}

bool isConsole(HANDLE handle) {
    DWORD mode = 0;
    return handle != nullptr && handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode) != 0;
}

void writeAll(HANDLE handle, std::string_view bytes) {
    while (!bytes.empty()) {
        DWORD written = 0;
        const auto ask = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 20));
        if (WriteFile(handle, bytes.data(), ask, &written, nullptr) == 0 || written == 0) return;
        bytes.remove_prefix(written);
    }
}

// The message of an error box as plain text: backslash-n becomes a line break.
std::string plainMessage(std::string_view message) {
    std::string out;
    for (std::size_t i = 0; i < message.size(); ++i) {
        if (message[i] == '\\' && i + 1 < message.size() && message[i + 1] == 'n') {
            out += '\n';
            ++i;
        } else {
            out += message[i];
        }
    }
    return out;
}

bool dismissesErrorBox(const Key& key) {
    return key.kind == Key::Kind::endOfInput ||
           (key.kind == Key::Kind::character && (key.code == 13 || key.code == 32 || key.code == 27));
}

// A cell as the console shows it: one UTF-16 code unit, so characters that would not take
// exactly one cell, or need two units, are shown as '?'.
CHAR_INFO consoleCell(const Cell& cell) {
    CHAR_INFO out{};
    const bool fits = cell.ch < 0x10000 && isSingleWidth(cell.ch);
    out.Char.UnicodeChar = static_cast<WCHAR>(fits ? cell.ch : U'?');
    out.Attributes = cell.attr;
    return out;
}

ConsoleKeyEvent keyEventOf(const KEY_EVENT_RECORD& record) {
    ConsoleKeyEvent event;
    event.keyDown = record.bKeyDown != 0;
    event.repeatCount = record.wRepeatCount;
    event.virtualKeyCode = record.wVirtualKeyCode;
    event.unicodeChar = static_cast<char16_t>(record.uChar.UnicodeChar);
    event.controlKeyState = record.dwControlKeyState;
    return event;
}

}  // namespace

WindowsBackend::WindowsBackend()
    : in_(GetStdHandle(STD_INPUT_HANDLE)),
      out_(GetStdHandle(STD_OUTPUT_HANDLE)),
      err_(GetStdHandle(STD_ERROR_HANDLE)),
      inConsole_(isConsole(in_)),
      outConsole_(isConsole(out_)) {}

WindowsBackend::~WindowsBackend() { restoreConsole(); }

void WindowsBackend::setUp() {
    if (!inConsole_ && !outConsole_) return;
    SetConsoleCtrlHandler(onControlEvent, TRUE);
    if (inConsole_ && GetConsoleMode(in_, &savedInMode) != 0) {
        savedIn = in_;
        inModeSaved = true;
        DWORD mode = savedInMode;
        // Keys one by one as key events: no line input, no echo, Ctrl+C as code 3, no mouse and
        // no terminal sequences; window size changes arrive as events, to redraw.
        mode &= ~static_cast<DWORD>(ENABLE_LINE_INPUT | ENABLE_ECHO_INPUT | ENABLE_PROCESSED_INPUT |
                                    ENABLE_MOUSE_INPUT | ENABLE_VIRTUAL_TERMINAL_INPUT);
        mode |= ENABLE_WINDOW_INPUT;
        SetConsoleMode(in_, mode);  // keys typed before this point stay queued
    }
    if (outConsole_) {
        savedOut = out_;
        cursorSaved = GetConsoleCursorInfo(out_, &savedCursor) != 0;
        titleSaved = GetConsoleTitleW(savedTitle, titleLength) != 0;
        SetConsoleTitleW(L"Auralith");
    }
}

void WindowsBackend::present(const ScreenModel& screen) {
    wanted_ = screen;
    draw();
}

bool WindowsBackend::windowIsLargeEnough() {
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (GetConsoleScreenBufferInfo(out_, &info) == 0) return true;  // nothing known: draw anyway
    auto covers = [](const CONSOLE_SCREEN_BUFFER_INFO& i) {
        return i.srWindow.Left == 0 && i.srWindow.Top == 0 && i.srWindow.Right >= screenColumns - 1 &&
               i.srWindow.Bottom >= screenRows - 1;
    };
    if (covers(info) && info.dwSize.X == screenColumns && info.dwSize.Y == screenRows) return true;
    // The window may not outgrow the buffer: shrink it into 80 x 49 first, then size the buffer,
    // then open the window over the whole buffer. A console that refuses keeps its size.
    const SMALL_RECT inside{0, 0, static_cast<SHORT>(std::min<int>(info.srWindow.Right - info.srWindow.Left, screenColumns - 1)),
                            static_cast<SHORT>(std::min<int>(info.srWindow.Bottom - info.srWindow.Top, screenRows - 1))};
    SetConsoleWindowInfo(out_, TRUE, &inside);
    SetConsoleScreenBufferSize(out_, COORD{screenColumns, screenRows});
    const SMALL_RECT whole{0, 0, screenColumns - 1, screenRows - 1};
    SetConsoleWindowInfo(out_, TRUE, &whole);
    return GetConsoleScreenBufferInfo(out_, &info) == 0 || covers(info);
}

void WindowsBackend::draw() {
    if (!outConsole_ || !wanted_) return;
    if (!drawn_ && !windowIsLargeEnough()) {
        if (!noticeShown_) {
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
            CONSOLE_CURSOR_INFO cursor{};
            if (GetConsoleCursorInfo(out_, &cursor) != 0) {
                cursor.bVisible = FALSE;
                SetConsoleCursorInfo(out_, &cursor);
            }
            noticeShown_ = true;
        }
        return;
    }
    noticeShown_ = false;

    // Only the rows that changed are written.
    const ScreenModel& next = *wanted_;
    int first = 1;
    int last = screenRows;
    if (drawn_) {
        auto rowSame = [&](int r) {
            return std::equal(&drawn_->at(r, 1), &drawn_->at(r, 1) + screenColumns, &next.at(r, 1));
        };
        while (first <= screenRows && rowSame(first)) ++first;
        while (last >= first && rowSame(last)) --last;
    }
    if (first <= last) {
        std::vector<CHAR_INFO> cells(static_cast<std::size_t>(screenRows * screenColumns));
        for (int r = first; r <= last; ++r)
            for (int c = 1; c <= screenColumns; ++c)
                cells[static_cast<std::size_t>((r - 1) * screenColumns + (c - 1))] = consoleCell(next.at(r, c));
        SMALL_RECT region{0, static_cast<SHORT>(first - 1), screenColumns - 1, static_cast<SHORT>(last - 1)};
        WriteConsoleOutputW(out_, cells.data(), COORD{screenColumns, screenRows}, COORD{0, static_cast<SHORT>(first - 1)},
                            &region);
    }
    if (!drawn_ || drawn_->row != next.row || drawn_->column != next.column)
        SetConsoleCursorPosition(out_, COORD{static_cast<SHORT>(next.column - 1), static_cast<SHORT>(next.row - 1)});
    if (!drawn_ || drawn_->cursorVisible != next.cursorVisible) {
        CONSOLE_CURSOR_INFO cursor{};
        if (GetConsoleCursorInfo(out_, &cursor) != 0) {
            cursor.bVisible = next.cursorVisible ? TRUE : FALSE;
            SetConsoleCursorInfo(out_, &cursor);
        }
    }
    drawn_ = next;
}

void WindowsBackend::readConsoleKeys() {
    INPUT_RECORD records[64];
    DWORD count = 0;
    if (ReadConsoleInputW(in_, records, 64, &count) == 0) {
        inputEnded_ = true;  // the console is gone
        return;
    }
    std::vector<Key> decoded;
    bool resized = false;
    for (DWORD i = 0; i < count; ++i) {
        if (records[i].EventType == KEY_EVENT) translator_.feed(keyEventOf(records[i].Event.KeyEvent), decoded);
        if (records[i].EventType == WINDOW_BUFFER_SIZE_EVENT) resized = true;
    }
    keys_.insert(keys_.end(), decoded.begin(), decoded.end());
    if (resized) {
        drawn_.reset();  // the console may have moved or cleared the cells: draw everything again
        draw();
    }
}

void WindowsBackend::readPipeKeys() {
    std::vector<Key> decoded;
    if (decoder_.pending()) {
        // Wait a little for the byte that would decide the last key; files have theirs at once.
        DWORD available = 0;
        bool isPipe = GetFileType(in_) == FILE_TYPE_PIPE;
        for (DWORD waited = 0; isPipe && waited < escapeWaitMs; waited += 5) {
            if (PeekNamedPipe(in_, nullptr, 0, nullptr, &available, nullptr) == 0 || available > 0) break;
            Sleep(5);
        }
        if (isPipe && available == 0 && PeekNamedPipe(in_, nullptr, 0, nullptr, &available, nullptr) != 0) {
            decoder_.timeout(decoded);
            keys_.insert(keys_.end(), decoded.begin(), decoded.end());
            return;
        }
    }
    unsigned char bytes[256];
    DWORD got = 0;
    // End of file, a closed pipe (ERROR_BROKEN_PIPE) or no standard input at all end the input.
    if (ReadFile(in_, bytes, sizeof bytes, &got, nullptr) == 0 || got == 0) inputEnded_ = true;
    for (DWORD i = 0; i < got; ++i) decoder_.feed(bytes[i], decoded);
    if (inputEnded_) decoder_.timeout(decoded);
    keys_.insert(keys_.end(), decoded.begin(), decoded.end());
}

Key WindowsBackend::nextKey() {
    while (keys_.empty() && !inputEnded_) {
        if (inConsole_) {
            readConsoleKeys();
        } else {
            readPipeKeys();
        }
    }
    if (keys_.empty()) return Key{Key::Kind::endOfInput, 0, {}};
    Key key = std::move(keys_.front());
    keys_.pop_front();
    return key;
}

void WindowsBackend::beep() {
    if (outConsole_) MessageBeep(MB_OK);
}

void WindowsBackend::showError(const ScreenModel& screen, std::string_view message) {
    if (!outConsole_) {
        writeAll(err_, "ERROR: " + plainMessage(message) + "\n");
        return;
    }
    wanted_ = withErrorBox(screen, message);
    draw();
    while (!dismissesErrorBox(nextKey())) {
    }
    wanted_ = screen;
    draw();
}

void WindowsBackend::finish(const ScreenModel& screen, std::string_view reason) {
    if (finished_) return;
    finished_ = true;
    if (outConsole_) {
        present(screen);
        // The cursor goes to the line below the screen, so that the prompt starts clean there
        // while the final screen stays visible above it (the buffer scrolls if it has no room).
        SetConsoleCursorPosition(out_, COORD{0, screenRows - 1});
        DWORD done = 0;
        WriteConsoleW(out_, L"\n", 1, &done, nullptr);
    } else {
        writeAll(out_, screenAsPlainText(screen));
    }
    restoreConsole();
    if (!reason.empty()) writeAll(err_, std::string(reason) + "\n");
}

void WindowsBackend::restoreConsole() {
    restoreSaved();
    inModeSaved = false;
    cursorSaved = false;
    titleSaved = false;
    if (inConsole_ || outConsole_) SetConsoleCtrlHandler(onControlEvent, FALSE);
}

}  // namespace auralith
