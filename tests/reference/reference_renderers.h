// The straightforward renderers: every conversion through the generator in turn, the spaced
// arrays through per-microphone tracks that are interleaved at the end. The program's own
// renderers must give exactly their samples.
#pragma once

#include "sim/frame.h"

namespace auralith::reference {

bool renderBlumleinPair(const SweepInput& in, StereoBuffer& out, RandomState& random);
bool renderCardioidPair(const SweepInput& in, StereoBuffer& out, RandomState& random);
bool renderFaulknerPair(const SweepInput& in, StereoBuffer& out, RandomState& random);
bool renderOrtfPair(const SweepInput& in, StereoBuffer& out, RandomState& random);
bool renderSpacedOmniPair(const SweepInput& in, StereoBuffer& out, RandomState& random);
bool renderThreeOmniTree(const SweepInput& in, StereoBuffer& out, RandomState& random);

// A whole render with the reference renderer of `choice` into a fresh buffer.
StereoBuffer renderReference(MicArray choice, const SweepInput& in, RandomState& random);

}  // namespace auralith::reference
