#include "job/compare/run.h"

#include <cerrno>
#include <iterator>
#include <optional>
#include <variant>

#include "job/compare/file_names.h"
#include "job/compare/html_report.h"
#include "job/compare/output_folder.h"
#include "job/compare/progress.h"
#include "job/compare/shown_text.h"
#include "job/compare/text_reports.h"
#include "job/output/rendered_output.h"
#include "sim/analysis/loudness.h"
#include "wave/files/file_access.h"
#include "wave/recording/recording.h"

#ifndef AURALITH_VERSION
#define AURALITH_VERSION "unknown"
#endif

namespace auralith {

namespace {

constexpr std::string_view noMemory = "there is not enough memory for this recording";

// One run's fixed parts: where the files go and how the run reports.
struct Run {
    const CompareStreams& io;
    ProgressBar progress;
    std::string folder;
    std::string stem;
};

int fail(Run& run, std::string_view name, std::string_view text) {
    run.progress.clear();
    std::fputs(failureLine(name, text).c_str(), run.io.err);
    return 1;
}

// Every file goes into the output folder under a name this program made: the entry itself gets
// the new file, so that a symbolic link there never leads a write outside the folder.
WriteOutcome writeText(const std::string& path, const std::string& text) {
    return replaceFileContents(path, nullptr, 0, text.data(), text.size(), ReplaceMode::nameItself);
}

// The array's audio, its loudness (measured from the samples before they are put under their
// name) and its labels; 0, or the exit status of a failure.
int renderArray(Run& run, int index, const InputWave& wave, double gain, ArrayResult& result) {
    const MicArray array = result.analysis.array;
    const std::string audioPath = pathIn(run.folder, result.audioFile);
    run.progress.show(index, array, 0.0);
    RandomState random;  // each array's generator starts where the interactive program's does
    std::optional<RenderedOutput> out = renderOutput(array, wave, gain, random, audioPath, ReplaceMode::nameItself);
    if (!out) return fail(run, audioPath, noMemory);
    run.progress.show(index, array, 0.4);
    result.loudness = sweepLoudness(out->samples(), wave.sampleRate, wave.sampleCount);
    if (!result.loudness) return fail(run, audioPath, noMemory);
    run.progress.show(index, array, 0.9);
    if (const WriteOutcome w = writeRenderedOutput(*out, audioPath, wave, true, ReplaceMode::nameItself); !w)
        return fail(run, audioPath, errorText(w.error));
    out.reset();
    const std::string labelPath = pathIn(run.folder, result.labelFile);
    if (const WriteOutcome w = writeText(labelPath, labelTrack(result.analysis, wave.sampleRate, wave.sampleCount)); !w)
        return fail(run, labelPath, errorText(w.error));
    run.progress.show(index, array, 1.0);
    return 0;
}

constexpr const char* reportFiles[] = {"report.csv", "arrays.csv", "report.html"};

int writeReports(Run& run, const CompareResults& results) {
    const std::string texts[] = {positionsCsv(results), arraysCsv(results), htmlReport(results)};
    for (std::size_t k = 0; k < std::size(reportFiles); ++k) {
        const std::string path = pathIn(run.folder, reportFiles[k]);
        if (const WriteOutcome w = writeText(path, texts[k]); !w) return fail(run, path, errorText(w.error));
    }
    return 0;
}

// Every file the run is to write, as paths.
std::vector<std::string> outputPaths(const Run& run, const CompareResults& results) {
    std::vector<std::string> paths;
    for (const ArrayResult& r : results.arrays)
        for (const std::string& file : {r.audioFile, r.labelFile})
            if (!file.empty()) paths.push_back(pathIn(run.folder, file));
    for (const char* file : reportFiles) paths.push_back(pathIn(run.folder, file));
    return paths;
}

// The renders and the reports into the folder; 0, or the exit status of a failure.
int writeOutputs(Run& run, const CompareOptions& options, Recording& recording, CompareResults& results) {
    const double gain = measureGuardGain(recording.wave.samples);
    for (std::size_t k = 0; k < results.arrays.size() && options.audio; ++k)
        if (const int status = renderArray(run, static_cast<int>(k), recording.wave, gain, results.arrays[k]);
            status != 0)
            return status;
    recording.wave.samples = {};
    return writeReports(run, results);
}

}  // namespace

std::string failureLine(std::string_view name, std::string_view text) {
    const std::size_t end = text.find_last_not_of(' ');
    return "auralith-compare: " + shownOnTerminal(name) + ": " +
           std::string(text.substr(0, end == std::string_view::npos ? 0 : end + 1)) + "\n";
}

int runCompare(const CompareOptions& options, const CompareStreams& streams) {
    Run run{streams,
            ProgressBar(streams.err, streams.progress && !options.quiet && options.audio,
                        static_cast<int>(options.arrays.size())),
            options.outputDir.empty() ? stemOf(options.input) + "-arrays" : options.outputDir, stemOf(options.input)};
    auto read = readRecording({options.input, options.channel, options.audio});
    if (const auto* why = std::get_if<std::string>(&read)) return fail(run, options.input, *why);
    Recording recording = std::move(std::get<Recording>(read));

    CompareResults results{
        options.input, recording.description, recording.wave.sampleRate, recording.wave.sampleCount, {}};
    for (const MicArray array : options.arrays) {
        ArrayResult& result = results.arrays.emplace_back();
        result.analysis = analyseArray(array, recording.wave.sampleRate);
        if (options.audio) {
            result.audioFile = audioFileName(run.stem, array);
            result.labelFile = labelFileName(run.stem, array);
        }
    }
    // Before anything is written: no output may take the input's place.
    if (const auto over = outputOverInput(options.input, outputPaths(run, results)))
        return fail(run, *over, "this output would replace the input file; choose another folder with -o");

    const OutputFolder folder = makeOutputFolder(run.folder);
    if (!folder.error.empty()) return fail(run, run.folder, folder.error);
    if (const int status = writeOutputs(run, options, recording, results); status != 0) {
        removeEmptyMadeFolders(folder);
        return status;
    }
    run.progress.clear();
    if (!options.quiet) std::fputs(summaryTable(results, run.folder).c_str(), streams.out);
    return 0;
}

// Standard output that could not take everything (a full disk, a closed pipe) fails the run, as
// the GNU tools do, rather than leave the user with less than was said.
int finishOutput(int status, const CompareStreams& streams) {
    errno = 0;
    if (std::fflush(streams.out) == 0 && std::ferror(streams.out) == 0) return status;
    std::fprintf(streams.err, "auralith-compare: standard output: %s\n", errorText(errno != 0 ? errno : EIO).c_str());
    return 1;
}

int compareMain(const std::vector<std::string>& args, const CompareStreams& streams) {
    const ParsedOptions parsed = parseCompareOptions(args);
    switch (parsed.action) {
        case ParsedOptions::Action::help:
            std::fputs(std::string(compareUsage()).c_str(), streams.out);
            return finishOutput(0, streams);
        case ParsedOptions::Action::version:
            std::fputs("auralith-compare " AURALITH_VERSION "\n", streams.out);
            return finishOutput(0, streams);
        case ParsedOptions::Action::usageError:
            std::fprintf(streams.err, "auralith-compare: %s (see auralith-compare --help)\n", parsed.error.c_str());
            return 2;
        case ParsedOptions::Action::run: break;
    }
    return finishOutput(runCompare(parsed.options, streams), streams);
}

}  // namespace auralith
