// The console backend for Windows consoles (the console functions of kernel32). Standard input
// and output are looked at separately, as on POSIX: a console gets key events or drawn cells,
// a pipe or file gets plain bytes, so the program can be scripted.
#pragma once

#include <deque>
#include <optional>
#include <string_view>

#include "job/console/console.h"
#include "job/console/key_decoder.h"
#include "job/console/windows_keys.h"

namespace auralith {

class WindowsBackend : public ConsoleBackend {
public:
    WindowsBackend();
    ~WindowsBackend() override;
    WindowsBackend(const WindowsBackend&) = delete;
    WindowsBackend& operator=(const WindowsBackend&) = delete;

    void setUp() override;
    void present(const ScreenModel& screen) override;
    Key nextKey() override;
    void beep() override;
    void showError(const ScreenModel& screen, std::string_view message) override;
    void finish(const ScreenModel& screen, std::string_view reason) override;

private:
    void draw();                 // brings the console up to `wanted_`, or shows the size notice
    bool windowIsLargeEnough();  // asks for the 80 x 49 buffer and window; true once they are there
    void readConsoleKeys();      // waits for console input events and queues their keys
    void readPipeKeys();         // reads standard input bytes and queues their keys
    void restoreConsole();

    void* in_;   // HANDLEs, kept opaque so that this header needs no <windows.h>
    void* out_;
    void* err_;
    bool inConsole_;
    bool outConsole_;
    bool finished_ = false;
    bool inputEnded_ = false;
    std::deque<Key> keys_;
    WindowsKeyTranslator translator_;
    KeyDecoder decoder_;
    std::optional<ScreenModel> wanted_;  // what the window should show
    std::optional<ScreenModel> drawn_;   // what the console shows now; empty: not known
    bool noticeShown_ = false;
};

}  // namespace auralith
