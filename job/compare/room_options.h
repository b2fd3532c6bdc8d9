// The room's options as auralith-compare reads them: each value's form and range, and what is
// wrong with it in one line. Whether they go together, and where the points stand in the room,
// is roomSettingOf's to say.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "job/compare/room_setting.h"

namespace auralith {

// Whether `option` is one of the room's that take a value: --room, --rt60, --absorption,
// --array-at, --distance, --source-height.
bool isRoomValueOption(std::string_view option);

// Reads `value` of the room's `option` into `request`; what is wrong with it, or nothing.
std::string readRoomValue(std::string_view option, std::string_view value, RoomRequest& request);

// A decimal of `low` to `high` without a sign, to a thousandth, as the room's lengths are read:
// --distance's metres, and a stage's players' distances and heights.
std::optional<double> decimalWithin(std::string_view text, double low, double high);

}  // namespace auralith
