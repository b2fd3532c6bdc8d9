#include "job/compare/room_run.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>

#include "binaural/listening.h"
#include "catalogue/rooms.h"
#include "sim/fast/parallel.h"
#include "sim/room/absorption_solver.h"
#include "sim/room/diffuse_coherence.h"
#include "sim/room/measured_coherence.h"
#include "sim/room/room_numbers.h"
#include "sim/room_render/room_render.h"
#include "sim/room_render/room_sweep.h"

namespace auralith {

namespace {

// The coherence is of what arrives 80 ms after the direct sound on: the late field's.
constexpr double lateSeconds = 0.08;

// Each position's and channel's direct-to-reverberant ratio, left and right.
std::vector<std::array<std::optional<double>, 2>> drrOf(const RoomSweep& sweep) {
    std::vector<std::array<std::optional<double>, 2>> drr;
    for (std::size_t p = 0; p < sweep.reflections.size(); ++p) {
        const auto taps = directTaps(sweep, static_cast<int>(p));
        auto& row = drr.emplace_back();
        for (std::size_t c = 0; c < row.size() && c < taps.size(); ++c) {
            std::vector<DirectTap> direct;
            for (const PlanTap& tap : taps[c]) direct.push_back({tap.delay, static_cast<double>(tap.factor)});
            row[c] = directToReverberantDb(direct, sweep.reflections[p][c].samples);
        }
    }
    return drr;
}

// The transforms the late coherence of a sweep's reflections takes, made before the arrays'
// numbers are worked out side by side (planning is not thread-safe); none where nothing rings.
std::unique_ptr<BandMixer> coherenceMixer(const RoomSweep& sweep) {
    const std::int64_t longest = longestReflection(sweep);
    return longest == 0 ? nullptr : std::make_unique<BandMixer>(AudioFormat{sweep.plan.format.rate, 1}, longest);
}

// The left and right channels' late coherence per band, their cross-spectra summed over the
// positions; none where nothing rings.
std::optional<BandValues> lateCoherenceOf(const RoomSweep& sweep, const BandMixer* mixer) {
    std::vector<ResponsePair> pairs;
    for (const auto& channels : sweep.reflections) {
        if (channels.size() < 2) return std::nullopt;
        pairs.push_back({&channels[0], &channels[1]});
    }
    if (mixer == nullptr) return std::nullopt;
    return summedLateCoherence(*mixer, pairs, lateSeconds);
}

ArrayRoomResult numbersOf(const RoomSweep& sweep, const AnyArray& array, const RoomRun& room, const BandValues& seconds,
                          const BandMixer* mixer) {
    const Rig rig = rigOf(array);
    ArrayRoomResult numbers;
    numbers.drrDb = drrOf(sweep);
    numbers.coherence = lateCoherenceOf(sweep, mixer);
    for (int b = 0; b < bandCount; ++b) numbers.diffuse[b] = channelCoherence(rig, 0, 1, bandCentres[b]);
    numbers.diffuseCurve = diffuseCoherenceCurve(rig, 62.5, 16000, 24);
    const Room& r = room.field.room;
    numbers.criticalDistance =
        criticalDistance(channelDirectivity(rig, 0), r.width * r.depth * r.height, midBandSeconds(seconds));
    return numbers;
}

// The position nearest straight ahead; the first of two as near.
int centrePosition(const SweepPositions& positions) {
    int best = 0;
    for (int p = 1; p < positions.count(); ++p)
        if (std::fabs(positions.degrees(p)) < std::fabs(positions.degrees(best))) best = p;
    return best;
}

}  // namespace

bool hearEars(const RoomSweep& sweep, int segment, const Listening& listening, ArrayRoomResult& numbers) {
    const MixedResponse centre = mixedResponse(sweep, segment);
    const std::optional<EarResponses> ears = earResponsesOf(listening, centre.samples);
    if (!ears) return false;
    const EarCorrelation iacc = earlyAndLateIacc(ears->left, ears->right, centre.format.rate, earsArrival(*ears));
    numbers.iaccEarly = iacc.early;
    numbers.iaccLate = iacc.late;
    return true;
}

RoomRun roomRunOf(const RoomSetting& setting) {
    return {{setting.room, setting.arrayAt, setting.sourceHeight, setting.air, 1}, setting.distance};
}

std::variant<RoomHeard, std::string> hearInRoom(const RoomRun& room, std::span<const AnyArray> arrays,
                                                std::int32_t rate, std::int32_t n, const SweepPositions& positions,
                                                const BandValues& seconds, const Listening* listening) {
    auto responses = roomResponsesOf(arrays, room.field, positions, room.distance, rate);
    RoomHeard heard;
    for (std::size_t a = 0; a < arrays.size(); ++a) {
        if (auto* why = std::get_if<std::string>(&responses[a])) return std::move(*why);
        RoomSweep sweep = roomSweep(arrays[a], room.field, std::get<RoomResponses>(std::move(responses[a])), n,
                                    positions, room.distance);
        heard.arrays.push_back({{}, std::move(sweep)});
    }
    std::vector<const RoomSweep*> sweeps;
    for (const HeardArray& array : heard.arrays) sweeps.push_back(&array.sweep);
    std::vector<ArrayRoomResult> numbers = roomNumbersOf(sweeps, arrays, room, seconds);
    for (std::size_t a = 0; a < arrays.size(); ++a) heard.arrays[a].numbers = std::move(numbers[a]);
    std::vector<std::vector<SegmentExtent>> extents;
    for (HeardArray& array : heard.arrays) {
        if (listening != nullptr && !hearEars(array.sweep, centrePosition(positions), *listening, array.numbers))
            return std::string("there is not enough memory for this recording");
        extents.push_back(segmentExtents(array.sweep));
        heard.gain = std::min(heard.gain, array.sweep.gain);
    }
    heard.layout = sharedLayout(extents, n, rate);
    for (HeardArray& array : heard.arrays) placeSweep(array.sweep, heard.layout, heard.gain);
    return heard;
}

RoomResults roomResultsOf(const RoomRun& room, const std::optional<RoomSetting>& setting, double gain) {
    const RoomField& f = room.field;
    RoomResults results{setting && roomPreset(setting->name) != nullptr ? setting->name : std::string(),
                        f.room,
                        f.arrayAt,
                        room.distance,
                        f.sourceHeight,
                        f.air,
                        setting && setting->targeted ? std::optional<BandValues>(setting->target) : std::nullopt,
                        sabineSeconds(f.room),
                        eyringSeconds(f.room),
                        {},
                        gain};
    std::optional<BandValues> measured;
    if (setting && setting->targeted) {
        measured = setting->measured;
    } else {
        // With the absorption given, T30 as the solver measures it: at 44.1 kHz, which holds every band.
        const RoomPoint source = sourceOnArc(f.arrayAt, room.distance, f.sourceHeight, 0);
        measured = omniT30(imageSources({f.room, source, f.arrayAt, roomResponseSeconds(f.room), 0, f.seed,
                                         imageDisplacement, room.distance, f.air}),
                           {44100, 1});
    }
    for (int b = 0; b < bandCount && measured; ++b)
        if ((*measured)[b] > 0) results.measured[b] = (*measured)[b];
    return results;
}

bool transformRecording(RoomHeard& heard, std::span<const std::int16_t> x) {
    std::int64_t longest = 0;
    for (const HeardArray& array : heard.arrays) longest = std::max(longest, longestReflection(array.sweep));
    heard.spectra = recordingSpectra(x, longest);
    return heard.spectra.has_value();
}

bool fitsWaveFile(std::int64_t frames) {
    // Four bytes a frame after the 44-byte header.
    return frames <= (std::numeric_limits<std::int32_t>::max() - 44) / 4;
}

std::variant<RenderedOutput, std::string> renderIntoOutput(
    std::int64_t frames, const InputWave& wave, RandomState& random, const std::string& outputName,
    const std::function<RenderOutcome(std::span<std::int16_t>, RandomState&)>& render) {
    if (!fitsWaveFile(frames)) return std::string("the renders would be too long for a WAVE file");
    RenderedOutput out;
    out.frames = static_cast<std::int32_t>(frames);
    out.inPlace =
        OutputInPlace::create(outputName, out.frames, wave.sampleRate, wave.bitsPerSample, ReplaceMode::nameItself);
    if (out.inPlace) {
        const RandomState start = random;
        const RenderOutcome rendered = render(out.inPlace->samples(), random);
        if (!rendered) return std::string(rendered.why);
        out.clipped = rendered.clipped;
        if (!out.inPlace->failed()) return out;
        out.inPlace.reset();
        random = start;
    }
    out.memory.frames = out.frames;
    out.memory.samples = SampleStorage::zeroed(2 * static_cast<std::size_t>(out.frames));
    if (out.memory.samples.size() == 0) return std::string("there is not enough memory for this recording");
    const RenderOutcome rendered = render(out.memory.view(), random);
    if (!rendered) return std::string(rendered.why);
    out.clipped = rendered.clipped;
    out.memory.clipped = rendered.clipped;
    return out;
}

std::variant<RenderedOutput, std::string> renderInRoom(const RoomSweep& sweep, const RecordingSpectra* spectra,
                                                       const InputWave& wave, double gain, RandomState& random,
                                                       const std::string& outputName) {
    const RoomRenderOptions options{0, 0, spectra};
    return renderIntoOutput(sweep.plan.frames, wave, random, outputName,
                            [&](std::span<std::int16_t> out, RandomState& state) {
                                return renderRoomInto(sweep, wave.samples, gain, state, out, options);
                            });
}

std::vector<ArrayRoomResult> roomNumbersOf(std::span<const RoomSweep* const> sweeps, std::span<const AnyArray> arrays,
                                           const RoomRun& room, const BandValues& seconds) {
    std::vector<ArrayRoomResult> numbers(sweeps.size());
    // The arrays' numbers side by side, an array a part, as many arrays at a time as there are
    // parts: each one's transforms are made before (planning is not thread-safe) and go after.
    const auto parts = static_cast<std::size_t>(std::min<int>(std::ssize(sweeps), partsFor(std::uint64_t{1} << 20, 0)));
    for (std::size_t first = 0; first < sweeps.size(); first += parts) {
        const std::size_t count = std::min(parts, sweeps.size() - first);
        std::vector<std::unique_ptr<BandMixer>> mixers;
        for (std::size_t a = first; a < first + count; ++a) mixers.push_back(coherenceMixer(*sweeps[a]));
        runParts(static_cast<int>(count), [&](int k) {
            const std::size_t a = first + static_cast<std::size_t>(k);
            numbers[a] = numbersOf(*sweeps[a], arrays[a], room, seconds, mixers[static_cast<std::size_t>(k)].get());
        });
    }
    return numbers;
}

}  // namespace auralith
