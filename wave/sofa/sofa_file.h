// Head-related impulse responses from a SOFA file (AES69), read with libmysofa: every measured
// direction with its two ears' responses at the rate asked for, as plain arrays for the audio
// core. Nothing here knows what the responses are used for.
//
// A SOFA file is untrusted input, and libmysofa crashes, overruns its buffers or loops for ever
// on some damaged files. The file is therefore read by libmysofa's file reader in a child
// process under limits of processor time and memory, which hands back the finished responses;
// whatever becomes of the child, the caller gets the responses or one line saying why not.
#pragma once

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace auralith {

inline constexpr int longestHeadResponse = 16384;  // taps

struct SofaLimits {
    // The longest response taken, in taps at the rate asked for, with its delay.
    int longestResponse = longestHeadResponse;
    int cpuSeconds = 60;                                 // of processor time for the reading
    std::uint64_t memoryBytes = std::uint64_t{2} << 30;  // of address space for it
};

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
// gives any, in samples at its rate) put before its taps; or why they cannot be had, one line
// without the file's name ("No such file or directory", "it has 4 receivers; a head has two",
// "libmysofa crashed reading it (signal 11): it is damaged or not a SOFA file"). Refused too: a
// tap, a direction, a delay or a rate that is not a finite number, a negative delay, and
// responses longer than limits.longestResponse, which is checked before libmysofa resamples.
std::variant<SofaResponses, std::string> readSofaResponses(const std::string& name, std::int32_t rate,
                                                           const SofaLimits& limits = {});

}  // namespace auralith
