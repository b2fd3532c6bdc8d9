// The job driver: one run of the program from the window set-up to the final key.
#pragma once

#include "job/console/console.h"
#include "sim/model/random.h"

namespace auralith {

// Runs the whole dialogue and job on `console`; returns the exit status.
int runJob(Console& console, RandomState& random);

}  // namespace auralith
