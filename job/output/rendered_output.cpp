#include "job/output/rendered_output.h"

#include <utility>

#include "wave/output_wave.h"

namespace auralith {

std::optional<RenderedOutput> renderOutput(const AnyArray& choice, const InputWave& wave, double gain,
                                           RandomState& random, const std::string& outputName, ReplaceMode mode,
                                           const SweepPositions& positions, double radius) {
    RenderedOutput out;
    out.frames = static_cast<std::int32_t>(outputFrameCount(wave.sampleRate, wave.sampleCount, positions.count()));
    out.inPlace = OutputInPlace::create(outputName, out.frames, wave.sampleRate, wave.bitsPerSample, mode);
    if (out.inPlace) {
        const RandomState start = random;
        const RenderOutcome rendered = renderStereoInto(choice, wave.samples, wave.sampleRate, gain, random,
                                                        out.inPlace->samples(), {}, positions, radius);
        if (!rendered) return {};
        out.clipped = rendered.clipped;
        if (!out.inPlace->failed()) return out;
        out.inPlace.reset();  // its memory goes before the render's own is taken
        random = start;
    }
    std::optional<StereoBuffer> buffer =
        renderStereo(choice, wave.samples, wave.sampleRate, gain, random, {}, positions, radius);
    if (!buffer) return {};
    out.memory = std::move(*buffer);
    out.clipped = out.memory.clipped;
    return out;
}

WriteOutcome writeRenderedOutput(RenderedOutput& out, const std::string& name, const InputWave& wave, bool firstAttempt,
                                 ReplaceMode mode) {
    if (out.inPlace && firstAttempt) return out.inPlace->commit();
    return writeOutputWave(name, out.frames, out.samples(), wave.sampleRate, wave.bitsPerSample, mode);
}

}  // namespace auralith
