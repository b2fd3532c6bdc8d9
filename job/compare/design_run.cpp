// auralith-compare --design: no recording, only the search and its three reports.
#include <cstdio>

#include "job/compare/design_report.h"
#include "job/compare/file_names.h"
#include "job/compare/output_folder.h"
#include "job/compare/run.h"

namespace auralith {

int runDesign(const CompareOptions& options, const CompareStreams& streams) {
    const LoudspeakerBase base = options.speakers == 45 ? base45 : base30;
    const DesignResults design{*options.design, *options.pattern,
                               spacingsFor(*options.design / 1000.0, options.pattern->thousandths / 1000.0, base),
                               base};
    const std::string folder = options.outputDir.empty() ? "design-" + decimalText(*options.design) : options.outputDir;
    const OutputFolder made = makeOutputFolder(folder);
    if (!made.error.empty()) {
        std::fputs(failureLine(folder, made.error).c_str(), streams.err);
        return 1;
    }
    for (const auto& [file, text] : {std::pair{"design.csv", designCsv(design)}, {"design.html", designHtml(design)}}) {
        const std::string path = pathIn(folder, file);
        if (const WriteOutcome w = writeText(path, text); !w) {
            std::fputs(failureLine(path, errorText(w.error)).c_str(), streams.err);
            removeEmptyMadeFolders(made);
            return 1;
        }
    }
    return options.quiet ? 0 : putOut(streams, designTable(design, folder));
}

}  // namespace auralith
