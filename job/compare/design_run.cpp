// auralith-compare --design: no recording, only the search and its three reports.
#include <cstdio>

#include "job/compare/design_report.h"
#include "job/compare/file_names.h"
#include "job/compare/run.h"

namespace auralith {

int runDesign(const CompareOptions& options, const CompareStreams& streams) {
    const DesignResults design{*options.design, *options.pattern,
                               spacingsFor(*options.design / 1000.0, options.pattern->thousandths / 1000.0)};
    const std::string folder = options.outputDir.empty() ? "design-" + decimalText(*options.design) : options.outputDir;
    if (!makeFolder(folder)) {
        std::fputs(failureLine(folder, "the folder could not be created").c_str(), streams.err);
        return 1;
    }
    for (const auto& [file, text] : {std::pair{"design.csv", designCsv(design)}, {"design.html", designHtml(design)}}) {
        if (const std::string path = pathIn(folder, file); !writeText(path, text)) {
            std::fputs(failureLine(path, "the file could not be written").c_str(), streams.err);
            return 1;
        }
    }
    if (!options.quiet) std::fputs(designTable(design, folder).c_str(), streams.out);
    return 0;
}

}  // namespace auralith
