#include "job/windows/console_keyboard.h"

#include "job/windows/windows_api.h"

#include <vector>

namespace auralith {

namespace {

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

Key ConsoleKeyboard::nextKey() {
    while (queue_.needsInput()) readEvents();
    return queue_.take();
}

void ConsoleKeyboard::readEvents() {
    INPUT_RECORD records[64];
    DWORD count = 0;
    if (ReadConsoleInputW(in_, records, 64, &count) == 0) {
        queue_.ended = true;  // the console is gone
        return;
    }
    std::vector<Key> decoded;
    bool resized = false;
    for (DWORD i = 0; i < count; ++i) {
        if (records[i].EventType == KEY_EVENT) translator_.feed(keyEventOf(records[i].Event.KeyEvent), decoded);
        if (records[i].EventType == WINDOW_BUFFER_SIZE_EVENT) resized = true;
    }
    queue_.add(decoded);
    if (resized && onResize_) onResize_();
}

}  // namespace auralith
