// The plain-text reports of a stage, where several players are heard at once through each array:
// stage.csv (each array's cues and image for each player), an array's label track (one label per
// player at the moment the ensemble begins) and the closing table's lines on the players and on
// where each array puts them. A stage's run writes stage.csv in place of report.csv.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "report/columns.h"
#include "report/results.h"

namespace auralith {

// The position columns a player's row shows, in the order of stage.csv and of the page's players
// table: the cues, the image and, in a room, the direct-to-reverberant ratios.
std::vector<const PositionColumn*> stagePlayerColumns();

// A player as an array heard it, as a row of the position columns.
PositionRow playerRow(const CompareResults& results, const PlayerHeard& heard);

// stage.csv: one row per chosen array and player, in the players' order.
std::string stageCsv(const CompareResults& results);

// The array's Audacity labels: one per player, all at the moment the players' sound begins,
// "vl1 image -24.1°".
std::string stageLabelTrack(const ArrayResult& array, const CompareResults& results);

// The closing table's opening for a stage: "Stage of 4 players, 44 100 Hz", a line per player
// (its name, file, place, gain and what was read of it), and what was converted to the run's rate.
std::string stageHeading(const CompareResults& results);

// The smallest and the largest image the array gives the players; both 0 without players.
struct ImageSpan {
    double low = 0;
    double high = 0;
    double width() const { return high - low; }
};
ImageSpan imageSpan(const ArrayResult& array);

// Where the array puts the players, on one line: "  vl1 -24.1°  vl2 -9.0°   width 33.1°", the
// width being the largest image less the smallest.
std::string stageImagesLine(const ArrayResult& array, const CompareResults& results);

// The reports a stage's run writes, in the order the closing table lists them.
std::vector<std::string> stageReportFiles(const CompareResults& results);

}  // namespace auralith
