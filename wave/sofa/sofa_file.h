// Head-related impulse responses from a SOFA file (AES69), read with libmysofa: every measured
// direction with its two ears' responses at the rate asked for, as plain arrays for the audio
// core. Nothing here knows what the responses are used for.
#pragma once

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace auralith {

inline constexpr int longestHeadResponse = 16384;  // taps

struct SofaResponses {
    std::int32_t rate = 0;
    int taps = 0;
    // Per measurement: azimuth (degrees, counter-clockwise from the front, so positive to the
    // left) and elevation (degrees), as SOFA's spherical coordinates give them.
    std::vector<float> azimuth;
    std::vector<float> elevation;
    // Per measurement the left ear's taps, then the right ear's: 2 * taps floats each.
    std::vector<float> values;
};

// The file's responses brought to `rate` by libmysofa, each measurement's delays (where the file
// gives any) put into its taps; or why they cannot be had, one line without the file's name
// ("No such file or directory", "it has 4 receivers; a head has two").
std::variant<SofaResponses, std::string> readSofaResponses(const std::string& name, std::int32_t rate);

}  // namespace auralith
