// Arbitrary short recordings through the program's renderers and through the straightforward
// reference renderers: the output samples and the generator's final state must be the same, bit
// for bit, for every array, at every vector width the processor has (two, four with AVX2, eight
// with AVX-512), on one thread and on several. A difference stops the run with the input that caused it.
//
// The input: byte 0 picks the array, byte 1 the run settings, bytes 2-3 the rate, bytes 4-7 the
// generator's starting state, the rest the samples (16-bit, low byte first). The rate is the
// audio core's own input, not the file's: a small one keeps each render to a few thousand frames
// (13 * (rate + n) + rate), so that a run takes milliseconds, while the sweep, the delays, the
// batches and the parts meet the same edges as at 44 100 Hz.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <span>
#include <vector>

#include "sim/fast/render_options.h"
#include "sim/fast/vector_width.h"
#include "sim/reference/reference_renderers.h"
#include "sim/render.h"

namespace {

using namespace auralith;

constexpr std::size_t settingsBytes = 8;

struct Case {
    MicArray choice = MicArray::blumleinPair;
    int threads = 2;          // the thread count besides one
    std::int32_t rate = 0;    // up to 511, or up to 4095 when the settings byte asks for it
    std::uint32_t state = 0;  // the generator's starting state
    std::vector<std::int16_t> samples;
};

Case caseFrom(const std::uint8_t* data, std::size_t size) {
    std::uint8_t head[settingsBytes] = {};
    std::copy_n(data, std::min(size, settingsBytes), head);
    Case c;
    c.choice = static_cast<MicArray>(1 + head[0] % micArrayCount);
    c.threads = 2 + (head[1] & 1);
    const auto rateField = static_cast<std::int32_t>(head[2] | (head[3] << 8));
    // Up to 511 Hz every delay is 0 or 1 frame and a render is a few thousand frames; up to
    // 4095 Hz, when the settings ask for it, every spaced array has delays of whole frames.
    c.rate = (head[1] & 0x80) != 0 ? rateField & 0xFFF : rateField & 0x1FF;
    c.state = static_cast<std::uint32_t>(head[4]) | static_cast<std::uint32_t>(head[5]) << 8 |
              static_cast<std::uint32_t>(head[6]) << 16 | static_cast<std::uint32_t>(head[7]) << 24;
    for (std::size_t at = settingsBytes; at + 1 < size; at += 2)
        c.samples.push_back(static_cast<std::int16_t>(data[at] | (data[at + 1] << 8)));
    return c;
}

// Below 2 Hz the program's renderers refuse, as their delay check asks for half a second of room
// around each position's sound, which such a rate cannot give even to a zero delay (the program
// itself only ever renders at 44 100 Hz). The reference renders there all the same.
bool programMayRefuse(const Case& c) { return c.rate < 2; }

[[noreturn]] void differs(const Case& c, const RenderOptions& options, const char* what, std::size_t at) {
    std::fprintf(
        stderr,
        "render_differential_fuzz: %s (array %d, rate %d, %zu samples, state %u, %d threads, width %d, at %zu)\n", what,
        static_cast<int>(c.choice), c.rate, c.samples.size(), c.state, options.threads, options.vectorWidth, at);
    std::abort();
}

void compare(const Case& c, const StereoBuffer& expected, std::uint32_t expectedState, const RenderOptions& options) {
    RandomState random{c.state};
    const double gain = measureGuardGain(c.samples);
    const std::optional<StereoBuffer> actual = renderStereo(c.choice, c.samples, c.rate, gain, random, options);
    if (!actual) {
        if (programMayRefuse(c)) return;
        differs(c, options, "the program's renderer refused", 0);
    }
    if (actual->frames != expected.frames || actual->samples.size() != expected.samples.size())
        differs(c, options, "a different frame count", 0);
    // One memcmp over the whole output; where it differs is looked for only then.
    const std::size_t bytes = expected.samples.size() * sizeof(std::int16_t);
    if (bytes != 0 && std::memcmp(expected.samples.data(), actual->samples.data(), bytes) != 0) {
        const auto at = std::mismatch(expected.samples.begin(), expected.samples.end(), actual->samples.begin());
        differs(c, options, "a different sample", static_cast<std::size_t>(at.first - expected.samples.begin()));
    }
    if (random.s != expectedState) differs(c, options, "the generator ends elsewhere", 0);
    if (actual->clipped != expected.clipped) differs(c, options, "another count of clipped samples", 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const Case c = caseFrom(data, size);
    RandomState referenceState{c.state};
    const SweepInput in = sweepInputFor(c.samples, c.rate, measureGuardGain(c.samples));
    const StereoBuffer expected = reference::renderReference(c.choice, in, referenceState);
    if (expected.samples.size() != 2 * static_cast<std::size_t>(in.frames)) {
        std::fprintf(stderr, "render_differential_fuzz: the reference found no memory\n");
        std::abort();
    }
    // Every width the processor has, each on one thread and more.
    for (const int width : {2, 4, 8}) {
        if (!processorHasVectorWidth(width)) continue;
        for (const int threads : {1, c.threads}) compare(c, expected, referenceState.s, RenderOptions{threads, width});
    }
    return 0;
}
