// The display of scripted runs, when standard output is a pipe or a file: nothing is drawn and
// no bell rings while the program runs; at the end the final screen is written as plain text,
// one line a row, for the script to read.
#pragma once

#include "job/console/byte_stream.h"
#include "job/console/console_parts.h"
#include "job/console/terminal_render.h"

namespace auralith {

class PlainDisplay final : public Display {
public:
    explicit PlainDisplay(ByteSink& out) : out_(out) {}

    void present(const ScreenModel&) override {}
    void beep() override {}
    bool drawsScreens() const override { return false; }
    int showFinal(const ScreenModel& screen) override { return out_.writeAll(screenAsPlainText(screen)); }

private:
    ByteSink& out_;
};

}  // namespace auralith
