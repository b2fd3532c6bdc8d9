// A microphone's room response from its band taps: each image placed between frames by the
// band-limited interpolator into seven band buffers at once, each buffer filtered by its band of
// the filter bank with one transform, and the bands summed into one response.
#pragma once

#include <complex>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "sim/room/image_sources.h"
#include "sim/room/room_transforms.h"
#include "sim/scene/audio_format.h"

namespace auralith {

// A response of one channel: samples[i] is the level at frame start + i against the sound's
// arrival at the rig's centre from the arc.
struct RoomResponse {
    AudioFormat format;
    std::int64_t start = 0;
    std::vector<double> samples;
};

// The transforms and the bank's weights at every bin, for responses whose taps span up to `span`
// frames, with room for the bands' ringing either side and a pad of silence that takes the
// circular convolution's wrap. Made once (planning is not thread-safe), then used by any number of
// threads.
struct BandMixer {
    BandMixer(AudioFormat format, std::int64_t span);

    AudioFormat format;
    std::int64_t pad;  // frames kept before the first tap and after the last for the bands' ringing
    RoomTransforms transforms;
    std::vector<double> weights;  // [band * bins + bin]

    bool valid() const { return transforms.valid(); }
};

// The transforms' size of a mixer for `span`: mixers of one size give the same responses.
int bandMixerSize(AudioFormat format, std::int64_t span);

// The frames a set's responses span at a rate, for its mixer: the length, and the rig's reach
// either way.
std::int64_t setSpanFrames(const ImageSet& set, double reach, std::int32_t rate);

// What a thread keeps from response to response: the bands and the transforms' buffers (first
// touching fresh memory costs more here than filling it). Made for the size of the mixer last used.
struct BandScratch {
    std::vector<double> bands;  // [band * size + frame]
    int size = 0;
    RoomBuffer<double> real;
    RoomBuffer<std::complex<double>> spectrum;
    RoomBuffer<std::complex<double>> sum;
};

// Nothing when the taps span more than the mixer was made for, or the memory cannot be had.
std::optional<RoomResponse> renderBandTaps(const BandMixer& mixer, std::span<const BandTap> taps);
// The same with the scratch kept by the caller.
std::optional<RoomResponse> renderBandTaps(const BandMixer& mixer, std::span<const BandTap> taps, BandScratch& scratch);

// A microphone's response to the set's images: renderBandTaps of micBandTaps' taps, the same
// values, but with no list of them (each tap is worked out again where it is added), so that a
// response takes the bands' memory alone however many images the set has. `heard`: whether the
// microphone hears any image (where it hears none the response is empty); nothing when the taps
// span more than the mixer was made for or the memory cannot be had.
std::optional<RoomResponse> renderMicBandTaps(const BandMixer& mixer, const ImageSet& set, const RigMic& mic,
                                              BandScratch& scratch, bool& heard);

// One octave band of a response through the same bank, of the same length and start; nothing
// when the response is longer than the mixer's transforms or the memory cannot be had.
std::optional<RoomResponse> responseBand(const BandMixer& mixer, const RoomResponse& response, int band);

}  // namespace auralith
