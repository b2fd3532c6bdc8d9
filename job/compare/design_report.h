// What --design found, as the table on standard output, design.csv and design.html.
#pragma once

#include <string>
#include <vector>

#include "catalogue/descriptions.h"
#include "sim/analysis/spacing_search.h"

namespace auralith {

struct DesignResults {
    int wanted = 0;  // the recording angle, thousandths of a degree
    PatternChoice pattern;
    std::vector<SpacingFound> rows;
    LoudspeakerBase base = base30;
};

// How to hear a row's pair: "pair:cardioid:90:26.3".
std::string designPairText(const DesignResults& design, const SpacingFound& row);

// design.csv: angle_deg,spacing_cm,sra_deg,max_image_deg; a row without a spacing has the angle
// alone.
std::string designCsv(const DesignResults& design);

// The table, why a row has no spacing, and the -a list of them all.
std::string designTable(const DesignResults& design, const std::string& folder);

// design.html: the curve of spacing against angle with the named techniques marked where they
// lie, and the table.
std::string designHtml(const DesignResults& design);

}  // namespace auralith
