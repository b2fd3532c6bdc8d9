// A rig: the microphones of an array, each with its place and axis in three dimensions, its
// first-order pattern and its share in each output channel, and the way the channels are mixed
// from them. Any number of microphones and channels; what a renderer cannot render yet it refuses.
#pragma once

#include <cstddef>
#include <vector>

namespace auralith {

struct RigMic {
    double lateral = 0;  // metres to the right of the rig's centre
    double forward = 0;  // metres ahead of it, towards the stage
    double up = 0;       // metres above it
    // The axis as a unit vector, worked out once so that no evaluation repeats the trigonometry.
    long double axisLateral = 0;
    long double axisForward = 1;
    long double axisUp = 0;
    double pattern = 1;               // p: the response is p + (1 - p) cos(psi) at psi off the axis
    std::vector<long double> shares;  // its share in each output channel; negative inverts it
};

enum class ChannelMix {
    // Each channel is its microphones' sound summed with their shares before it is converted, as
    // microphones at one point can be: one value per input sample and channel (the pairs).
    folded,
    // Each microphone's value is held as a double on its own track; each channel is the sum of
    // its shares of the tracks, times `scale`, converted for every frame (the tree).
    held,
};

struct Rig {
    std::vector<RigMic> mics;
    int channels = 2;
    ChannelMix mix = ChannelMix::folded;
    float scale = 1;  // the held mix's common scale

    std::size_t count() const { return mics.size(); }
};

}  // namespace auralith
