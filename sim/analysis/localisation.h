// Where a listener would hear the source between two loudspeakers at +-30 degrees: the channels'
// level and time differences for a white-noise source, and the image that time-level trading
// (Lee, Johnson and Mironovs, MARRS, AES 143rd Convention, e-brief 390, 2017) predicts from them.
#pragma once

#include <cstdint>
#include <optional>

#include "sim/analysis/pickup.h"

namespace auralith {

struct ChannelDifference {
    // 10 log10 of the left channel's energy over the right one's: positive when the left is
    // louder; +inf or -inf when one channel receives nothing, 0 when neither does.
    double icldDb = 0;
    // The lag, in frames, at which the channels' cross-correlation is largest: positive when the
    // right channel comes later.
    long double ictdFrames = 0;
    double ictdMs = 0;
};

ChannelDifference channelDifference(const Pickup& pickup, std::int32_t rate);

// The predicted image in degrees, negative to the left, within -30 .. 30. With the time and
// level differences as one lead of the left channel, q = ICTD (ms) + ICLD (dB) / 17, its size is
// 40 |q| up to |q| = 0.5 and 20 (|q| + 0.5) above, at most 30.
double predictedImage(double icldDb, double ictdMs);

// The image of a pickup.
double predictedImage(const Pickup& pickup, std::int32_t rate);

// The stereo recording angle: twice the smallest source angle in 0 .. 90 degrees at which the
// image reaches 30 degrees (delays unrounded); empty when it never does. `maxImage` is the
// largest image size met on that arc.
struct RecordingAngle {
    std::optional<double> degrees;
    double maxImage = 0;
};

RecordingAngle recordingAngle(const AnyArray& array, std::int32_t rate);

}  // namespace auralith
