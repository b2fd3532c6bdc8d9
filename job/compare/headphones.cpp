#include "job/compare/headphones.h"

#include <algorithm>
#include <atomic>
#include <new>
#include <vector>

#include "job/compare/file_names.h"
#include "sim/analysis/loudness.h"
#include "sim/headphones/binaural_render.h"
#include "sim/headphones/ear_cue_meter.h"
#include "sim/headphones/speaker_paths.h"
#include "sim/headphones/sweep_headphones.h"
#include "wave/output_in_place.h"
#include "wave/output_wave.h"
#include "wave/sofa/sofa_file.h"

namespace auralith {

struct Listening {
    BinauralRender render;
    EarCueMeter cues;
    std::string head;
};

void ListeningRelease::operator()(Listening* listening) const { delete listening; }

std::string headDescription(const Listening& listening) { return listening.head; }

EarCues earCuesOf(const Listening& listening, const Pickup& pickup) { return listening.cues.cues(pickup); }

namespace {

MeasuredHead headOf(SofaResponses&& file) {
    return {file.rate, file.taps, std::move(file.azimuth), std::move(file.elevation), std::move(file.values)};
}

// The measurement that stands for the loudspeaker at `azimuth` degrees to the left, or why none.
std::variant<std::size_t, std::string> standIn(const MeasuredHead& head, double azimuth) {
    const NearestMeasurement nearest = nearestInHorizontalPlane(head, azimuth);
    if (nearest.degreesAway <= farthestStandIn) return nearest.index;
    const int side = static_cast<int>(azimuth);
    return "it has no direction within " + std::to_string(static_cast<int>(farthestStandIn)) + " degrees of " +
           std::to_string(side > 0 ? side : -side) + " degrees " + (side > 0 ? "left" : "right") +
           " in the horizontal plane";
}

// The render's last second holds the responses' tails after the last sound. Half of it goes to
// the head's responses with their delays (at most longestHeadResponse taps), the rest to the
// equalisation filter (at most 2048 taps, 11 ms at 192 kHz and 16 ms at 8 kHz) and to the
// arrays' own delays (a few milliseconds): no tail is ever cut.
SofaLimits headLimits(std::int32_t rate) {
    SofaLimits limits;
    limits.longestResponse = std::min(longestHeadResponse, rate / 2);
    return limits;
}

}  // namespace

std::variant<ListeningHandle, ListeningRefusal> prepareListening(const CompareOptions& options, std::int32_t rate,
                                                                 const LoudspeakerBase& base) {
    const std::string file = sofaFileOf(options);
    auto read = readSofaResponses(file, rate, headLimits(rate));
    if (const auto* why = std::get_if<std::string>(&read)) return ListeningRefusal{file, *why};
    const MeasuredHead head = headOf(std::get<SofaResponses>(std::move(read)));
    const auto left = standIn(head, base.halfAngle);
    if (const auto* why = std::get_if<std::string>(&left)) return ListeningRefusal{file, *why};
    const auto right = standIn(head, -base.halfAngle);
    if (const auto* why = std::get_if<std::string>(&right)) return ListeningRefusal{file, *why};
    const std::size_t l = std::get<std::size_t>(left);
    const std::size_t r = std::get<std::size_t>(right);
    std::optional<SpeakerPaths> paths =
        speakerPaths(head, l, r, options.equalise ? Equalisation::diffuseField : Equalisation::none);
    std::optional<BinauralRender> render = paths ? BinauralRender::create(*paths) : std::nullopt;
    // The cues a head receives in front of the loudspeakers, whatever equalises the headphones.
    std::optional<SpeakerPaths> asMeasured;
    if (render) asMeasured = options.equalise ? speakerPaths(head, l, r, Equalisation::none) : std::move(paths);
    std::optional<EarCueMeter> cues = asMeasured ? EarCueMeter::create(*asMeasured) : std::nullopt;
    if (!cues) return ListeningRefusal{file, "there is not enough memory for this head's responses"};
    try {
        return ListeningHandle(
            new Listening{std::move(*render), std::move(*cues),
                          std::string(baseNameOf(file)) +
                              (options.equalise ? ", diffuse-field equalised" : ", as measured (no equalisation)")});
    } catch (const std::bad_alloc&) {
        return ListeningRefusal{file, "there is not enough memory for this head's responses"};
    }
}

HeadphoneRender writeHeadphoneRender(const Listening& listening, std::span<const std::int16_t> stereo,
                                     std::int32_t rate, std::int32_t n, const std::string& path, bool measure) {
    const auto frames = static_cast<std::int32_t>(stereo.size() / 2);
    HeadphoneRender result;
    std::optional<OutputInPlace> file = OutputInPlace::create(path, frames, rate, 16, ReplaceMode::nameItself);
    if (file) {
        // Each run goes into the file by the system's writes: the file is never in memory.
        std::atomic<int> error{0};
        const MeasuredHeadphones made = renderSweepHeadphones(
            listening.render, stereo, rate, n,
            [&](std::int64_t first, std::span<const std::int16_t> samples) {
                const int e = file->writeFrames(first, samples);
                if (e != 0) error = e;
                return e == 0;
            },
            measure);
        result.loudness = made.loudness;
        result.clipped = made.clipped;
        if (error != 0) {
            result.written = {error};
            return result;
        }
        if (made.done && !file->failed()) {
            result.written = file->commit();
            return result;
        }
        file.reset();  // its pages failed, or the memory ran out: the render again, in memory
    }
    std::vector<std::int16_t> memory;
    try {
        memory.resize(stereo.size());
    } catch (const std::bad_alloc&) {
        return {{}, false, {}, 0};
    }
    const MeasuredHeadphones made = renderSweepHeadphones(
        listening.render, stereo, rate, n,
        [&](std::int64_t first, std::span<const std::int16_t> samples) {
            std::copy(samples.begin(), samples.end(), memory.begin() + 2 * first);
            return true;
        },
        measure);
    if (!made.done) return {{}, false, {}, 0};
    result.loudness = made.loudness;
    result.clipped = made.clipped;
    result.written = writeOutputWave(path, frames, memory, rate, 16, ReplaceMode::nameItself);
    return result;
}

}  // namespace auralith
