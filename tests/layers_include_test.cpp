// The layers of the program and which may use which: every include in sim/, wave/, binaural/,
// catalogue/, report/, job/ and bench/ is checked against the rules below, so that a layer that
// reaches into a layer above it, or into a
// folder beside it that it must not use, fails the test suite. (The build already refuses an
// include of a layer the target does not link; these rules are finer.)
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "support/test_support.h"

namespace auralith {
namespace {

struct Layer {
    std::string_view folder;                      // the source folder, relative to the root
    std::vector<std::string_view> mayInclude;     // the only project headers it may include (prefixes)
    std::vector<std::string_view> systemRefused;  // system headers it must not include (prefixes)
};

// Headers that touch a terminal, a console, a file or a signal.
const std::vector<std::string_view> platformHeaders{"csignal", "unistd.h", "fcntl.h", "termios.h", "poll.h",
                                                    "pty.h",   "signal.h", "sys/",    "windows.h"};
// The same, and the standard library's streams and files: the audio core does no I/O at all.
const std::vector<std::string_view> ioHeaders{"cstdio",   "iostream", "fstream",   "filesystem", "csignal",
                                              "unistd.h", "fcntl.h",  "termios.h", "poll.h",     "pty.h",
                                              "signal.h", "sys/",     "windows.h"};

// auralith-compare's reports: texts built from what a run found, on the audio core's numbers and
// the arrays as the catalogue names them; no file, no platform.
const std::vector<std::string_view> reportIncludes{"report/",         "sim/model/",
                                                   "sim/scene/",      "sim/free/",
                                                   "sim/plan/",       "sim/analysis/",
                                                   "catalogue/",      "sim/headphones/ear_cues.h",
                                                   "sim/room/room.h", "sim/room/room_numbers.h"};

// A part of the page (the listening panel, the curves): the reports' own layer without the page
// that holds it, so that the page includes its parts and no part the page.
std::vector<std::string_view> pageParts(std::string_view own) {
    std::vector<std::string_view> parts{own,
                                        "report/results.h",
                                        "report/columns.h",
                                        "report/numbers.h",
                                        "report/shown_text.h",
                                        "report/text_reports.h",
                                        "report/html/"};
    parts.insert(parts.end(), reportIncludes.begin() + 1, reportIncludes.end());  // all but report/ itself
    return parts;
}

// The most specific folder of a file decides. The audio core: the model, the arrays described by
// their microphones on top of it, the two kinds of renderer and the analysis that rest on them
// (the program's renderers on the model alone: they take placements, whoever works them out),
// and the entry above them, the headphone processing on the analysis; no I/O in any. The catalogue of arrays on the
// model, the described arrays, the scene and the room's measures, without I/O either. auralith-compare's own layer uses
// the audio core and the WAVE files but no console. The WAVE files: the format above the platform's file access. The
// console: the portable part, the two platforms beside each other on top of it, the driver above, and main joining
// them. The headphone render's assembly joins the headphone processing and the WAVE files, below any program; the
// benchmarks measure the layers below the programs, never a program's own code.
const std::vector<Layer> layers{
    {"sim/model/", {"sim/model/"}, ioHeaders},
    {"sim/scene/", {"sim/model/", "sim/scene/"}, ioHeaders},
    {"sim/free/", {"sim/model/", "sim/scene/", "sim/free/"}, ioHeaders},
    {"sim/plan/", {"sim/model/", "sim/scene/", "sim/free/", "sim/plan/"}, ioHeaders},
    {"sim/reference/", {"sim/model/", "sim/scene/", "sim/free/", "sim/plan/", "sim/reference/"}, ioHeaders},
    {"sim/fast/", {"sim/model/", "sim/fast/"}, ioHeaders},
    {"sim/analysis/", {"sim/model/", "sim/scene/", "sim/free/", "sim/plan/", "sim/analysis/"}, ioHeaders},
    {"sim/room/", {"sim/model/", "sim/scene/", "sim/fast/parallel.h", "sim/room/"}, ioHeaders},
    {"sim/room_render/",
     {"sim/model/", "sim/scene/", "sim/free/", "sim/plan/", "sim/room/", "sim/fast/parallel.h",
      "sim/fast/dither_batch.h", "sim/fast/fast_dither.h", "sim/fast/vector_width.h", "sim/fast/render_options.h",
      "sim/room_render/"},
     ioHeaders},
    {"sim/stage/",
     {"sim/model/", "sim/scene/", "sim/free/", "sim/plan/", "sim/room/", "sim/room_render/", "sim/fast/parallel.h",
      "sim/fast/dither_batch.h", "sim/fast/fast_dither.h", "sim/stage/"},
     ioHeaders},
    {"sim/headphones/",
     {"sim/model/", "sim/scene/", "sim/fast/parallel.h", "sim/plan/", "sim/analysis/", "sim/headphones/"},
     ioHeaders},
    {"sim/", {"sim/"}, ioHeaders},
    {"wave/files/", {"wave/files/"}, {}},
    {"wave/recording/", {"wave/"}, {}},
    {"wave/sofa/", {"wave/files/", "wave/sofa/"}, {}},
    {"wave/", {"wave/"}, {}},
    {"binaural/",
     {"binaural/", "sim/headphones/", "sim/plan/", "sim/analysis/", "sim/model/", "sim/scene/", "wave/"},
     {"windows.h", "termios.h", "poll.h", "pty.h"}},
    {"catalogue/", {"sim/model/", "sim/free/", "sim/scene/", "sim/room/room.h", "catalogue/"}, ioHeaders},
    {"job/console/", {"job/console/"}, platformHeaders},
    {"job/posix/", {"job/console/", "job/posix/"}, {"windows.h"}},
    {"job/windows/", {"job/console/", "job/windows/"}, {"unistd.h", "termios.h", "poll.h", "sys/"}},
    // A render carries its envelope where it measured it as it was written (a stage's).
    {"job/output/", {"job/output/", "sim/render.h", "sim/model/", "sim/analysis/envelope.h", "wave/"}, platformHeaders},
    {"job/driver/",
     {"job/console/", "job/driver/", "job/output/", "catalogue/", "sim/render.h", "sim/model/", "wave/"},
     platformHeaders},
    {"report/", reportIncludes, ioHeaders},
    {"report/html/", {"report/html/"}, ioHeaders},
    {"report/listening/", pageParts("report/listening/"), ioHeaders},
    {"report/curves_plot", pageParts("report/curves_plot"), ioHeaders},
    {"report/room_plan", pageParts("report/room_plan"), ioHeaders},
    {"job/compare/",
     {"job/compare/", "job/output/", "catalogue/", "report/", "binaural/", "sim/render.h", "sim/model/", "sim/scene/",
      "sim/free/", "sim/plan/", "sim/analysis/", "sim/headphones/", "sim/room/", "sim/room_render/", "sim/stage/",
      "sim/fast/parallel.h", "wave/"},
     {"windows.h", "termios.h", "poll.h", "pty.h", "sys/"}},
    {"job/", {"job/", "sim/render.h", "sim/model/"}, {}},
    {"bench/", {"sim/", "wave/", "binaural/", "catalogue/", "report/"}, {}},
};

const Layer* layerOf(std::string_view file) {
    const Layer* best = nullptr;
    for (const Layer& layer : layers)
        if (file.starts_with(layer.folder) && (best == nullptr || layer.folder.size() > best->folder.size()))
            best = &layer;
    return best;
}

bool startsWithAny(std::string_view text, const std::vector<std::string_view>& prefixes) {
    return std::any_of(prefixes.begin(), prefixes.end(), [&](std::string_view p) { return text.starts_with(p); });
}

// "file:line: includes <what>" for every include of `file` (relative to `root`) that its layer refuses.
void checkFile(const std::filesystem::path& root, const std::string& file, std::vector<std::string>& faults) {
    const Layer* layer = layerOf(file);
    if (layer == nullptr) return;
    std::ifstream in(root / file);
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        const std::size_t start = line.find_first_not_of(" \t");
        if (start == std::string::npos || line.compare(start, 8, "#include") != 0) continue;
        const std::size_t open = line.find_first_of("\"<", start + 8);
        const std::size_t close = open == std::string::npos ? open : line.find_first_of("\">", open + 1);
        if (close == std::string::npos) continue;
        const std::string header = line.substr(open + 1, close - open - 1);
        const bool refused =
            line[open] == '"' ? !startsWithAny(header, layer->mayInclude) : startsWithAny(header, layer->systemRefused);
        if (refused)
            faults.push_back(file + ":" + std::to_string(number) + ": includes " + line.substr(open, close - open + 1));
    }
}

std::vector<std::string> layeringFaults(const std::filesystem::path& root) {
    std::vector<std::string> faults;
    for (const char* top : {"sim", "wave", "binaural", "catalogue", "report", "job", "bench"}) {
        if (!std::filesystem::exists(root / top)) continue;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(root / top)) {
            const auto extension = entry.path().extension();
            if (!entry.is_regular_file() || (extension != ".h" && extension != ".cpp")) continue;
            checkFile(root, std::filesystem::relative(entry.path(), root).generic_string(), faults);
        }
    }
    std::sort(faults.begin(), faults.end());
    return faults;
}

