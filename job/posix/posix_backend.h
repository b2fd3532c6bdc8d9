// The console backend for POSIX terminals (termios and ANSI/xterm sequences). Standard input
// and output are looked at separately: a terminal gets raw keys or drawn screens, a pipe or
// file gets plain bytes, so the program can be scripted.
#pragma once

#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "job/console/console.h"
#include "job/console/key_decoder.h"

namespace auralith {

class PosixBackend : public ConsoleBackend {
public:
    // The descriptors are parameters so that tests can hand in pipes and pseudo-terminals.
    explicit PosixBackend(int inFd = 0, int outFd = 1, int errFd = 2);
    ~PosixBackend() override;
    PosixBackend(const PosixBackend&) = delete;
    PosixBackend& operator=(const PosixBackend&) = delete;

    void setUp() override;
    void present(const ScreenModel& screen) override;
    Key nextKey() override;
    void beep() override;
    void showError(const ScreenModel& screen, std::string_view message) override;
    void finish(const ScreenModel& screen, std::string_view reason) override;

    bool inputIsTerminal() const { return inTerminal_; }
    bool outputIsTerminal() const { return outTerminal_; }

private:
    void draw();            // brings the terminal up to `wanted_`, or shows the size notice
    void restoreTerminal();

    int in_;
    int out_;
    int err_;
    bool inTerminal_;
    bool outTerminal_;
    bool finished_ = false;
    KeyDecoder decoder_;
    std::deque<Key> keys_;
    bool inputEnded_ = false;
    std::optional<ScreenModel> wanted_;  // what the window should show
    std::optional<ScreenModel> drawn_;   // what the terminal shows now; empty: not known
    int noticeColumns_ = 0;              // the size the "too small" notice was shown for
    int noticeRows_ = 0;
};

}  // namespace auralith
