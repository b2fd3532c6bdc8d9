#include "binaural/listening.h"

#include <algorithm>
#include <atomic>
#include <new>
#include <string_view>
#include <vector>

#include "binaural/stand_ins.h"
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
    std::optional<EarCueMeter> cues;    // for two loudspeakers alone
    std::optional<SpeakerPaths> heard;  // their paths as measured, which the cues are taken from
    std::string head;
};

void ListeningRelease::operator()(Listening* listening) const { delete listening; }

std::string headDescription(const Listening& listening) { return listening.head; }

EarCues earCuesOf(const Listening& listening, const Pickup& pickup) {
    return listening.cues ? listening.cues->cues(pickup) : EarCues{};
}

std::optional<EarResponses> earResponsesOf(const Listening& listening, std::span<const double> stereo) {
    return listening.heard ? earResponses(stereo, *listening.heard) : std::nullopt;
}

namespace {

MeasuredHead headOf(SofaResponses&& file) {
    return {file.rate, file.taps, std::move(file.azimuth), std::move(file.elevation), std::move(file.values)};
}

// The file's name without its folders; both separators on every platform, as the program names
// its files.
std::string_view nameOf(std::string_view path) {
    const std::size_t slash = path.find_last_of("/\\");
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
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

std::variant<ListeningHandle, ListeningRefusal> prepareListening(const ListeningRequest& request, std::int32_t rate) {
    const std::string& file = request.sofaFile;
    auto read = readSofaResponses(file, rate, headLimits(rate));
    if (const auto* why = std::get_if<std::string>(&read)) return ListeningRefusal{file, *why};
    const MeasuredHead head = headOf(std::get<SofaResponses>(std::move(read)));
    const auto standIns = standInsOf(head, request.layout);
    if (const auto* why = std::get_if<std::string>(&standIns)) return ListeningRefusal{file, *why};
    const auto& measurements = std::get<std::vector<std::size_t>>(standIns);
    const ListeningRefusal noMemory{file, "there is not enough memory for this head's responses"};
    std::optional<SpeakerPaths> paths =
        speakerPaths(head, measurements, request.equalise ? Equalisation::diffuseField : Equalisation::none);
    std::optional<BinauralRender> render = paths ? BinauralRender::create(*paths) : std::nullopt;
    if (!render) return noMemory;
    // The cues a head receives in front of the loudspeakers, whatever equalises the headphones.
    std::optional<EarCueMeter> cues;
    std::optional<SpeakerPaths> asMeasured;
    if (request.layout.channels() == 2) {
        asMeasured = request.equalise ? speakerPaths(head, measurements, Equalisation::none) : std::move(paths);
        cues = asMeasured ? EarCueMeter::create(*asMeasured) : std::nullopt;
        if (!cues) return noMemory;
    }
    try {
        return ListeningHandle(
            new Listening{std::move(*render), std::move(cues), std::move(asMeasured),
                          std::string(nameOf(file)) +
                              (request.equalise ? ", diffuse-field equalised" : ", as measured (no equalisation)")});
    } catch (const std::bad_alloc&) {
        return noMemory;
    }
}

HeadphoneRender writeHeadphoneRender(const Listening& listening, std::span<const std::int16_t> in, std::int32_t rate,
                                     std::int32_t n, const std::string& path, bool measure) {
    const auto frames = static_cast<std::int32_t>(in.size() / static_cast<std::size_t>(listening.render.channels()));
    HeadphoneRender result;
    std::optional<OutputInPlace> file = OutputInPlace::create(path, frames, rate, 16, ReplaceMode::nameItself);
    if (file) {
        // Each run goes into the file by the system's writes: the file is never in memory.
        std::atomic<int> error{0};
        const MeasuredHeadphones made = renderSweepHeadphones(
            listening.render, in, rate, n,
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
        memory.resize(2 * static_cast<std::size_t>(frames));
    } catch (const std::bad_alloc&) {
        return {{}, false, {}, 0};
    }
    const MeasuredHeadphones made = renderSweepHeadphones(
        listening.render, in, rate, n,
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
