// How a render runs, apart from what it computes: the samples are the same for every setting.
#pragma once

namespace auralith {

struct RenderOptions {
    int threads = 0;      // parts the render is split into; 0: one per core for long recordings
    int vectorWidth = 0;  // conversions side by side: 2, 4 or 8, or 0 for the widest the processor has
};

}  // namespace auralith
