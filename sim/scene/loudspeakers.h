// The loudspeakers a render is made for: named channels at angles around the listener, in the
// order of the render's channels. A stereo pair today (L/R at +-30 or +-45 degrees); a centre or
// surrounds are more entries, not another type.
#pragma once

#include <string>
#include <vector>

namespace auralith {

struct Loudspeaker {
    std::string name;  // "L", "R"
    double degrees;    // azimuth, negative to the left
};

struct LoudspeakerLayout {
    std::vector<Loudspeaker> speakers;  // one per output channel, in channel order
    int channels() const { return static_cast<int>(speakers.size()); }
};

// "L" at -halfAngle and "R" at +halfAngle.
LoudspeakerLayout stereoLayout(double halfAngle);

}  // namespace auralith
