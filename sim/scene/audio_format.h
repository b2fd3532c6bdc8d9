// What travels with every buffer of samples: its rate and its number of channels, so that no
// function takes a loose rate beside samples whose layout it has to guess.
#pragma once

#include <cstdint>

namespace auralith {

struct AudioFormat {
    std::int32_t rate = 0;  // frames per second
    int channels = 0;       // samples per frame, interleaved
};

}  // namespace auralith
