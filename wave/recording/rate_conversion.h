// A recording brought to another rate with libsamplerate's best sinc converter, so that the
// players of a stage recorded at different rates can be heard together.
#pragma once

#include <cstdint>
#include <string>

#include "wave/recording/recording.h"

namespace auralith {

// Whether this build converts rates (it has libsamplerate).
bool convertsRates();

// The recording at `rate`, its samples rounded to 16 bits (ties to even) and held at full
// scale; its description says so. Empty when it cannot be: the reason, or none in a build
// without libsamplerate.
std::string convertRate(Recording& recording, std::int32_t rate);

}  // namespace auralith
