#include "wave/recording/rate_conversion.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <vector>

#ifdef AURALITH_HAS_SAMPLERATE
#include <samplerate.h>
#endif

namespace auralith {

#ifdef AURALITH_HAS_SAMPLERATE

bool convertsRates() { return true; }

std::string convertRate(Recording& recording, std::int32_t rate) {
    InputWave& wave = recording.wave;
    const double ratio = static_cast<double>(rate) / wave.sampleRate;
    const auto frames = static_cast<std::int64_t>(std::ceil(wave.sampleCount * ratio));
    if (frames > std::int64_t{1} << 30) return "it would be too long at " + std::to_string(rate) + " Hz";
    std::vector<float> in, out;
    try {
        in.resize(wave.samples.size());
        out.resize(static_cast<std::size_t>(frames));
    } catch (const std::bad_alloc&) {
        return "there is not enough memory to bring it to " + std::to_string(rate) + " Hz";
    }
    std::transform(wave.samples.begin(), wave.samples.end(), in.begin(),
                   [](std::int16_t v) { return static_cast<float>(v) / 32768.0f; });
    SRC_DATA data{};
    data.data_in = in.data();
    data.input_frames = static_cast<long>(in.size());
    data.data_out = out.data();
    data.output_frames = static_cast<long>(out.size());
    data.src_ratio = ratio;
    if (!wave.samples.empty())
        if (const int error = src_simple(&data, SRC_SINC_BEST_QUALITY, 1); error != 0) return src_strerror(error);
    wave.samples.resize(static_cast<std::size_t>(data.output_frames_gen));
    std::transform(out.begin(), out.begin() + data.output_frames_gen, wave.samples.begin(), [](float v) {
        return static_cast<std::int16_t>(std::clamp(std::rint(static_cast<double>(v) * 32768.0), -32768.0, 32767.0));
    });
    wave.sampleCount =
        wave.samples.empty() ? static_cast<std::int32_t>(frames) : static_cast<std::int32_t>(data.output_frames_gen);
    wave.sampleRate = rate;
    wave.dataSize = 2 * wave.sampleCount;
    wave.duration = static_cast<double>(wave.sampleCount) / rate;
    return {};
}

#else

bool convertsRates() { return false; }

std::string convertRate(Recording&, std::int32_t) { return {}; }

#endif

}  // namespace auralith
