#include "job/compare/sweep_setting.h"

#include <algorithm>
#include <cstdint>
#include <limits>

#include "sim/model/frame.h"

namespace auralith {

namespace {

// Thousandths of a second as frames, to the nearest.
std::int64_t framesOf(std::int64_t thousandths, std::int32_t rate) { return (thousandths * rate + 500) / 1000; }

std::string secondsText(std::int64_t frames, std::int32_t rate) {
    return decimalText(static_cast<int>(frames * 1000 / rate)) + " s";
}

}  // namespace

std::string cutToExcerpt(Recording& recording, const Excerpt& excerpt) {
    InputWave& wave = recording.wave;
    const std::int64_t first = framesOf(excerpt.start, wave.sampleRate);
    if (first >= wave.sampleCount)
        return "the excerpt starts at " + decimalText(static_cast<int>(excerpt.start)) + " s, not before its end (" +
               secondsText(wave.sampleCount, wave.sampleRate) + ")";
    const std::int64_t end =
        excerpt.length ? std::min<std::int64_t>(wave.sampleCount, first + framesOf(*excerpt.length, wave.sampleRate))
                       : wave.sampleCount;
    if (!wave.samples.empty()) {
        wave.samples.erase(wave.samples.begin() + end, wave.samples.end());
        wave.samples.erase(wave.samples.begin(), wave.samples.begin() + first);
    }
    recording.from += first;
    wave.sampleCount = static_cast<std::int32_t>(end - first);  // at least one: first lies before the end
    wave.dataSize = 2 * wave.sampleCount;
    wave.duration = static_cast<double>(wave.sampleCount) / wave.sampleRate;
    recording.description +=
        ", the excerpt from " + secondsText(first, wave.sampleRate) + " to " + secondsText(end, wave.sampleRate);
    return {};
}

std::string rendersTooLong(const Recording& recording, const SweepPositions& positions) {
    const std::int64_t frames =
        outputFrameCount(recording.wave.sampleRate, recording.wave.sampleCount, positions.count());
    if (2 * frames <= std::numeric_limits<std::int32_t>::max()) return {};
    return "its renders over " + std::to_string(positions.count()) +
           " positions would pass the 4 GiB a WAVE file holds; take fewer positions or an --excerpt";
}

}  // namespace auralith
