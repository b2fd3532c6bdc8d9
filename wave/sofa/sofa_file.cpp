#include "wave/sofa/sofa_file.h"

#include <mysofa.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <new>

#include "wave/files/file_access.h"

namespace auralith {
namespace {

// No measured head comes near this: the KEMAR file is 1.2 MB, a dense measurement some tens.
constexpr std::uint64_t largestSofaFile = std::uint64_t{1} << 30;

struct SofaCloser {
    void operator()(MYSOFA_HRTF* hrtf) const { mysofa_free(hrtf); }
};
using SofaHandle = std::unique_ptr<MYSOFA_HRTF, SofaCloser>;

// libmysofa's refusals in words a user can act on.
std::string sofaError(int error) {
    switch (error) {
        case MYSOFA_NO_MEMORY: return "there is not enough memory for this SOFA file";
        case MYSOFA_READ_ERROR: return "it cannot be read to its end";
        case MYSOFA_INVALID_FORMAT:
        case MYSOFA_UNSUPPORTED_FORMAT: return "it is not a SOFA file that libmysofa reads";
        case MYSOFA_ONLY_THE_SAME_SAMPLING_RATE_SUPPORTED: return "its responses are not all at one rate";
        case MYSOFA_INVALID_COORDINATE_TYPE: return "its source positions are neither spherical nor cartesian";
        default: break;
    }
    return "libmysofa refuses it as a set of head-related impulse responses (error " + std::to_string(error) + ")";
}

// The whole file in memory, for libmysofa, which then reads no file of its own.
std::variant<std::vector<char>, std::string> wholeFile(const std::string& name) {
    OpenedFile opened = openForReadingOrSayWhy(name);
    if (!opened.file) return opened.why;
    const std::uint64_t length = opened.file->length();
    if (length == 0) return std::string("it is empty");
    if (length > largestSofaFile) return std::string("it is larger than 1 GiB, more than any SOFA file of a head");
    std::vector<char> bytes(static_cast<std::size_t>(length));
    if (opened.file->readAt(0, bytes.data(), bytes.size()) != bytes.size())
        return std::string("it cannot be read to its end");
    return bytes;
}

// The measurement's delay of one ear in whole samples: the file gives one per ear for all
// measurements, or one per measurement and ear.
int delayOf(const MYSOFA_HRTF& hrtf, unsigned measurement, unsigned ear) {
    const MYSOFA_ARRAY& delays = hrtf.DataDelay;
    std::size_t at = 0;
    if (delays.elements == hrtf.R * hrtf.M)
        at = measurement * hrtf.R + ear;
    else if (delays.elements == hrtf.R)
        at = ear;
    else
        return 0;
    const float value = delays.values[at];
    return value > 0 && value < longestHeadResponse ? static_cast<int>(std::lrint(value)) : 0;
}

SofaResponses responsesOf(const MYSOFA_HRTF& hrtf, std::int32_t rate) {
    int longestDelay = 0;
    for (unsigned m = 0; m < hrtf.M; ++m)
        for (unsigned ear = 0; ear < 2; ++ear) longestDelay = std::max(longestDelay, delayOf(hrtf, m, ear));
    SofaResponses out;
    out.rate = rate;
    out.taps = static_cast<int>(hrtf.N) + longestDelay;
    out.azimuth.resize(hrtf.M);
    out.elevation.resize(hrtf.M);
    out.values.assign(static_cast<std::size_t>(hrtf.M) * 2 * static_cast<std::size_t>(out.taps), 0.0f);
    for (unsigned m = 0; m < hrtf.M; ++m) {
        out.azimuth[m] = hrtf.SourcePosition.values[3 * m];
        out.elevation[m] = hrtf.SourcePosition.values[3 * m + 1];
        for (unsigned ear = 0; ear < 2; ++ear) {
            const float* from = hrtf.DataIR.values + (static_cast<std::size_t>(m) * hrtf.R + ear) * hrtf.N;
            float* to = out.values.data() + (static_cast<std::size_t>(m) * 2 + ear) * out.taps + delayOf(hrtf, m, ear);
            std::copy(from, from + hrtf.N, to);
        }
    }
    return out;
}

std::variant<SofaResponses, std::string> checkedResponses(MYSOFA_HRTF& hrtf, std::int32_t rate) {
    if (hrtf.M == 0 || hrtf.N == 0) return std::string("it holds no responses");
    const auto tooLong = [](unsigned taps) {
        return "its responses are " + std::to_string(taps) + " taps long, more than " +
               std::to_string(longestHeadResponse);
    };
    if (hrtf.N > longestHeadResponse) return tooLong(hrtf.N);
    if (hrtf.DataSamplingRate.elements < 1 || !(hrtf.DataSamplingRate.values[0] > 0))
        return std::string("it gives no sampling rate");
    if (hrtf.DataSamplingRate.values[0] != static_cast<float>(rate)) {
        if (const int error = mysofa_resample(&hrtf, static_cast<float>(rate)); error != MYSOFA_OK)
            return sofaError(error);
        if (hrtf.N > longestHeadResponse) return tooLong(hrtf.N);
    }
    mysofa_tospherical(&hrtf);
    return responsesOf(hrtf, rate);
}

}  // namespace

std::variant<SofaResponses, std::string> readSofaResponses(const std::string& name, std::int32_t rate) {
    try {
        auto bytes = wholeFile(name);
        if (const auto* why = std::get_if<std::string>(&bytes)) return *why;
        const std::vector<char>& data = std::get<std::vector<char>>(bytes);
        int error = MYSOFA_OK;
        SofaHandle hrtf(mysofa_load_data(data.data(), data.size(), &error));
        if (!hrtf || error != MYSOFA_OK) return sofaError(error == MYSOFA_OK ? MYSOFA_INVALID_FORMAT : error);
        if (hrtf->R != 2) return "it has " + std::to_string(hrtf->R) + " receivers; a head has two";
        if (error = mysofa_check(hrtf.get()); error != MYSOFA_OK) return sofaError(error);
        return checkedResponses(*hrtf, rate);
    } catch (const std::bad_alloc&) {
        return std::string("there is not enough memory for this SOFA file");
    }
}

}  // namespace auralith
