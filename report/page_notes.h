// What report.html says of the recording angles beside the field's published ones: why this
// model's are wider, why the built-in ORTF pair and the technique `ortf` differ, and, in an
// array's section, the figures published for it.
#pragma once

#include <string>
#include <string_view>

namespace auralith {

// Two short sections for the end of the page (anchors #published and #conventions): the trading
// rules behind the two sets of figures, and the built-in arrays' own arithmetic as a table.
std::string publishedAnglesNote();

// For an array the literature gives a recording angle for (array 4, `ortf`, `nos`): one sentence
// with those figures and links to the notes; nothing for the others.
std::string publishedFigures(std::string_view key);

}  // namespace auralith
