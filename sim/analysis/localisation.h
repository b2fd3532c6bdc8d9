// Where a listener would hear the source between two loudspeakers at +-30 or +-45 degrees: the
// channels' level and time differences for a white-noise source, and the image that time-level
// trading (Lee, Johnson and Mironovs, MARRS, AES 143rd Convention, e-brief 390, 2017) predicts
// from them.
#pragma once

#include <cstdint>
#include <optional>

#include "sim/plan/pickup.h"

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

// True when the channels' responses, each the sum of its microphones' factors times their shares
// (the channel at low frequencies), are of opposite sign: the channels are in antiphase, as a
// Blumlein pair's are beyond +-45 degrees. A channel 180 dB or more below the other counts as
// silent: with pi as 3.14159265359 Blumlein's null at 45 degrees right reads -1.03e-13, which is
// no antiphase.
bool channelsInAntiphase(const Pickup& pickup);

// The loudspeakers at +-halfAngle degrees, with the trading constants MARRS gives for that base
// (its angleCalc.m): a weighs the lead, b the level.
struct LoudspeakerBase {
    double halfAngle = 30;
    double a = 1;
    double b = 1;
};
inline constexpr LoudspeakerBase base30{30, 1, 1};
inline constexpr LoudspeakerBase base45{45, 1.5, 1.3};

// The time difference alone (ms) and the level difference alone (dB) at which the image reaches
// the loudspeaker: at +-30 degrees 1 ms or 17 dB, at +-45 1.5 ms or 22.1 dB.
double fullImageMs(const LoudspeakerBase& base);
double fullImageDb(const LoudspeakerBase& base);

// The predicted image in degrees, negative to the left, within -halfAngle .. halfAngle. With the
// time and level differences as one lead of the left channel, x = ICTD (ms) + a ICLD (dB) /
// (17 b), its size is |x| 4 halfAngle / (3 a) up to |x| = a / 2 and (|x| + a / 2) 2 halfAngle /
// (3 a) above, at most halfAngle: at +-30 degrees 40 |x| up to 0.5 and 20 (|x| + 0.5) above.
double predictedImage(double icldDb, double ictdMs, const LoudspeakerBase& base = base30);

// The image of a pickup.
double predictedImage(const Pickup& pickup, std::int32_t rate, const LoudspeakerBase& base = base30);

// The stereo recording angle: twice the smallest source angle in 0 .. 90 degrees at which the
// image reaches the loudspeaker (delays unrounded); empty when it never does. `maxImage` is the
// largest image size met on that arc.
struct RecordingAngle {
    std::optional<double> degrees;
    double maxImage = 0;
};

RecordingAngle recordingAngle(const AnyArray& array, std::int32_t rate, const LoudspeakerBase& base = base30,
                              double radius = defaultArcRadius);

}  // namespace auralith
