// The modal error box as a picture: drawn into a copy of the screen model so that any backend
// can show it, and the screen under it comes back by showing the original model again.
#pragma once

#include <string_view>

#include "job/console/screen.h"

namespace auralith {

inline constexpr std::uint8_t attrErrorBox = 0x70;     // black on grey
inline constexpr std::uint8_t attrErrorButton = 0x0F;  // bright white on black: the focused button

// `under` with a centred box over it: a frame titled " ERROR", the message (the two
// characters backslash and n break the line, long lines wrap), an OK button; cursor hidden.
ScreenModel withErrorBox(const ScreenModel& under, std::string_view message);

}  // namespace auralith
