#include "job/windows/console_modes.h"

#include "job/windows/windows_api.h"

#ifndef ENABLE_VIRTUAL_TERMINAL_INPUT
#define ENABLE_VIRTUAL_TERMINAL_INPUT 0x0200
#endif

namespace auralith {

namespace {

constexpr std::size_t titleLength = 1024;

// What the console control handler restores, kept where it can reach it. One session runs at a time.
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

}  // namespace

void ConsoleWindowModes::enter() {
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

void ConsoleWindowModes::leave() {
    restoreSaved();
    inModeSaved = false;
    cursorSaved = false;
    titleSaved = false;
    if (inConsole_ || outConsole_) SetConsoleCtrlHandler(onControlEvent, FALSE);
}

}  // namespace auralith
