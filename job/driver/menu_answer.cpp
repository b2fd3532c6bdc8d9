#include "job/driver/menu_answer.h"

namespace auralith {

std::optional<MicArray> micArrayFromAnswer(std::string_view answer) {
    if (answer.size() != 1 || answer[0] < '1' || answer[0] > '0' + micArrayCount) return std::nullopt;
    return static_cast<MicArray>(answer[0] - '0');
}

}  // namespace auralith
