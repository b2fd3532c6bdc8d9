// What the ears of a listener in front of the two loudspeakers receive from one position of an
// array: the interaural time and level differences, as values (ear_cue_meter.h works them out).
#pragma once

namespace auralith {

inline constexpr double lowBandTop = 1500;  // Hz: the band below which the low-band time difference is taken

struct EarCues {
    // The lag of the ears' largest cross-correlation, broadband and below lowBandTop: positive
    // when the right ear hears later.
    int itdFrames = 0;
    int itdLowFrames = 0;
    double itdMs = 0;
    double itdLowMs = 0;
    // 10 log10 of the left ear's energy over the right one's, broadband: positive when the left
    // ear is louder.
    double ildDb = 0;
};

}  // namespace auralith
