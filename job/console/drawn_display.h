// A display that draws every screen for a person to see. It keeps the screen wanted apart from
// the one shown, so that a platform draws only what changed, and draws everything again when
// the window was resized, or once it has grown large enough.
#pragma once

#include <optional>

#include "job/console/console_parts.h"

namespace auralith {

class DrawnDisplay : public Display {
public:
    void present(const ScreenModel& screen) final {
        wanted_ = screen;
        draw();
    }
    bool drawsScreens() const final { return true; }

protected:
    // Brings the window up to `wanted_`, or shows a notice while it is too small to.
    virtual void draw() = 0;

    std::optional<ScreenModel> wanted_;  // what the window should show
    std::optional<ScreenModel> drawn_;   // what it shows now; empty: not known
};

}  // namespace auralith
