// The two coincident pairs: two directional microphones at one point, so the channels differ
// only in level. The samples go straight into the buffer, without delay.
#include <cmath>

#include "sim/frame.h"
#include "sim/placement.h"

namespace auralith {

ChannelFactors blumleinResponses(int position, double deg) {
    // The angle between the source and the left figure of eight's axis, 0 to 90 degrees; the
    // right one's axis stands 90 degrees further, so its response is the sine.
    const auto theta = static_cast<double>((7.5f * static_cast<long double>(position)) * deg);
    return {std::cos(static_cast<long double>(theta)), std::sin(static_cast<long double>(theta))};
}

ChannelFactors cardioidResponses(int position, double deg) {
    // Axes 52.5 degrees either side: a is the source's angle off the left axis, 105 - a off the
    // right one.
    const auto a = static_cast<double>(7.5f * static_cast<long double>(position) + 7.5f);
    const auto beta = static_cast<double>(deg * (105 - static_cast<long double>(a)));
    const auto alpha = static_cast<double>(deg * static_cast<long double>(a));
    return {std::cos(static_cast<long double>(alpha)) * 0.5f + 0.5f,
            std::cos(static_cast<long double>(beta)) * 0.5f + 0.5f};
}

namespace {

// Each value is x * response * gain, in that order, converted left first.
template <typename ResponsesAt>
void renderCoincident(const SweepInput& in, StereoBuffer& out, RandomState& random, ResponsesAt responsesAt) {
    for (int p = 0; p < sweepPositions; ++p) {
        const ChannelFactors r = responsesAt(p, in.deg);
        const std::size_t first = static_cast<std::size_t>(p) * static_cast<std::size_t>(in.blockFrames) +
                                  static_cast<std::size_t>(in.rate);
        for (std::int32_t i = 0; i < in.n; ++i) {
            const long double x = in.x[i];
            const std::size_t frame = first + static_cast<std::size_t>(i);
            out.samples[2 * frame] = ditherToSample(x * r.left * in.gain, random);
            out.samples[2 * frame + 1] = ditherToSample(x * r.right * in.gain, random);
        }
    }
}

}  // namespace

bool renderBlumleinPair(const SweepInput& in, StereoBuffer& out, RandomState& random) {
    renderCoincident(in, out, random, blumleinResponses);
    return true;
}

bool renderCardioidPair(const SweepInput& in, StereoBuffer& out, RandomState& random) {
    renderCoincident(in, out, random, cardioidResponses);
    return true;
}

}  // namespace auralith
