// One array's render of a recording on its way to its file: built in the output file itself
// where the file allows it (OutputInPlace), else in memory and written by writeOutputWave. Both
// programs render and write through this, so that they write the same bytes.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "sim/analysis/envelope.h"
#include "sim/render.h"
#include "wave/input_wave.h"
#include "wave/output_in_place.h"

namespace auralith {

struct RenderedOutput {
    std::int32_t frames = 0;
    std::optional<OutputInPlace> inPlace;
    StereoBuffer memory;
    std::int64_t clipped = 0;  // samples the render clipped at full scale
    // Its loudness and its envelope, where the render measured them as it went (a stage's, the
    // envelope where it was written to its file as it was made); else measured after.
    std::optional<double> loudness;
    std::optional<Envelope> envelope;

    std::span<const std::int16_t> samples() const { return inPlace ? inPlace->samples() : memory.view(); }
};

// Empty when the memory for the output cannot be had. A file built in place whose pages failed
// under the render (shrunk from outside, say) is given up, and the render is done again in
// memory from the same generator state, which gives the same samples.
std::optional<RenderedOutput> renderOutput(const AnyArray& choice, const InputWave& wave, double gain,
                                           RandomState& random, const std::string& outputName,
                                           ReplaceMode mode = ReplaceMode::followLinks,
                                           const SweepPositions& positions = {}, double radius = defaultArcRadius);

// A file built in place is put under its name on the first attempt; any later attempt, and any
// output in memory, is written the ordinary way. True only when the file is there, whole.
WriteOutcome writeRenderedOutput(RenderedOutput& out, const std::string& name, const InputWave& wave, bool firstAttempt,
                                 ReplaceMode mode = ReplaceMode::followLinks);

}  // namespace auralith
