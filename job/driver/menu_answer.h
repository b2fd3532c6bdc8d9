// The menu's answer as it is typed.
#pragma once

#include <optional>
#include <string_view>

#include "sim/model/arrays.h"

namespace auralith {

// The array chosen by a menu answer: only the bare texts "1" to "6".
std::optional<MicArray> micArrayFromAnswer(std::string_view answer);

}  // namespace auralith
