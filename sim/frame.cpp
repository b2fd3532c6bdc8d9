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

bool renderArray(MicArray choice, const SweepInput& in, StereoBuffer& out, RandomState& random) {
    switch (choice) {
        case MicArray::blumleinPair: return renderBlumleinPair(in, out, random);
        case MicArray::cardioidPair: return renderCardioidPair(in, out, random);
        case MicArray::faulknerPair: return renderFaulknerPair(in, out, random);
        case MicArray::ortfPair: return renderOrtfPair(in, out, random);
        case MicArray::spacedOmniPair: return renderSpacedOmniPair(in, out, random);
        case MicArray::threeOmniTree: return renderThreeOmniTree(in, out, random);
    }
    return false;
}

SweepInput sweepInputFor(const InputWave& wave, std::int32_t rate, double gain) {
    SweepInput in;
    in.x = wave.samples.data();
    in.n = wave.sampleCount;
    in.rate = rate;
    in.gain = gain;
    in.deg = degreesToRadiansFactor();
    in.blockFrames = rate + in.n;
    in.frames = static_cast<std::int32_t>(outputFrameCount(rate, in.n));
    return in;
}

bool renderStereoInto(MicArray choice, const InputWave& wave, std::int32_t rate, double gain,
                      RandomState& random, StereoBuffer& out) {
    const SweepInput in = sweepInputFor(wave, rate, gain);
    if (out.frames != in.frames || out.samples.size() != 2 * static_cast<std::size_t>(in.frames)) return false;
    return renderArray(choice, in, out, random);
}

std::optional<StereoBuffer> renderStereo(MicArray choice, const InputWave& wave, std::int32_t rate,
                                         double gain, RandomState& random) {
    StereoBuffer out;
    out.frames = static_cast<std::int32_t>(outputFrameCount(rate, wave.sampleCount));
    out.samples = SampleStorage::zeroed(2 * static_cast<std::size_t>(out.frames));
    if (!renderStereoInto(choice, wave, rate, gain, random, out)) return std::nullopt;
    return out;
}

}  // namespace auralith
