#include "job/compare/run.h"

#include <filesystem>
#include <optional>
#include <system_error>
#include <variant>

#include "job/compare/file_names.h"
#include "job/compare/html_report.h"
#include "job/compare/progress.h"
#include "job/compare/text_reports.h"
#include "job/output/rendered_output.h"
#include "sim/analysis/loudness.h"
#include "wave/files/file_access.h"
#include "wave/input_wave.h"

#ifndef AURALITH_VERSION
#define AURALITH_VERSION "unknown"
#endif

namespace auralith {

bool writeText(const std::string& path, const std::string& text) {
    return replaceFileContents(path, nullptr, 0, text.data(), text.size());
}

bool makeFolder(const std::string& folder) {
    // The name is UTF-8 on every platform, as the file access takes it.
    const std::filesystem::path path(std::u8string(folder.begin(), folder.end()));
    std::error_code error;
    std::filesystem::create_directories(path, error);
    return std::filesystem::is_directory(path, error);
}

namespace {

constexpr std::string_view noMemory = "there is not enough memory for this recording";
constexpr std::string_view notWritten = "the file could not be written";

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

// The array's audio, its loudness (measured from the samples before they are put under their
// name) and its labels; 0, or the exit status of a failure.
int renderArray(Run& run, int index, const InputWave& wave, double gain, ArrayResult& result) {
    const std::string& name = result.array.name;
    result.audioFile = audioFileName(run.stem, result.array.slug);
    result.labelFile = labelFileName(run.stem, result.array.slug);
    const std::string audioPath = pathIn(run.folder, result.audioFile);
    run.progress.show(index, name, 0.0);
    RandomState random;  // each array's generator starts where the interactive program's does
    std::optional<RenderedOutput> out = renderOutput(result.array.model, wave, gain, random, audioPath);
    if (!out) return fail(run, audioPath, noMemory);
    run.progress.show(index, name, 0.4);
    result.loudness = sweepLoudness(out->samples(), wave.sampleRate, wave.sampleCount);
    if (!result.loudness) return fail(run, audioPath, noMemory);
    run.progress.show(index, name, 0.9);
    if (!writeRenderedOutput(*out, audioPath, wave, true)) return fail(run, audioPath, notWritten);
    out.reset();
    const std::string labelPath = pathIn(run.folder, result.labelFile);
    if (!writeText(labelPath, labelTrack(result.analysis, wave.sampleRate, wave.sampleCount)))
        return fail(run, labelPath, notWritten);
    run.progress.show(index, name, 1.0);
    return 0;
}

int writeReports(Run& run, const CompareResults& results) {
    const std::pair<const char*, std::string> reports[] = {
        {"report.csv", positionsCsv(results)},
        {"arrays.csv", arraysCsv(results)},
        {"report.html", htmlReport(results)},
    };
    for (const auto& [file, text] : reports)
        if (const std::string path = pathIn(run.folder, file); !writeText(path, text))
            return fail(run, path, notWritten);
    return 0;
}

}  // namespace

std::string failureLine(std::string_view name, std::string_view text) {
    const std::size_t end = text.find_last_not_of(' ');
    return "auralith-compare: " + std::string(name) + ": " +
           std::string(text.substr(0, end == std::string_view::npos ? 0 : end + 1)) + "\n";
}

int runCompare(const CompareOptions& options, const CompareStreams& streams) {
    Run run{streams,
            ProgressBar(streams.err, streams.progress && !options.quiet && options.audio,
                        static_cast<int>(options.arrays.size())),
            {},
            stemOf(options.input)};
    auto header = readInputHeader(options.input);
    if (const auto* refusal = std::get_if<InputRefusal>(&header))
        return fail(run, options.input, refusalText(*refusal));
    InputWave wave = std::move(std::get<InputWave>(header));
    if (options.audio && !loadInputSamples(wave)) return fail(run, options.input, noMemory);
    const double gain = measureGuardGain(wave.samples);

    run.folder = options.outputDir.empty() ? run.stem + "-arrays" : options.outputDir;
    if (!makeFolder(run.folder)) return fail(run, run.folder, "the folder could not be created");

    CompareResults results{options.input, wave.sampleRate, wave.sampleCount, {}};
    for (const ChosenArray& array : options.arrays) {
        ArrayResult& result = results.arrays.emplace_back();
        result.array = array;
        result.analysis = analyseArray(array.model, wave.sampleRate);
        const int index = static_cast<int>(results.arrays.size()) - 1;
        if (options.audio)
            if (const int status = renderArray(run, index, wave, gain, result); status != 0) return status;
    }
    wave.samples = {};
    if (const int status = writeReports(run, results); status != 0) return status;
    run.progress.clear();
    if (!options.quiet) std::fputs(summaryTable(results, run.folder).c_str(), streams.out);
    return 0;
}

int compareMain(const std::vector<std::string>& args, const CompareStreams& streams) {
    const ParsedOptions parsed = parseCompareOptions(args);
    switch (parsed.action) {
        case ParsedOptions::Action::help: std::fputs(compareUsage().c_str(), streams.out); return 0;
        case ParsedOptions::Action::version:
            std::fputs("auralith-compare " AURALITH_VERSION "\n", streams.out);
            return 0;
        case ParsedOptions::Action::usageError:
            std::fprintf(streams.err, "auralith-compare: %s (see auralith-compare --help)\n", parsed.error.c_str());
            return 2;
        case ParsedOptions::Action::run: break;
    }
    return parsed.options.design ? runDesign(parsed.options, streams) : runCompare(parsed.options, streams);
}

}  // namespace auralith
