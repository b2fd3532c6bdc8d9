#include "job/compare/run.h"

#include <cerrno>
#ifdef __GLIBC__
#include <malloc.h>
#endif
#include <iterator>
#include <memory>
#include <optional>
#include <variant>

#include "binaural/listening.h"
#include "job/compare/file_names.h"
#include "job/compare/output_folder.h"
#include "job/compare/progress.h"
#include "job/compare/response_files.h"
#include "job/compare/stage_run.h"
#include "job/compare/sweep_setting.h"
#include "job/output/rendered_output.h"
#include "report/delay_rounding.h"
#include "report/html_report.h"
#include "report/shown_text.h"
#include "report/stage_reports.h"
#include "report/text_reports.h"
#include "sim/analysis/envelope.h"
#include "sim/analysis/loudness.h"
#include "sim/scene/loudspeakers.h"
#include "wave/files/file_access.h"
#include "wave/recording/recording.h"

#ifndef AURALITH_VERSION
#define AURALITH_VERSION "unknown"
#endif

namespace auralith {

// Every file goes into the output folder under a name this program made: the entry itself gets
// the new file, so that a symbolic link there never leads a write outside the folder.
WriteOutcome writeText(const std::string& path, const std::string& text) {
    return replaceFileContents(path, nullptr, 0, text.data(), text.size(), ReplaceMode::nameItself);
}

namespace {

constexpr std::string_view noMemory = "there is not enough memory for this recording";

// One run's fixed parts: where the files go and how the run reports.
struct Run {
    const CompareStreams& io;
    ProgressBar progress;
    std::string folder;
    std::string stem;
    const Listening* listening = nullptr;  // with --headphones
    LoudspeakerBase base = base30;
    SweepPositions positions;
    double distance = defaultArcRadius;    // the arc's radius, metres
    const RoomRun* room = nullptr;         // the room the arrays are heard in, if any
    std::shared_ptr<RoomHeard> heard;      // the arrays heard there: their numbers and sweeps
    std::span<const std::int64_t> starts;  // where each position's sound begins (CompareResults::starts)
    // A stage: its recordings, and every array's stage heard (in the free field or the room).
    const StageRecordings* stage = nullptr;
    std::shared_ptr<StageHeard> stageHeard{};
    const CompareResults* results = nullptr;  // what the labels of a stage name
};

#ifdef AURALITH_ROOM_RENDER
// Memory freed by the threads of a step (the hearing, a render) was taken from arenas of their
// own, which the C library keeps for their next allocation: given back, the steps that follow do
// not hold it beside their own (some 25 MB after a four-player stage's hearing in the hall).
void returnFreedMemory() {
#ifdef __GLIBC__
    malloc_trim(0);
#endif
}
#endif

// One line on standard error about the file `name`.
void tell(Run& run, std::string_view name, std::string_view text) {
    run.progress.clear();
    std::fputs(failureLine(name, text).c_str(), run.io.err);
}

int fail(Run& run, std::string_view name, std::string_view text) {
    tell(run, name, text);
    return 1;
}

// A render that clipped is told on its own line, and the run goes on: its file is what the
// array gives, and the count is in arrays.csv, on the page and in the closing table.
void tellClipped(Run& run, std::string_view path, std::int64_t clipped) {
    if (clipped > 0) tell(run, path, std::to_string(clipped) + " samples clipped at full scale");
}

// The array's audio, its loudness (measured from the samples before they are put under their
// name) and its labels; 0, or the exit status of a failure.
// The headphone render of the array's stereo render; 0, or the exit status of a failure. Clipped
// samples are told, and the run goes on.
int renderHeadphones(Run& run, std::span<const std::int16_t> stereo, const InputWave& wave, ArrayResult& result) {
    const std::string path = pathIn(run.folder, result.headphones.file);
    const HeadphoneRender made = writeHeadphoneRender(*run.listening, stereo, wave.sampleRate, wave.sampleCount, path);
    if (!made.memory) return fail(run, path, noMemory);
    if (!made.written) return fail(run, path, errorText(made.written.error));
    result.headphones.loudness = made.loudness;
    result.headphones.clipped = made.clipped;
    tellClipped(run, path, made.clipped);
    return 0;
}

// The array's render in the free field, or in the run's room; empty with the reason told.
// `split`: where its loudness may be measured in two parts, for a room's render (the free field's
// sweep knows its own).
std::optional<RenderedOutput> renderedArray(Run& run, int index, const AnyArray& array, const InputWave& wave,
                                            double gain, const std::string& audioPath, std::int64_t& split) {
    RandomState random;  // each array's generator starts where the interactive program's does
#ifdef AURALITH_ROOM_RENDER
    if (run.stageHeard) {
        auto heard = renderStage(*run.stageHeard, static_cast<std::size_t>(index), *run.stage, gain, random, audioPath);
        // The render is the run's last use of the array's responses (its response files are
        // written before the renders): their memory goes to the renders that follow.
        run.stageHeard->arrays[static_cast<std::size_t>(index)] = RoomSweep{};
        if (auto* out = std::get_if<RenderedOutput>(&heard)) return std::move(*out);
        tell(run, audioPath, std::get<std::string>(heard));
        return std::nullopt;
    }
#endif
    if (run.room == nullptr) {
        auto out =
            renderOutput(array, wave, gain, random, audioPath, ReplaceMode::nameItself, run.positions, run.distance);
        if (!out) tell(run, audioPath, noMemory);
        return out;
    }
#ifdef AURALITH_ROOM_RENDER
    // The array's sweep is the run's last use of its responses: its memory goes with it.
    RoomSweep sweep = std::move(run.heard->arrays[static_cast<std::size_t>(index)].sweep);
    // Between the middle two positions, as in the free field, where the reverberation has faded.
    const FadedFrames faded = fadedAfter(sweep, run.positions.count() / 2 - 1);
    split = loudnessSplitIn(wave.sampleRate, faded.from, faded.to);
    const RecordingSpectra* spectra = run.heard->spectra ? &*run.heard->spectra : nullptr;
    auto heard = renderInRoom(sweep, spectra, wave, gain, random, audioPath);
    if (auto* out = std::get_if<RenderedOutput>(&heard)) return std::move(*out);
    tell(run, audioPath, std::get<std::string>(heard));
#else
    (void)index, (void)split;
    tell(run, audioPath, "this build renders no rooms (it was built without FFTW3)");
#endif
    return std::nullopt;
}

int renderArray(Run& run, int index, const InputWave& wave, double gain, ArrayResult& result) {
    const std::string& name = result.array.name;
    const std::string audioPath = pathIn(run.folder, result.audioFile);
    run.progress.show(index, name, 0.0);
    std::int64_t split = 0;
    std::optional<RenderedOutput> out = renderedArray(run, index, result.array.model, wave, gain, audioPath, split);
    if (!out) return 1;
    result.clipped = out->clipped;
    tellClipped(run, audioPath, out->clipped);
    run.progress.show(index, name, 0.4);
    // A stage is one sound throughout: measured in one pass, as it is rendered.
    result.loudness = out->loudness ? out->loudness
                      : run.room != nullptr || run.stage != nullptr
                          ? loudnessInParts(out->samples(), wave.sampleRate, split)
                          : sweepLoudness(out->samples(), wave.sampleRate, wave.sampleCount);
    if (!result.loudness) return fail(run, audioPath, noMemory);
    result.envelope = out->envelope ? std::move(*out->envelope) : peakEnvelope(out->samples(), envelopePoints);
    if (run.listening != nullptr) {
        run.progress.show(index, name, 0.5);
        if (const int status = renderHeadphones(run, out->samples(), wave, result); status != 0) return status;
    }
    run.progress.show(index, name, 0.9);
    if (const WriteOutcome w = writeRenderedOutput(*out, audioPath, wave, true, ReplaceMode::nameItself); !w)
        return fail(run, audioPath, errorText(w.error));
    out.reset();
    const std::string labelPath = pathIn(run.folder, result.labelFile);
    const std::string labels =
        run.stage != nullptr ? stageLabelTrack(result, *run.results)
                             : labelTrack(result.analysis, wave.sampleRate, wave.sampleCount, run.base, run.starts);
    if (const WriteOutcome w = writeText(labelPath, labels); !w) return fail(run, labelPath, errorText(w.error));
    run.progress.show(index, name, 1.0);
    return 0;
}

// The reports' files, and with a room its own two.
std::vector<std::string> reportFiles(const CompareResults& results) {
    std::vector<std::string> files{results.stage ? "stage.csv" : "report.csv", "arrays.csv"};
    if (results.room) files.insert(files.end(), {"coherence.csv", "room.csv"});
    files.push_back("report.html");
    return files;
}

int writeReports(Run& run, const CompareResults& results) {
    const std::vector<std::string> files = reportFiles(results);
    for (const std::string& file : files) {
        const std::string path = pathIn(run.folder, file);
        const std::string text = file == "report.csv"      ? positionsCsv(results)
                                 : file == "stage.csv"     ? stageCsv(results)
                                 : file == "arrays.csv"    ? arraysCsv(results)
                                 : file == "coherence.csv" ? coherenceCsv(results)
                                 : file == "room.csv"      ? roomCsv(results)
                                                           : htmlReport(results);
        if (const WriteOutcome w = writeText(path, text); !w) return fail(run, path, errorText(w.error));
    }
    return 0;
}

// Every file the run is to write, as paths.
std::vector<std::string> outputPaths(const Run& run, const CompareResults& results) {
    std::vector<std::string> paths;
    for (const ArrayResult& r : results.arrays)
        for (const std::string& file : {r.audioFile, r.headphones.file, r.labelFile})
            if (!file.empty()) paths.push_back(pathIn(run.folder, file));
    for (const ArrayResult& r : results.arrays)
        for (const std::string& file : r.responseFiles) paths.push_back(pathIn(run.folder, file));
    for (const std::string& file : reportFiles(results)) paths.push_back(pathIn(run.folder, file));
    return paths;
}

// Each chosen array's numbers, its files' names and, with a head, the cues at the ears.
void analyseArrays(const Run& run, const CompareOptions& options, CompareResults& results) {
    for (const ChosenArray& array : options.arrays) {
        ArrayResult& result = results.arrays.emplace_back();
        result.array = array;
        result.analysis = analyseArray(array.model, results.rate, results.base, run.positions, run.distance);
        if (options.audio) {
            result.audioFile = audioFileName(run.stem, array.slug);
            result.labelFile = labelFileName(run.stem, array.slug);
            const int count = run.positions.count();
            if (options.responses && run.room != nullptr && results.stage)
                for (const StagePlayer& player : results.stage->players)
                    result.responseFiles.push_back(playerResponseName(run.stem, array.slug, player.name));
            for (int p = 0; p < count && options.responses && run.room != nullptr && !results.stage; ++p)
                result.responseFiles.push_back(responseFileName(run.stem, array.slug, p, count));
        }
        if (run.listening != nullptr) {
            result.headphones.file = headphonesFileName(run.stem, array.slug);
            for (const PositionAnalysis& p : result.analysis.positions)
                result.headphones.ears.push_back(earCuesOf(*run.listening, p.pickup));
        }
    }
}

#ifdef AURALITH_ROOM_RENDER
// The reverberation times the room's numbers take: T30 as measured, Eyring's where a band has none.
BandValues roomSeconds(const RoomResults& room) {
    BandValues seconds = room.eyring;
    for (int b = 0; b < bandCount; ++b)
        if (room.measured[b]) seconds[b] = *room.measured[b];
    return seconds;
}

// Each array heard in the run's room: its numbers, then the layout and the gain every render
// shares. 0, or the exit status of a failure (a source outside the room, memory).
int hearInRoom(Run& run, const CompareOptions& options, CompareResults& results) {
    RoomResults room = roomResultsOf(*run.room, options.room, 1);
    const BandValues seconds = roomSeconds(room);
    std::vector<AnyArray> arrays;
    for (const ArrayResult& result : results.arrays) arrays.push_back(result.array.model);
    // The responses of every array come first, all at once: the bar shows the run has begun.
    if (!results.arrays.empty()) run.progress.show(0, results.arrays.front().array.name, 0.0);
    auto hearing = hearInRoom(*run.room, arrays, results.rate, results.n, run.positions, seconds, run.listening);
    if (const auto* why = std::get_if<std::string>(&hearing)) return fail(run, options.input, *why);
    run.heard = std::make_shared<RoomHeard>(std::get<RoomHeard>(std::move(hearing)));
    for (std::size_t k = 0; k < results.arrays.size(); ++k) results.arrays[k].room = run.heard->arrays[k].numbers;
    room.gain = run.heard->gain;
    results.room = std::move(room);
    results.starts = run.heard->layout.starts;
    run.starts = results.starts;
    return 0;
}
#endif

// Every array's sweep (or stage) in the room, when the options ask for its responses.
std::vector<const RoomSweep*> responseSweeps(const Run& run, const CompareOptions& options) {
    std::vector<const RoomSweep*> sweeps;
#ifdef AURALITH_ROOM_RENDER
    if (options.responses && run.room != nullptr && run.stageHeard)
        for (const RoomSweep& stage : run.stageHeard->arrays) sweeps.push_back(&stage);
    else if (options.responses && run.heard)
        for (const HeardArray& array : run.heard->arrays) sweeps.push_back(&array.sweep);
#else
    (void)run, (void)options;
#endif
    return sweeps;
}

// Each player's level in a stage's mix; none for the sweep.
std::vector<double> playerLevels(const Run& run) {
#ifdef AURALITH_ROOM_RENDER
    if (run.stageHeard) return run.stageHeard->levels;
#endif
    (void)run;
    return {};
}

// The recordings no output may replace.
std::vector<std::string> inputsOf(const CompareOptions& options) {
    std::vector<std::string> inputs;
    for (const StageEntry& entry : options.stage) inputs.push_back(entry.file);
    if (inputs.empty()) inputs.push_back(options.input);
    return inputs;
}

// One guard gain for the mix of a stage (stageGuardGain), else the recording's; none, told, when a
// player's samples cannot be read again.
std::optional<double> guardGainOf(Run& run, const Recording& recording) {
    if (run.stage == nullptr) return measureGuardGain(recording.wave.samples);
#ifdef AURALITH_ROOM_RENDER
    if (run.stageHeard) {
        StageReading reading;
        if (const auto gain = stageGuardGain(stageTracks(*run.stage, reading), run.stageHeard->levels)) return gain;
        fail(run, reading.failed->path, reading.failed->why);
        return std::nullopt;
    }
#endif
    return 1.0;
}

// Every array's stage heard in the free field or the run's room, and how it hears each player;
// 0, or the exit status of a failure.
int hearTheStage(Run& run, const CompareOptions& options, CompareResults& results) {
#ifdef AURALITH_ROOM_RENDER
    std::vector<AnyArray> arrays;
    for (const ArrayResult& result : results.arrays) arrays.push_back(result.array.model);
    if (!results.arrays.empty()) run.progress.show(0, results.arrays.front().array.name, 0.0);
    const std::vector<StagePlayer>& players = results.stage->players;
    auto hearing = hearStage(players, run.room, run.distance, arrays, results.rate, results.n);
    if (const auto* why = std::get_if<std::string>(&hearing)) return fail(run, options.stage.front().entry, *why);
    run.stageHeard = std::make_shared<StageHeard>(std::get<StageHeard>(std::move(hearing)));
    std::optional<RoomResults> room;
    std::vector<ArrayRoomResult> numbers;
    if (run.room != nullptr) {
        room = roomResultsOf(*run.room, options.room, arrays.empty() ? 1 : run.stageHeard->arrays.front().gain);
        std::vector<const RoomSweep*> stages;
        for (const RoomSweep& stage : run.stageHeard->arrays) stages.push_back(&stage);
        numbers = roomNumbersOf(stages, arrays, *run.room, roomSeconds(*room));
        const auto centre = static_cast<int>(centrePlayer(players));
        for (std::size_t k = 0; run.listening != nullptr && k < numbers.size(); ++k)
            if (!hearEars(*stages[k], centre, *run.listening, numbers[k]))
                return fail(run, options.stage.front().entry, noMemory);
    }
    for (std::size_t k = 0; k < results.arrays.size(); ++k) {
        ArrayResult& result = results.arrays[k];
        if (room) result.room = std::move(numbers[k]);
        result.players =
            playersHeard(players, arrays[k], results.rate, results.base, result.room ? &*result.room : nullptr);
    }
    results.room = std::move(room);
    returnFreedMemory();
    return 0;
#else
    (void)results;
    return fail(run, options.stage.front().file, "this build renders no stages (it was built without FFTW3)");
#endif
}

// The renders and the reports into the folder; 0, or the exit status of a failure.
int writeOutputs(Run& run, const CompareOptions& options, Recording& recording, CompareResults& results) {
    const std::optional<double> guard = guardGainOf(run, recording);
    if (!guard) return 1;
    const double gain = *guard;
    if (const auto refused = writeResponseFiles(
            {run.folder, inputsOf(options), responseSweeps(run, options), &run.progress, playerLevels(run)},
            results.arrays, recording.wave.sampleRate, gain))
        return fail(run, refused->path, refused->why);
#ifdef AURALITH_ROOM_RENDER
    // A render that cannot have them makes its own, and says so if it cannot either.
    if (run.heard && options.audio) transformRecording(*run.heard, recording.wave.samples);
#endif
    for (std::size_t k = 0; k < results.arrays.size() && options.audio; ++k)
        if (const int status = renderArray(run, static_cast<int>(k), recording.wave, gain, results.arrays[k]);
            status != 0)
            return status;
    recording.wave.samples = {};
    return writeReports(run, results);
}

// Into the folder, locked for the run: every name tried first, then the renders and the reports.
// 0, or the exit status of a failure, after which a folder the run made and left empty is removed.
int writeIntoFolder(Run& run, const CompareOptions& options, Recording& recording, CompareResults& results) {
    const OutputFolder folder = makeOutputFolder(run.folder);
    if (!folder.error.empty()) return fail(run, run.folder, folder.error);
    int status = 0;
    // A name the file system cannot take is found now, not after an hour of renders.
    for (const std::string& path : outputPaths(run, results))
        if (const int refused = nameRefusal(path); refused != 0) {
            status = fail(run, path, errorText(refused));
            break;
        }
    if (status == 0) status = writeOutputs(run, options, recording, results);
    if (status != 0) removeEmptyMadeFolders(folder);
    return status;
}

// The recording as the options take it (its channel, its excerpt); empty once a refusal is told.
std::optional<Recording> recordingOf(Run& run, const CompareOptions& options) {
    auto read = readRecording({options.input, options.channel, options.audio});
    std::string refused = std::holds_alternative<std::string>(read) ? std::get<std::string>(read) : std::string();
    if (refused.empty() && options.excerpt) refused = cutToExcerpt(std::get<Recording>(read), *options.excerpt);
    if (refused.empty() && options.audio) refused = rendersTooLong(std::get<Recording>(read), options.positions);
    if (!refused.empty()) {
        fail(run, options.input, refused);
        return std::nullopt;
    }
    Recording& recording = std::get<Recording>(read);
    if (recording.notNumbers > 0)
        tell(run, options.input,
             std::to_string(recording.notNumbers) +
                 " of its samples are not numbers (NaN): they are rendered as silence");
    return std::move(recording);
}

// With -H, the head, read and checked before anything is written; 0, or the status of a refusal.
int prepareHead(Run& run, const CompareOptions& options, CompareResults& results, ListeningHandle& listening) {
    if (!options.headphones) return 0;
    auto prepared =
        prepareListening({sofaFileOf(options), options.equalise, stereoLayout(results.base.halfAngle)}, results.rate);
    if (const auto* refused = std::get_if<ListeningRefusal>(&prepared)) return fail(run, refused->name, refused->why);
    listening = std::move(std::get<ListeningHandle>(prepared));
    run.listening = listening.get();
    results.head = headDescription(*listening);
    return 0;
}

// The stage's recordings; empty once a refusal is told.
std::optional<StageRecordings> stageRecordingsOf(Run& run, const CompareOptions& options) {
    auto read = readStage(options);
    if (const auto* refused = std::get_if<FileRefusal>(&read)) {
        fail(run, refused->path, refused->why);
        return std::nullopt;
    }
    return std::get<StageRecordings>(std::move(read));
}

// A stage heard, or the sweep heard in the run's room; 0, or the exit status of a failure.
int hear(Run& run, const CompareOptions& options, CompareResults& results) {
    if (results.stage) return hearTheStage(run, options, results);
#ifdef AURALITH_ROOM_RENDER
    if (run.room != nullptr) return hearInRoom(run, options, results);
#endif
    return 0;
}

}  // namespace

std::string failureLine(std::string_view name, std::string_view text) {
    const std::size_t end = text.find_last_not_of(' ');
    return "auralith-compare: " + shownOnTerminal(name) + ": " +
           std::string(text.substr(0, end == std::string_view::npos ? 0 : end + 1)) + "\n";
}

int runCompare(const CompareOptions& options, const CompareStreams& streams, const std::optional<RoomRun>& room) {
    const bool staged = !options.stage.empty();
    const std::string stem = staged ? std::string("stage") : stemOf(options.input);
    Run run{streams,
            ProgressBar(streams.err, streams.progress && !options.quiet && options.audio,
                        static_cast<int>(options.arrays.size())),
            options.outputDir.empty() ? stem + "-arrays" : options.outputDir,
            stem,
            nullptr,
            base30,
            options.positions,
            options.distance,
            nullptr,
            {},
            {}};
#ifdef AURALITH_ROOM_RENDER
    const std::optional<RoomRun> asked = options.room ? std::optional<RoomRun>(roomRunOf(*options.room)) : std::nullopt;
    const std::optional<RoomRun>& inRoom = room ? room : asked;
    if (inRoom) {
        run.room = &*inRoom;
        run.distance = inRoom->distance;
    }
#else
    if (room || options.room)
        return fail(run, options.input, "this build renders no rooms (it was built without FFTW3)");
#endif
    std::optional<StageRecordings> stage = staged ? stageRecordingsOf(run, options) : std::nullopt;
    std::optional<Recording> read = staged ? std::nullopt : recordingOf(run, options);
    if (!stage && !read) return 1;
    run.stage = stage ? &*stage : nullptr;
    Recording& recording = stage ? stage->recordings.front() : *read;
    CompareResults results{staged ? options.stage.front().file : options.input,
                           staged ? std::string() : recording.description,
                           recording.wave.sampleRate,
                           recording.wave.sampleCount,
                           {},
                           options.speakers == 45 ? base45 : base30,
                           {}};
    if (stage) results.stage = StageResults{stagePlayers(options, *stage), stage->conversions, results.rate};
    run.base = results.base;
    run.results = &results;
    results.distance = run.distance;
    ListeningHandle listening;
    if (const int status = prepareHead(run, options, results, listening); status != 0) return status;
    analyseArrays(run, options, results);
    if (const int status = hear(run, options, results); status != 0) return status;
    if (const std::string note = delayRoundingNote(results); !note.empty()) tell(run, results.input, note);
    // Before anything is written: no output may take an input's place.
    for (const std::string& input : inputsOf(options))
        if (const auto over = outputOverInput(input, outputPaths(run, results)))
            return fail(run, *over, "this output would replace the input file; choose another folder with -o");
    if (const int status = writeIntoFolder(run, options, recording, results); status != 0) return status;
    run.progress.clear();
    return options.quiet ? 0 : putOut(streams, summaryTable(results, run.folder));
}

int putOut(const CompareStreams& streams, const std::string& text) {
    errno = 0;
    if (std::fputs(text.c_str(), streams.out) >= 0 && std::fflush(streams.out) == 0) return 0;
    std::fprintf(streams.err, "auralith-compare: standard output: %s\n", errorText(errno != 0 ? errno : EIO).c_str());
    return 1;
}

int compareMain(const std::vector<std::string>& args, const CompareStreams& streams) {
    const ParsedOptions parsed = parseCompareOptions(args);
    switch (parsed.action) {
        case ParsedOptions::Action::help: return putOut(streams, compareUsage());
        case ParsedOptions::Action::version: return putOut(streams, "auralith-compare " AURALITH_VERSION "\n");
        case ParsedOptions::Action::usageError:
            std::fprintf(streams.err, "auralith-compare: %s (see auralith-compare --help)\n", parsed.error.c_str());
            return 2;
        case ParsedOptions::Action::run: break;
    }
    return parsed.options.design ? runDesign(parsed.options, streams) : runCompare(parsed.options, streams);
}

}  // namespace auralith