TEST(Layers, EveryIncludeKeepsToItsLayer) {
    const std::vector<std::string> faults = layeringFaults(AURALITH_SOURCE_DIR);
    EXPECT_TRUE(faults.empty()) << ::testing::PrintToString(faults);
}

TEST(Layers, TheSourcesAreWhereTheRulesLook) {
    // A moved folder would pass the check above by having nothing to check.
    for (const char* folder :
         {"sim/model",  "sim/scene",   "sim/free",  "sim/plan",    "sim/reference",    "sim/fast",    "sim/analysis",
          "wave/files", "binaural",    "catalogue", "job/console", "job/posix",        "job/windows", "job/output",
          "job/driver", "job/compare", "report",    "report/html", "report/listening", "bench"})
        EXPECT_TRUE(std::filesystem::is_directory(std::filesystem::path(AURALITH_SOURCE_DIR) / folder)) << folder;
}

void writeSource(const testing::ScratchDir& dir, const std::string& file, const std::string& text) {
    std::filesystem::create_directories((dir.path() / file).parent_path());
    std::ofstream(dir.path() / file) << text;
}

TEST(Layers, WrongIncludesAreFound) {
    testing::ScratchDir dir;
    writeSource(dir, "sim/model/a.h",
                "#include <cstdint>\n#include \"sim/model/b.h\"\n#include \"wave/input_wave.h\"\n");
    writeSource(dir, "sim/fast/b.cpp",
                "#include \"sim/reference/reference_renderers.h\"\n#include \"sim/free/mic_layout.h\"\n");
    writeSource(dir, "sim/free/c.h", "#include \"sim/model/arrays.h\"\n#include \"sim/plan/pickup.h\"\n");
    writeSource(dir, "sim/render.cpp", "  #include <cstdio>\n");
    writeSource(dir, "wave/output_wave.cpp", "#include \"sim/render.h\"\n#include \"wave/files/file_access.h\"\n");
    writeSource(dir, "job/console/screen.cpp", "#include <termios.h>\n#include \"job/console/screen.h\"\n");
    writeSource(dir, "job/posix/backend.cpp", "#include \"job/windows/backend.h\"\n#include <termios.h>\n");
    writeSource(dir, "job/driver/job.cpp", "#include \"sim/fast/renderers.h\"\n#include \"sim/render.h\"\n");
    writeSource(dir, "job/main.cpp", "#include \"job/driver/job.h\"\n#include \"wave/input_wave.h\"\n");
    writeSource(dir, "sim/analysis/a.cpp", "#include \"sim/fast/renderers.h\"\n#include \"sim/model/arrays.h\"\n");
    writeSource(dir, "job/compare/run.cpp", "#include \"job/console/console.h\"\n#include \"sim/analysis/a.h\"\n");
    writeSource(dir, "catalogue/list.cpp",
                "#include \"sim/free/mic_layout.h\"\n#include <fstream>\n#include \"job/compare/numbers.h\"\n");
    writeSource(dir, "report/listening/panel.cpp",
                "#include \"report/html_report.h\"\n#include \"report/html/html_text.h\"\n");
    writeSource(
        dir, "report/table.cpp",
        "#include <fstream>\n#include \"sim/headphones/binaural_render.h\"\n#include \"sim/headphones/ear_cues.h\"\n");
    writeSource(dir, "binaural/l.cpp", "#include \"job/compare/options.h\"\n#include <termios.h>\n");
    writeSource(dir, "bench/b.cpp", "#include \"binaural/listening.h\"\n#include \"job/compare/run.h\"\n");
    EXPECT_EQ(layeringFaults(dir.path()), (std::vector<std::string>{
                                              "bench/b.cpp:2: includes \"job/compare/run.h\"",
                                              "binaural/l.cpp:1: includes \"job/compare/options.h\"",
                                              "binaural/l.cpp:2: includes <termios.h>",
                                              "catalogue/list.cpp:2: includes <fstream>",
                                              "catalogue/list.cpp:3: includes \"job/compare/numbers.h\"",
                                              "job/compare/run.cpp:1: includes \"job/console/console.h\"",
                                              "job/console/screen.cpp:1: includes <termios.h>",
                                              "job/driver/job.cpp:1: includes \"sim/fast/renderers.h\"",
                                              "job/main.cpp:2: includes \"wave/input_wave.h\"",
                                              "job/posix/backend.cpp:1: includes \"job/windows/backend.h\"",
                                              "report/listening/panel.cpp:1: includes \"report/html_report.h\"",
                                              "report/table.cpp:1: includes <fstream>",
                                              "report/table.cpp:2: includes \"sim/headphones/binaural_render.h\"",
                                              "sim/analysis/a.cpp:1: includes \"sim/fast/renderers.h\"",
                                              "sim/fast/b.cpp:1: includes \"sim/reference/reference_renderers.h\"",
                                              "sim/fast/b.cpp:2: includes \"sim/free/mic_layout.h\"",
                                              "sim/free/c.h:2: includes \"sim/plan/pickup.h\"",
                                              "sim/model/a.h:3: includes \"wave/input_wave.h\"",
                                              "sim/render.cpp:1: includes <cstdio>",
                                              "wave/output_wave.cpp:1: includes \"sim/render.h\"",
                                          }));
}

}  // namespace
}  // namespace auralith
