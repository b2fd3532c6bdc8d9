// From an array and a program to a renderer's plan: at each segment, what each microphone hears
// of the source there, delays rounded to whole frames (nearest, ties to even). The built-in arrays
// give their taps through their own arithmetic, so that their samples never change; a rig hears
// through the echograms its surroundings give.
#pragma once

#include "sim/free/mic_layout.h"
#include "sim/scene/program.h"
#include "sim/scene/render_plan.h"
#include "sim/scene/scene.h"

namespace auralith {

RenderPlan planFor(const AnyArray& array, const Program& program, const Surroundings& surroundings = FreeField{});

}  // namespace auralith
