// Recordings made with libsndfile itself, for the tests of what auralith-compare reads. The
// samples go in the last channel and half of them, negated, in the others; integers in the top
// 16 bits of the file's width and floating point as sample / 32768, so that reading them back as
// 16 bits gives them exactly. With `broadcast`, a bext chunk precedes the samples.
#pragma once

#include <sndfile.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace auralith::testing {

inline bool writeWithLibsndfile(const std::string& path, int format, int rate, const std::vector<std::int16_t>& samples,
                                int channels = 1, bool broadcast = false) {
    SF_INFO info{0, rate, channels, format, 0, 0};
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (file == nullptr) return false;
    if (broadcast) {
        SF_BROADCAST_INFO bext{};
        std::snprintf(bext.description, sizeof bext.description, "take 3");
        sf_command(file, SFC_SET_BROADCAST_INFO, &bext, sizeof bext);
    }
    std::vector<float> floats;
    std::vector<int> ints;
    for (const std::int16_t x : samples)
        for (int ch = 0; ch < channels; ++ch) {
            const int value = ch + 1 == channels ? x : -x / 2;
            floats.push_back(static_cast<float>(value) / 32768.0f);
            ints.push_back(value * 65536);
        }
    const auto count = static_cast<sf_count_t>(samples.size());
    const bool floating = (format & SF_FORMAT_SUBMASK) == SF_FORMAT_FLOAT;
    const bool written =
        (floating ? sf_writef_float(file, floats.data(), count) : sf_writef_int(file, ints.data(), count)) == count;
    return sf_close(file) == 0 && written;
}

}  // namespace auralith::testing
