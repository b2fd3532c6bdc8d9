#include "sim/frame.h"

#include <cstdlib>

#include "wave/input_wave.h"

namespace auralith {

std::optional<MicArray> micArrayFromAnswer(std::string_view answer) {
    if (answer.size() != 1 || answer[0] < '1' || answer[0] > '6') return std::nullopt;
    return static_cast<MicArray>(answer[0] - '0');
}

double degreesToRadiansFactor() {
    // pi is taken as the double nearest to 3.14159265359, not the full-precision constant.
    const double pi = 3.14159265359;
    return static_cast<double>(static_cast<long double>(pi) / 180);
}

std::int64_t outputFrameCount(std::int32_t rate, std::int32_t n) {
    return (static_cast<std::int64_t>(rate) + n) * 13 + rate;
}

double measureGuardGain(const InputWave& wave) {
    std::int32_t peak = 0;  // 32768 does not fit in 16 bits
    for (const std::int16_t sample : wave.samples) {
        const std::int32_t magnitude = std::abs(static_cast<std::int32_t>(sample));
        if (magnitude > peak) peak = magnitude;
    }
    if (peak > 32766) return static_cast<double>(32766.0L / peak);
    return 1.0;
}

std::optional<StereoBuffer> renderStereo(MicArray choice, const InputWave& wave, std::int32_t rate,
                                         double gain, RandomState& random) {
    SweepInput in;
    in.x = wave.samples.data();
    in.n = wave.sampleCount;
    in.rate = rate;
    in.gain = gain;
    in.deg = degreesToRadiansFactor();
    in.blockFrames = rate + in.n;
    in.frames = static_cast<std::int32_t>(outputFrameCount(rate, in.n));

    StereoBuffer out;
    out.frames = in.frames;
    out.samples = SampleStorage::zeroed(2 * static_cast<std::size_t>(in.frames));
    if (out.samples.size() != 2 * static_cast<std::size_t>(in.frames)) return std::nullopt;

    bool rendered = false;
    switch (choice) {
        case MicArray::blumleinPair: rendered = renderBlumleinPair(in, out, random); break;
        case MicArray::cardioidPair: rendered = renderCardioidPair(in, out, random); break;
        case MicArray::faulknerPair: rendered = renderFaulknerPair(in, out, random); break;
        case MicArray::ortfPair: rendered = renderOrtfPair(in, out, random); break;
        case MicArray::spacedOmniPair: rendered = renderSpacedOmniPair(in, out, random); break;
        case MicArray::threeOmniTree: rendered = renderThreeOmniTree(in, out, random); break;
    }
    if (!rendered) return std::nullopt;
    return out;
}

}  // namespace auralith
