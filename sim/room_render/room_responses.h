// A room's reflections as an array hears them over the sweep: for each position, each output
// channel's response as mixed from its microphones (the shares, and the held mix's scale), the
// direct sound left out (the free field's tap gives it). Each response counts its frames from
// the sound's arrival at the array's centre from the arc, starts no earlier than 0.1 s before it
// and ends where what is left of it has fallen 60 dB.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <variant>
#include <vector>

#include "sim/free/mic_layout.h"
#include "sim/room/band_response.h"
#include "sim/scene/program.h"
#include "sim/scene/scene.h"

namespace auralith {

struct RoomResponses {
    AudioFormat format;                               // the render's rate and channels
    std::vector<std::vector<RoomResponse>> channels;  // [position][channel]; empty when nothing rings
};

// How long the images are gathered after the direct sound, in seconds: 1.6 times the longest of
// Eyring's times (a specular shoebox rings some 1.4 times longer than it predicts) and 0.1 s, at
// most 10 s and at most what maxImages allows.
double roomResponseSeconds(const Room& room);

// The source of the sweep's position at `degrees` in the room: on the arc of `radius` around the
// array, at the field's source height.
RoomPoint roomSourceAt(const RoomField& field, long double degrees, double radius);

// Refused (why, naming the position or the surface) when a source stands outside the room or
// within minClearance of a surface, or the memory cannot be had.
std::variant<RoomResponses, std::string> roomResponses(const AnyArray& array, const RoomField& field,
                                                       const SweepPositions& positions, double radius,
                                                       std::int32_t rate);

// Several arrays' responses at once, each as roomResponses gives it, from one set of images per
// position made for the farthest microphone of any of them (an image a microphone cannot hear
// within the length is left out of its taps whatever the set holds): the arrays at one place
// hear the same images, which take as long to find as one array's responses take to mix.
std::vector<std::variant<RoomResponses, std::string>> roomResponsesOf(std::span<const AnyArray> arrays,
                                                                      const RoomField& field,
                                                                      const SweepPositions& positions, double radius,
                                                                      std::int32_t rate);

}  // namespace auralith
