#include "sim/model/arrays.h"

namespace auralith {

std::string_view micArrayName(MicArray array) {
    constexpr std::string_view names[micArrayCount] = {
        "Blumlein crossed pair",
        "Coincident cardioids (105 deg)",
        "Faulkner near-coincident pair",
        "ORTF near-coincident pair",
        "Two spaced omnis",
        "Decca three-omni tree",
    };
    const int index = static_cast<int>(array) - 1;
    return index >= 0 && index < micArrayCount ? names[index] : std::string_view();
}

}  // namespace auralith
