// The filter bank that splits a response into the room's octave bands and joins them again: the
// bands' weights at each frequency, real and zero-phase, from 1 in a band's middle to 0 across
// half an octave either side of each crossover (the geometric mean of two centres). The weights
// of the seven bands sum to exactly 1 at every frequency, so a response whose bands are alike is
// the broadband one.
#pragma once

namespace auralith {

// The weight of `band` (0 .. bandCount - 1) at `frequency` hertz.
double bandWeight(int band, double frequency);

}  // namespace auralith
