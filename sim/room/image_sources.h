// The image-source method for the shoebox: every mirror image of a source that the room's six
// surfaces make, up to a response's length, with what the surfaces and the air leave of it in
// each band; then what one microphone of a rig hears of each image. The direct sound is not an
// image here: the free field's own tap gives it.
#pragma once

#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

#include "sim/room/room.h"
#include "sim/scene/rig.h"

namespace auralith {

// Up to how far each image is moved from its exact mirror place, in metres, so that the late
// response has neither a shoebox's flutter nor its mirror symmetry between the microphones.
inline constexpr double imageDisplacement = 0.08;

struct ImageSource {
    RoomPoint place;                                        // displaced
    std::array<std::uint16_t, surfaceCount> reflections{};  // how often the path meets each surface
    double distance = 0;                                    // metres from the rig's centre
    BandValues gain{};  // the surfaces' reflection factors sqrt(1 - alpha), times the air over `distance`
};

// What the images are made for: the room, the source and the rig's centre in it, how long after
// the direct sound reaches the centre the response lasts, the farthest any microphone stands
// from the centre, the displacements' seed and radius (0: the exact mirror images), the arc's
// radius (at which a path has gain 1 and no delay) and whether the air absorbs.
struct ImageRequest {
    Room room;
    RoomPoint source;
    RoomPoint centre;
    double seconds = 0;
    double reach = 0;
    std::uint64_t seed = 1;
    double displacement = imageDisplacement;
    double radius = arcRadius;
    bool air = true;
};

struct ImageSet {
    RoomPoint centre;
    double direct = 0;                // metres from the source to the centre
    double seconds = 0;               // the response's length after the direct sound at the centre
    std::vector<ImageSource> images;  // every image of order 1 and more within reach, none silent,
                                      // in the order of their distance, a metre at a time
    double radius = arcRadius;        // the arc's radius the taps are heard against
};

// About how many images a response of `seconds` has: the sphere the sound reaches over the room's volume.
double imageCountEstimate(const Room& room, double seconds);

ImageSet imageSources(const ImageRequest& request);

// One image as a microphone hears it: the delay in frames against the sound's arrival at the
// rig's centre from the arc (the free field's origin, R / soundSpeed for the set's radius R), and
// the level in each band, the pattern's response and R / r included.
struct BandTap {
    double delay = 0;
    BandValues gain{};
};

// A microphone's place in the room: the rig's centre moved by its offsets (to the right is +x,
// ahead +y, up +z).
RoomPoint micPlace(const RoomPoint& centre, const RigMic& mic);

// Each image a microphone of the rig hears within the set's length, as its tap at `rate` frames
// per second, given to take(tap) in the set's order: what micBandTaps lists, for a caller that
// uses each tap where it is worked out and keeps no list.
template <typename Take>
void eachMicBandTap(const ImageSet& set, const RigMic& mic, std::int32_t rate, Take take) {
    const RoomPoint at = micPlace(set.centre, mic);
    const double farthest = set.direct + soundSpeed * set.seconds;
    const auto axis = std::array{static_cast<double>(mic.axisLateral), static_cast<double>(mic.axisForward),
                                 static_cast<double>(mic.axisUp)};
    for (const ImageSource& image : set.images) {
        const double dx = image.place.x - at.x, dy = image.place.y - at.y, dz = image.place.z - at.z;
        const double r = std::sqrt(dx * dx + dy * dy + dz * dz);
        if (r > farthest) continue;
        const double cosine = (axis[0] * dx + axis[1] * dy + axis[2] * dz) / r;
        const double level = (mic.pattern + (1 - mic.pattern) * cosine) * (set.radius / r);
        BandTap tap{(r - set.radius) / soundSpeed * rate, {}};
        for (int b = 0; b < bandCount; ++b) tap.gain[b] = image.gain[b] * level;
        take(tap);
    }
}

// The images a microphone of the rig hears within the set's length, at `rate` frames per second.
std::vector<BandTap> micBandTaps(const ImageSet& set, const RigMic& mic, std::int32_t rate);

}  // namespace auralith
