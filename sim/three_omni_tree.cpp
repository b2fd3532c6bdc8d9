// The three-omni tree: the spaced pair plus a centre microphone 1.5 m ahead. Each microphone's
// scaled signal is held as a double; one mixing pass over every frame, silent ones included,
// converts each channel's sum of its outer microphone and half the centre one.
#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "sim/dither_batch.h"
#include "sim/frame.h"
#include "sim/parallel.h"
#include "sim/placement.h"
#include "sim/sweep.h"
#include "sim/vector_width.h"

namespace auralith {

namespace {

constexpr float centreForward = 1.5f;
constexpr float mixScale = 0.7612f;

// One microphone's sound at one position: frames [start, start + n), scaled by `factor`;
// `scale` is factor * gain rounded to double, for the approximate held values.
struct Window {
    std::int64_t start;
    long double factor;
    double scale;
};

// The microphone's held value for input sample x: x scaled by its factor and the gain, in that
// order, rounded to double.
inline double heldValue(long double factor, std::int32_t x, double gain) {
    return static_cast<double>(factor * x * gain);
}

// One microphone in one batch of frames: its samples from the batch's first frame on, and its
// factor. A silent microphone reads zeros with factor 0, which holds exactly 0 as the model does.
struct HeardMic {
    const std::int16_t* x;
    long double factor;
    double scale;  // factor * gain, rounded to double
};

// The mix is first worked out in double precision from approximate held values, x * scale. Each
// differs from the exact held value by less than 3.02 * 2^-53 of itself, and held values stay
// below 2^16 (factors at most 1.0964, |x * gain| at most 32768), so by less than 2^-35; the mix,
// 0.7612 * (outer + centre / 2) with two more double roundings below 2^-38 each, is then within
// 2^-34 of the exact one. That is well inside the 2^-30 by which a dithered value must clear a
// half-integer for the double path to stand (dither_batch.h); nearer ones are done again from
// the exact held values.
struct MixBatch {
    double mixed[2][batchSteps];
    double rounded[2][batchSteps];
    BatchDraws draws;
};

// Mixes and converts `count` frames into `at` (interleaved, left first), with the draws after s;
// returns the state after them. mics: left, right, centre.
template <typename Doubles, typename Words>
[[gnu::always_inline]] inline std::uint32_t convertMix(const HeardMic (&mics)[3], double gain, MixBatch& b,
                                                       int count, std::uint32_t s, std::int16_t* at) {
    const double mix = static_cast<double>(mixScale);
    for (int k = 0; k < count; ++k) {
        const double halfCentre = (mics[2].x[k] * mics[2].scale) * 0.5;
        b.mixed[0][k] = (halfCentre + mics[0].x[k] * mics[0].scale) * mix;
        b.mixed[1][k] = (halfCentre + mics[1].x[k] * mics[1].scale) * mix;
    }
    s = drawBatch(s, count, b.draws);
    const bool nearLeft = roundLanes<Doubles, Words>(b.mixed[0], b.draws.state[0], b.draws.state[1], count, b.rounded[0]);
    const bool nearRight = roundLanes<Doubles, Words>(b.mixed[1], b.draws.state[2], b.draws.state[3], count, b.rounded[1]);
    for (int k = 0; k < count; ++k) {
        at[2 * k] = saturatedSample(b.rounded[0][k]);
        at[2 * k + 1] = saturatedSample(b.rounded[1][k]);
    }
    if (!nearLeft && !nearRight) return s;
    // The exact mix, (centre * 0.5 + outer) * 0.7612 in extended precision from the held values.
    convertNearTiesExactly(
        b.draws, b.mixed, count,
        [&](int channel, int k) {
            const double centre = heldValue(mics[2].factor, mics[2].x[k], gain);
            const double outer = heldValue(mics[channel].factor, mics[channel].x[k], gain);
            return (static_cast<long double>(centre) * 0.5f + outer) * mixScale;
        },
        [&](int channel, int k, std::int16_t sample) { at[2 * k + channel] = sample; });
    return s;
}

std::uint32_t convertMixTwoWide(const HeardMic (&mics)[3], double gain, MixBatch& b, int count, std::uint32_t s,
                                std::int16_t* at) {
    return convertMix<TwoDoubles, TwoWords>(mics, gain, b, count, s, at);
}

#if AURALITH_WIDE_VECTORS
AURALITH_WIDE_TARGET std::uint32_t convertMixFourWide(const HeardMic (&mics)[3], double gain, MixBatch& b, int count,
                                                      std::uint32_t s, std::int16_t* at) {
    return convertMix<FourDoubles, FourWords>(mics, gain, b, count, s, at);
}
#endif

}  // namespace

TreePlacement treePlacement(int position, double deg, std::int32_t rate, double reference) {
    const SourcePlace source = sourceAt(position, deg);
    const double rC = micDistance(source, 0, centreForward);
    return {spacedOmniPlacement(position, deg, rate, reference), micDelay(rC, rate),
            static_cast<long double>(reference) / rC};
}

bool renderThreeOmniTree(const SweepInput& in, StereoBuffer& out, RandomState& random) {
    // The windows of the left, right and centre microphones at every position.
    const double reference = omniReferenceDistance(in.deg);
    std::array<std::array<Window, sweepPositions>, 3> windows{};
    for (int p = 0; p < sweepPositions; ++p) {
        const TreePlacement place = treePlacement(p, in.deg, in.rate, reference);
        const std::int64_t start = static_cast<std::int64_t>(p) * in.blockFrames + in.rate;
        const std::int16_t delays[3] = {place.outer.leftDelay, place.outer.rightDelay, place.centreDelay};
        // Positions never reach each other's frames and never leave the buffer.
        for (const std::int16_t d : delays)
            if (std::abs(d) >= in.rate / 2) return false;
        const auto k = static_cast<std::size_t>(p);
        const auto window = [&](std::int16_t delay, long double factor) {
            return Window{start + delay, factor, static_cast<double>(factor * in.gain)};
        };
        windows[0][k] = window(place.outer.leftDelay, place.outer.leftFactor);
        windows[1][k] = window(place.outer.rightDelay, place.outer.rightFactor);
        windows[2][k] = window(place.centreDelay, place.centreFactor);
    }

    // Frames are split where any microphone's sound starts or ends, so that within one stretch
    // each microphone is either silent or heard from one position.
    std::vector<std::int64_t> cuts{0, in.frames};
    for (const auto& mic : windows)
        for (const Window& w : mic) {
            cuts.push_back(w.start);
            cuts.push_back(w.start + in.n);
        }
    std::sort(cuts.begin(), cuts.end());
    cuts.erase(std::unique(cuts.begin(), cuts.end()), cuts.end());

    const auto total = static_cast<std::uint64_t>(in.frames);
    const int parts = partsFor(total, in.threads);
    [[maybe_unused]] const bool wide = useWideVectors(in);
    runParts(parts, [&](int part) {
        const auto partFirst = static_cast<std::int64_t>(partStart(total, parts, part));
        const auto partLast = static_cast<std::int64_t>(partStart(total, parts, part + 1));
        std::uint32_t s = randomStateAfter(random, 4 * static_cast<std::uint64_t>(partFirst)).s;
        static constexpr std::int16_t silence[batchSteps] = {};
        MixBatch mix;
        for (std::size_t c = 0; c + 1 < cuts.size(); ++c) {
            const std::int64_t first = std::max(cuts[c], partFirst);
            const std::int64_t last = std::min(cuts[c + 1], partLast);
            if (first >= last) continue;
            // For each microphone, the window heard in this stretch, if any.
            const Window* heard[3] = {nullptr, nullptr, nullptr};
            for (std::size_t m = 0; m < 3; ++m)
                for (const Window& w : windows[m])
                    if (w.start <= first && first < w.start + in.n) heard[m] = &w;
            // Frames go in batches whose draws are worked out together.
            for (std::int64_t batch = first; batch < last; batch += batchSteps) {
                const int count = static_cast<int>(std::min<std::int64_t>(last - batch, batchSteps));
                HeardMic mics[3];
                for (std::size_t m = 0; m < 3; ++m) {
                    if (heard[m] == nullptr) {
                        mics[m] = {silence, 0.0L, 0.0};
                        continue;
                    }
                    mics[m] = {in.x + (batch - heard[m]->start), heard[m]->factor, heard[m]->scale};
                }
                std::int16_t* at = out.samples.data() + 2 * batch;
#if AURALITH_WIDE_VECTORS
                if (wide) {
                    s = convertMixFourWide(mics, in.gain, mix, count, s, at);
                    continue;
                }
#endif
                s = convertMixTwoWide(mics, in.gain, mix, count, s, at);
            }
        }
    });
    random = randomStateAfter(random, 4 * total);
    return true;
}

}  // namespace auralith
