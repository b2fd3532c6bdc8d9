#include "job/compare/stage_run.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <new>

#include "job/compare/file_names.h"
#include "job/compare/sweep_setting.h"
#include "report/numbers.h"
#include "report/results.h"
#include "report/shown_text.h"
#include "sim/analysis/array_analysis.h"
#include "sim/analysis/loudness.h"
#include "sim/fast/parallel.h"
#include "wave/recording/rate_conversion.h"
#ifdef AURALITH_ROOM_RENDER
#include "sim/stage/stage_render.h"
#endif

namespace auralith {

namespace {

// Silence after the sound, up to n samples.
void padTo(Recording& recording, std::int32_t n) {
    InputWave& wave = recording.wave;
    if (!wave.samples.empty()) wave.samples.resize(static_cast<std::size_t>(n), 0);
    wave.sampleCount = n;
    wave.dataSize = 2 * n;
    wave.duration = static_cast<double>(n) / wave.sampleRate;
}

// The recording at the first one's rate, the conversion told; empty, or why it cannot be.
std::string toFirstRate(StageRecordings& read, const std::string& file, Recording& recording) {
    if (read.recordings.empty()) return {};
    const std::int32_t from = recording.wave.sampleRate;
    const std::int32_t to = read.recordings.front().wave.sampleRate;
    if (from == to) return {};
    if (!convertsRates())
        return "its rate (" + groupedText(from) + " Hz) is not the first recording's (" + groupedText(to) +
               " Hz), and this build converts no rates (it was built without libsamplerate)";
    if (std::string why = convertRate(recording, to); !why.empty()) return why;
    read.conversions.push_back(file + " from " + groupedText(from) + " Hz");
    return {};
}

// Where the recording's samples are read again, which are then let go; none where they are kept
// (another rate's, or a file that does not read again).
std::optional<PlayerFile> readAgain(Recording& recording, std::int32_t rate, RecordingRequest request) {
    if (!recording.readsAgain || recording.wave.sampleRate != rate) return std::nullopt;
    std::vector<std::int16_t>().swap(recording.wave.samples);
    return PlayerFile{std::move(request), recording.from, recording.wave.sampleCount};
}

int millidegreesOf(const StagePlayer& player) { return static_cast<int>(std::lrint(player.degrees * 1000)); }

}  // namespace

std::variant<StageRecordings, FileRefusal> readStage(const CompareOptions& options) {
    StageRecordings read;
    std::int32_t longest = 0;
    // The files read side by side (libsndfile keeps each one's state apart), then taken in order,
    // so that the first refusal is the first file's that has one.
    std::vector<std::variant<Recording, std::string>> got(options.stage.size());
    const int parts = std::min<int>(std::ssize(got), partsFor(std::uint64_t{1} << 20, 0));
    runParts(parts, [&](int k) {
        for (std::size_t f = static_cast<std::size_t>(k); f < got.size(); f += static_cast<std::size_t>(parts)) {
            const StageEntry& entry = options.stage[f];
            got[f] = readRecording({entry.file, entry.channel != 0 ? entry.channel : options.channel, options.audio});
        }
    });
    for (std::size_t f = 0; f < got.size(); ++f) {
        const StageEntry& entry = options.stage[f];
        if (auto* why = std::get_if<std::string>(&got[f])) return FileRefusal{entry.file, std::move(*why)};
        Recording& recording = std::get<Recording>(got[f]);
        if (options.excerpt)
            if (std::string why = cutToExcerpt(recording, *options.excerpt); !why.empty())
                return FileRefusal{entry.file, why};
        const std::int32_t rate = recording.wave.sampleRate;
        if (std::string why = toFirstRate(read, entry.file, recording); !why.empty())
            return FileRefusal{entry.file, why};
        longest = std::max(longest, recording.wave.sampleCount);
        read.files.push_back(
            readAgain(recording, rate, {entry.file, entry.channel != 0 ? entry.channel : options.channel}));
        read.recordings.push_back(std::move(recording));
    }
    try {
        for (Recording& recording : read.recordings) padTo(recording, longest);
    } catch (const std::bad_alloc&) {
        return FileRefusal{options.stage.front().file, "there is not enough memory for the stage's recordings"};
    }
    return read;
}

std::vector<StagePlayer> stagePlayers(const CompareOptions& options, const StageRecordings& read) {
    std::vector<StagePlayer> players;
    std::map<std::string, int> seen;
    for (std::size_t k = 0; k < options.stage.size(); ++k) {
        const StageEntry& entry = options.stage[k];
        StagePlayer& p = players.emplace_back();
        p.name = stemOf(entry.file);
        if (const int count = ++seen[p.name]; count > 1) p.name += "-" + std::to_string(count);
        p.file = entry.file;
        p.source = k < read.recordings.size() ? read.recordings[k].description : std::string();
        p.degrees = entry.millidegrees / 1000.0;
        p.distance = entry.distance.value_or(options.distance);
        p.height = options.room ? entry.height.value_or(options.room->sourceHeight) : 0;
        p.gainDb = entry.gainDb;
    }
    return players;
}

std::vector<PlayerHeard> playersHeard(const std::vector<StagePlayer>& players, const AnyArray& array, std::int32_t rate,
                                      const LoudspeakerBase& base, const ArrayRoomResult* room) {
    std::vector<PlayerHeard> heard;
    for (std::size_t s = 0; s < players.size(); ++s) {
        const SweepPositions at{millidegreesOf(players[s]), millidegreesOf(players[s]), 1};
        PlayerHeard& h = heard.emplace_back();
        h.analysis = analysePosition(array, at.degrees(0), rate, base, players[s].distance);
        if (room != nullptr && s < room->drrDb.size()) h.drrDb = room->drrDb[s];
    }
    return heard;
}

std::string playerResponseName(std::string_view stem, std::string_view slug, std::string_view player) {
    return std::string(stem) + "-" + std::string(slug) + "-response-" + std::string(player) + ".wav";
}

#ifdef AURALITH_ROOM_RENDER

std::variant<StageHeard, std::string> hearStage(const std::vector<StagePlayer>& players, const RoomRun* room,
                                                double radius, std::span<const AnyArray> arrays, std::int32_t rate,
                                                std::int32_t n) {
    std::vector<StageSource> sources;
    for (const StagePlayer& p : players)
        sources.push_back({millidegreesOf(p), p.distance, p.height, std::pow(10.0, p.gainDb / 20)});
    const Surroundings around = room != nullptr ? Surroundings(room->field) : Surroundings(FreeField{});
    auto stages = stageSweeps(arrays, around, sources, n, rate);
    if (auto* why = std::get_if<std::string>(&stages)) return std::move(*why);
    return StageHeard{std::get<std::vector<RoomSweep>>(std::move(stages)), stageLevels(sources, radius),
                      std::make_shared<StageRenderer>()};
}

StageTracks stageTracks(const StageRecordings& read, StageReading& reading) {
    const std::int64_t n = read.recordings.empty() ? 0 : read.recordings.front().wave.sampleCount;
    return {read.recordings.size(), n,
            [&read, &reading](std::size_t s, std::int64_t from, std::int64_t count, std::int16_t* into) {
                const std::optional<PlayerFile>& file = read.files[s];
                if (!file) {
                    std::copy_n(read.recordings[s].wave.samples.begin() + from, count, into);
                    return true;
                }
                // Past the player's own samples, the silence that pads it.
                const std::int64_t own = std::clamp<std::int64_t>(file->count - from, 0, count);
                std::fill(into + own, into + count, std::int16_t{0});
                const std::string why = own > 0 ? readRecordingBlock(file->request, file->from + from, own, into) : "";
                if (why.empty()) return true;
                const std::lock_guard lock(reading.mutex);
                if (!reading.failed) reading.failed = FileRefusal{file->request.name, why};
                return false;
            }};
}

namespace {

// The render written to its file as its blocks are made, so that it is never held whole, with its
// loudness and envelope measured as they go; nothing where the file cannot be built in place (the
// render then goes into memory).
std::optional<std::variant<RenderedOutput, std::string>> streamedStage(const StageHeard& heard, const RoomSweep& stage,
                                                                       const StageInput& input, const InputWave& wave,
                                                                       RandomState& random,
                                                                       const std::string& outputName) {
    RenderedOutput out;
    out.frames = static_cast<std::int32_t>(stage.plan.frames);
    out.inPlace =
        OutputInPlace::create(outputName, out.frames, wave.sampleRate, wave.bitsPerSample, ReplaceMode::nameItself);
    if (!out.inPlace) return std::nullopt;
    auto meter = LoudnessMeter::create(stage.plan.format.rate);
    bool fed = meter.has_value();
    EnvelopeMeter envelope = envelopeMeter(out.frames, envelopePoints);
    std::int64_t at = 0;
    int error = 0;
    const StageRenderOptions options{0, heard.renderer.get(), [&](std::span<const std::int16_t> run) {
                                         fed = fed && meter->add(run);
                                         addToEnvelope(envelope, run);
                                         if (error == 0) error = out.inPlace->writeFrames(at, run);
                                         at += std::ssize(run) / 2;
                                     }};
    const RenderOutcome outcome = renderStageInto(stage, input, random, {}, options);
    if (!outcome) return std::string(outcome.why);
    if (error != 0) return errorText(error);
    out.clipped = outcome.clipped;
    out.loudness = fed ? meter->integrated() : std::nullopt;
    out.envelope = std::move(envelope.envelope);
    return out;
}

// The render built in its file where the file allows it, else in memory (renderIntoOutput), its
// loudness measured as its blocks are made; the envelope is measured afterwards.
std::variant<RenderedOutput, std::string> builtStage(const StageHeard& heard, const RoomSweep& stage,
                                                     const StageInput& input, const InputWave& wave,
                                                     RandomState& random, const std::string& outputName) {
    std::optional<double> loudness;
    auto out = renderIntoOutput(
        stage.plan.frames, wave, random, outputName, [&](std::span<std::int16_t> samples, RandomState& state) {
            // Measured afresh by each attempt (one in memory follows one in place that failed).
            auto meter = LoudnessMeter::create(stage.plan.format.rate);
            bool fed = meter.has_value();
            const StageRenderOptions options{0, heard.renderer.get(),
                                             [&](std::span<const std::int16_t> run) { fed = fed && meter->add(run); }};
            const RenderOutcome outcome = renderStageInto(stage, input, state, samples, options);
            loudness = fed ? meter->integrated() : std::nullopt;
            return outcome;
        });
    if (auto* rendered = std::get_if<RenderedOutput>(&out)) rendered->loudness = loudness;
    return out;
}

}  // namespace

std::variant<RenderedOutput, std::string> renderStage(const StageHeard& heard, std::size_t index,
                                                      const StageRecordings& read, double gain, RandomState& random,
                                                      const std::string& outputName) {
    const RoomSweep& stage = heard.arrays[index];
    StageReading reading;
    const StageInput input{stageTracks(read, reading), heard.levels, gain};
    const InputWave& wave = read.recordings.front().wave;
    // A render too long for a WAVE file is refused by renderIntoOutput.
    auto streamed =
        fitsWaveFile(stage.plan.frames) ? streamedStage(heard, stage, input, wave, random, outputName) : std::nullopt;
    auto out = streamed ? std::move(*streamed) : builtStage(heard, stage, input, wave, random, outputName);
    if (reading.failed) return shownOnTerminal(reading.failed->path) + ": " + reading.failed->why;
    return out;
}

#endif

}  // namespace auralith
