// The page's pictures of a stage: the players where they stand, to scale and seen from above with
// the stage at the top (in the room's walls where there is a room), and, for one array, where it
// puts each player between the two loudspeakers as a listener sees them.
#pragma once

#include <cstddef>
#include <string>

#include "report/results.h"

namespace auralith {

// The array and every player as a named dot; nothing without a stage.
std::string stagePlanSvg(const CompareResults& results);

// The k-th array's images on the arc between the loudspeakers, each named: an image that reaches
// a loudspeaker is drawn there and ringed, as the array throws that player into it.
std::string stageImagesSvg(const CompareResults& results, std::size_t k);

}  // namespace auralith
