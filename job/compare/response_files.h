// --responses: each array's response as mixed at each position of the sweep in the run's room,
// STEM-SLUG-response-p00.wav and on, 32-bit floating-point WAVE at the render's rate, sample 0
// being 0.1 s before the sound reaches the array's centre from the arc. A response holds the
// room's gain and the run's guard gain, so that the recording convolved with it is that
// position's render before the dither (at the room's gain the renders share).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "job/compare/options.h"
#include "job/compare/progress.h"
#include "job/compare/room_run.h"
#include "report/results.h"
#include "wave/input_wave.h"

namespace auralith {

// "<stem>-<slug>-response-p07.wav": position p of `count`, two digits, more where the positions need them.
std::string responseFileName(std::string_view stem, std::string_view slug, int position, int count);

struct RoomSweep;  // sim/room_render/room_sweep.h, where the build renders rooms

// Where the responses go and what they are heard in.
struct ResponsePlace {
    std::string folder;
    std::vector<std::string> inputs;  // the recordings, which no response may replace
    // Each array's sweep (or stage) in the run's room, laid out and at the room's gain their
    // renders share; none: nothing to write.
    std::vector<const RoomSweep*> sweeps;
    ProgressBar* progress = nullptr;  // shows which array's responses are being written
    std::vector<double> levels{};     // each segment's level besides the guard gain (a stage's players'); none: 1
};

// A file that could not be written, and why.
struct FileRefusal {
    std::string path;
    std::string why;
};

// Writes every array's responses (its responseFiles, one a segment of its sweep) when the place
// has sweeps, each at the guard gain `gain` and its level; every name is tried first (none may be
// an input's). Nothing, or the first refusal.
std::optional<FileRefusal> writeResponseFiles(const ResponsePlace& place, const std::vector<ArrayResult>& arrays,
                                              std::int32_t rate, double gain);

}  // namespace auralith
