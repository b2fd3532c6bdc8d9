#include "wave/sofa/sofa_load.h"

#include <mysofa.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <new>
#include <vector>

namespace auralith {
namespace {

// Rates above this are no measurement's, and libmysofa's resampler takes its rates as 32-bit
// integers and builds filters as long as their ratio.
constexpr double highestFileRate = 1e6;  // Hz

struct SofaCloser {
    void operator()(MYSOFA_HRTF* hrtf) const { mysofa_free(hrtf); }
};
using SofaHandle = std::unique_ptr<MYSOFA_HRTF, SofaCloser>;

std::string outOfMemory(std::uint64_t limit) {
    return limit != 0 ? "reading it takes more than the " + memoryAmount(limit) + " of memory allowed"
                      : "there is not enough memory for this SOFA file";
}

// libmysofa's refusals in words a user can act on.
std::string sofaError(int error, std::uint64_t memoryLimit) {
    switch (error) {
        case MYSOFA_INTERNAL_ERROR: return "libmysofa fails inside on it: it is damaged or not a SOFA file";
        case MYSOFA_NO_MEMORY: return outOfMemory(memoryLimit);
        case MYSOFA_READ_ERROR: return "it cannot be read to its end";
        case MYSOFA_INVALID_FORMAT:
        case MYSOFA_UNSUPPORTED_FORMAT: return "it is not a SOFA file that libmysofa reads";
        case MYSOFA_INVALID_ATTRIBUTES:
            return "its attributes are not those of a head's impulse responses (SOFA, SimpleFreeFieldHRIR, FIR)";
        case MYSOFA_INVALID_DIMENSIONS:
            return "its arrays' sizes do not match its dimensions, or it holds no measurements";
        case MYSOFA_INVALID_DIMENSION_LIST: return "its arrays are not laid out along SOFA's dimensions";
        case MYSOFA_INVALID_COORDINATE_TYPE: return "its source positions are neither spherical nor cartesian";
        case MYSOFA_ONLY_EMITTER_WITH_ECI_SUPPORTED: return "its emitter moves between measurements";
        case MYSOFA_ONLY_DELAYS_WITH_IR_OR_MR_SUPPORTED:
            return "its delays are neither one per ear nor one per measurement and ear";
        case MYSOFA_ONLY_THE_SAME_SAMPLING_RATE_SUPPORTED: return "its responses are not all at one rate";
        case MYSOFA_RECEIVERS_WITH_RCI_SUPPORTED: return "its ears move between measurements";
        case MYSOFA_RECEIVERS_WITH_CARTESIAN_SUPPORTED: return "its ears' positions are not cartesian";
        case MYSOFA_INVALID_RECEIVER_POSITIONS: return "its ears are not one to the left and one to the right";
        case MYSOFA_ONLY_SOURCES_WITH_MC_SUPPORTED: return "its source positions are not one per measurement";
        default: break;
    }
    return "libmysofa refuses it as a set of head-related impulse responses (error " + std::to_string(error) + ")";
}

std::string number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

const char* earName(unsigned ear) { return ear == 0 ? "left" : "right"; }

// "measurement 17 of 710 (azimuth 30°, elevation 0°)", counted from 1.
std::string measurementName(const MYSOFA_HRTF& hrtf, unsigned m) {
    const float* at = hrtf.SourcePosition.values + 3 * static_cast<std::size_t>(m);
    std::string name = "measurement " + std::to_string(m + 1) + " of " + std::to_string(hrtf.M);
    if (std::isfinite(at[0]) && std::isfinite(at[1]))
        name += " (azimuth " + number(at[0]) + "°, elevation " + number(at[1]) + "°)";
    return name;
}

// The first direction or tap that is not a finite number, named; empty when there is none.
std::string firstNonFinite(const MYSOFA_HRTF& hrtf) {
    for (unsigned m = 0; m < hrtf.M; ++m) {
        const float* at = hrtf.SourcePosition.values + 3 * static_cast<std::size_t>(m);
        if (!std::isfinite(at[0]) || !std::isfinite(at[1]) || !std::isfinite(at[2]))
            return measurementName(hrtf, m) + " has a direction that is not a finite number";
        for (unsigned ear = 0; ear < 2; ++ear) {
            const float* taps = hrtf.DataIR.values + (static_cast<std::size_t>(m) * 2 + ear) * hrtf.N;
            const float* bad = std::find_if(taps, taps + hrtf.N, [](float v) { return !std::isfinite(v); });
            if (bad != taps + hrtf.N)
                return measurementName(hrtf, m) + " holds a tap that is not a finite number (the " + earName(ear) +
                       " ear's tap " + std::to_string(bad - taps + 1) + " is " + number(*bad) + ")";
        }
    }
    return {};
}

// Each measurement's delays in samples at the file's rate, [2 * measurement + ear]; or why not.
std::variant<std::vector<double>, std::string> delaysOf(const MYSOFA_HRTF& hrtf) {
    const MYSOFA_ARRAY& delays = hrtf.DataDelay;
    std::vector<double> out(2 * static_cast<std::size_t>(hrtf.M), 0.0);
    if (delays.elements == 0) return out;
    const bool perMeasurement = delays.elements == 2 * hrtf.M;
    if (!perMeasurement && delays.elements != 2) return sofaError(MYSOFA_ONLY_DELAYS_WITH_IR_OR_MR_SUPPORTED, 0);
    for (unsigned m = 0; m < hrtf.M; ++m)
        for (unsigned ear = 0; ear < 2; ++ear) {
            const double value = delays.values[perMeasurement ? 2 * static_cast<std::size_t>(m) + ear : ear];
            if (!std::isfinite(value) || value < 0)
                return (perMeasurement ? measurementName(hrtf, m) + " gives the " : std::string("it gives the ")) +
                       earName(ear) + " ear a delay of " + number(value) +
                       " samples: a delay is a finite number of samples, 0 or more";
            out[2 * static_cast<std::size_t>(m) + ear] = value;
        }
    return out;
}

// The file's rate, or why it is none.
std::variant<double, std::string> fileRateOf(const MYSOFA_HRTF& hrtf) {
    if (hrtf.DataSamplingRate.elements < 1) return std::string("it gives no sampling rate");
    const double rate = hrtf.DataSamplingRate.values[0];
    if (!std::isfinite(rate) || rate <= 0)
        return "its sampling rate is " + number(rate) + " Hz: a rate is a finite number of hertz above 0";
    if (rate > highestFileRate) return "its sampling rate is " + number(rate) + " Hz, above the 1 MHz that is read";
    return rate;
}

// Why responses of `taps` taps with delays up to `delay`, at `rate`, are too long; or empty.
// `before` describes them at the file's rate when they are yet to be resampled.
std::string lengthRefusal(double taps, bool delayed, std::int32_t rate, int longest, const std::string& before) {
    if (taps <= longest) return {};
    char text[160];
    std::snprintf(text, sizeof text, "its responses%s %s %.0f taps long at %d Hz%s, more than %d (%.1f ms)",
                  delayed ? ", with their delays," : "", before.empty() ? "are" : "would be", taps,
                  static_cast<int>(rate), before.c_str(), longest, 1000.0 * longest / rate);
    return text;
}

SofaResponses responsesOf(const MYSOFA_HRTF& hrtf, std::int32_t rate, const std::vector<int>& delays) {
    SofaResponses out;
    out.rate = rate;
    out.taps = static_cast<int>(hrtf.N) + *std::max_element(delays.begin(), delays.end());
    out.azimuth.resize(hrtf.M);
    out.elevation.resize(hrtf.M);
    out.values.assign(static_cast<std::size_t>(hrtf.M) * 2 * static_cast<std::size_t>(out.taps), 0.0f);
    for (unsigned m = 0; m < hrtf.M; ++m) {
        out.azimuth[m] = hrtf.SourcePosition.values[3 * static_cast<std::size_t>(m)];
        out.elevation[m] = hrtf.SourcePosition.values[3 * static_cast<std::size_t>(m) + 1];
        for (unsigned ear = 0; ear < 2; ++ear) {
            const std::size_t at = static_cast<std::size_t>(m) * 2 + ear;
            const float* from = hrtf.DataIR.values + at * hrtf.N;
            std::copy(from, from + hrtf.N, out.values.data() + at * static_cast<std::size_t>(out.taps) + delays[at]);
        }
    }
    return out;
}

// The responses at `rate`, the length checked at the file's rate before libmysofa resamples.
std::variant<SofaResponses, std::string> resampled(MYSOFA_HRTF& hrtf, double fileRate, std::int32_t rate,
                                                   const std::vector<double>& fileDelays, int longest,
                                                   std::uint64_t memoryLimit) {
    const double ratio = rate / fileRate, longestDelay = *std::max_element(fileDelays.begin(), fileDelays.end());
    const bool delayed = longestDelay > 0, same = static_cast<float>(fileRate) == static_cast<float>(rate);
    const std::string before = same ? std::string()
                                    : " (" + std::to_string(hrtf.N) + " taps at " + number(fileRate) + " Hz" +
                                          (delayed ? ", delays up to " + number(longestDelay) : "") + ")";
    const double estimate = std::ceil(hrtf.N * (same ? 1 : ratio)) + std::rint(longestDelay * (same ? 1 : ratio));
    if (std::string why = lengthRefusal(estimate, delayed, rate, longest, before); !why.empty()) return why;
    if (!same) {
        if (const int error = mysofa_resample(&hrtf, static_cast<float>(rate)); error != MYSOFA_OK)
            return sofaError(error, memoryLimit);
        if (hrtf.N == 0) return std::string("it holds no responses at this rate");
        if (std::string why = firstNonFinite(hrtf); !why.empty()) return why;
    }
    std::vector<int> delays(fileDelays.size());
    for (std::size_t k = 0; k < delays.size(); ++k)
        delays[k] = static_cast<int>(std::lrint(fileDelays[k] * (same ? 1 : ratio)));
    const int longestAtRate = *std::max_element(delays.begin(), delays.end());
    if (std::string why = lengthRefusal(double(hrtf.N) + longestAtRate, delayed, rate, longest, {}); !why.empty())
        return why;
    return responsesOf(hrtf, rate, delays);
}

std::variant<SofaResponses, std::string> checkedResponses(MYSOFA_HRTF& hrtf, std::int32_t rate, int longest,
                                                          std::uint64_t memoryLimit) {
    const auto fileRate = fileRateOf(hrtf);
    if (const auto* why = std::get_if<std::string>(&fileRate)) return *why;
    mysofa_tospherical(&hrtf);
    if (std::string why = firstNonFinite(hrtf); !why.empty()) return why;
    const auto delays = delaysOf(hrtf);
    if (const auto* why = std::get_if<std::string>(&delays)) return *why;
    return resampled(hrtf, std::get<double>(fileRate), rate, std::get<std::vector<double>>(delays), longest,
                     memoryLimit);
}

}  // namespace

std::string memoryAmount(std::uint64_t bytes) {
    constexpr std::uint64_t mib = std::uint64_t{1} << 20, gib = std::uint64_t{1} << 30;
    return bytes % gib == 0 ? std::to_string(bytes / gib) + " GiB" : std::to_string(bytes / mib) + " MiB";
}

std::variant<SofaResponses, std::string> loadSofaResponses(const std::string& path, std::int32_t rate, int longest,
                                                           std::uint64_t memoryLimit) {
    try {
        int error = MYSOFA_OK;
        // The file reader, not the in-memory one, which overruns its buffer on truncated files.
        SofaHandle hrtf(mysofa_load(path.c_str(), &error));
        if (!hrtf || error != MYSOFA_OK)
            return sofaError(error == MYSOFA_OK ? MYSOFA_INVALID_FORMAT : error, memoryLimit);
        if (hrtf->R != 2)
            return "it has " + std::to_string(hrtf->R) + (hrtf->R == 1 ? " receiver" : " receivers") +
                   "; a head has two";
        if (hrtf->M == 0 || hrtf->N == 0) return std::string("it holds no measurements");
        if (error = mysofa_check(hrtf.get()); error != MYSOFA_OK) return sofaError(error, memoryLimit);
        return checkedResponses(*hrtf, rate, longest, memoryLimit);
    } catch (const std::bad_alloc&) {
        return outOfMemory(memoryLimit);
    }
}

}  // namespace auralith
