#include "sim/room_render/room_responses.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>

#include "sim/fast/parallel.h"
#include "sim/model/frame.h"
#include "sim/room/absorption_solver.h"
#include "sim/room/image_sources.h"
#include "sim/room/room.h"

namespace auralith {

namespace {

// How much of each microphone each channel takes: its shares, times the held mix's scale, and for
// the built-in spaced omnis and tree their level's reference (their own arithmetic hears the
// direct sound at reference / r, the room's rule R / r).
std::vector<std::vector<double>> channelWeights(const AnyArray& array, const Rig& rig, double radius) {
    double level = rig.mix == ChannelMix::held ? static_cast<double>(rig.scale) : 1.0;
    if (const auto* builtIn = std::get_if<MicArray>(&array);
        builtIn != nullptr && (*builtIn == MicArray::spacedOmniPair || *builtIn == MicArray::threeOmniTree))
        level *= omniReferenceDistance(degreesToRadiansFactor(), radius) / radius;
    std::vector<std::vector<double>> weights(rig.count(), std::vector<double>(static_cast<std::size_t>(rig.channels)));
    for (std::size_t m = 0; m < rig.count(); ++m)
        for (std::size_t c = 0; c < weights[m].size() && c < rig.mics[m].shares.size(); ++c)
            weights[m][c] = static_cast<double>(rig.mics[m].shares[c]) * level;
    return weights;
}

// The response from 0.1 s before the arrival at the centre to where the energy left after it has
// fallen 60 dB below the whole (Schroeder's backward integral); empty when it has none.
RoomResponse trimmed(RoomResponse response) {
    const std::int64_t earliest = -(response.format.rate / 10);
    if (response.start < earliest) {
        const auto cut =
            static_cast<std::size_t>(std::min<std::int64_t>(earliest - response.start, std::ssize(response.samples)));
        response.samples.erase(response.samples.begin(), response.samples.begin() + static_cast<std::ptrdiff_t>(cut));
        response.start = earliest;
    }
    double total = 0;
    for (const double v : response.samples) total += v * v;
    double left = total;
    std::size_t end = response.samples.size();
    for (; end > 0; --end) {
        const double last = response.samples[end - 1];
        if (left - last * last >= 1e-6 * total) break;
        left -= last * last;
    }
    response.samples.resize(total > 0 ? end : 0);
    return response;
}

// Adds `weight` times the response into `sum`, which grows to take it.
void addInto(RoomResponse& sum, const RoomResponse& r, double weight) {
    if (weight == 0 || r.samples.empty()) return;
    if (sum.samples.empty()) sum.start = r.start;
    const std::int64_t start = std::min(sum.start, r.start);
    const std::int64_t end = std::max(sum.start + std::ssize(sum.samples), r.start + std::ssize(r.samples));
    sum.samples.insert(sum.samples.begin(), static_cast<std::size_t>(sum.start - start), 0.0);
    sum.samples.resize(static_cast<std::size_t>(end - start), 0.0);
    sum.start = start;
    for (std::size_t i = 0; i < r.samples.size(); ++i)
        sum.samples[static_cast<std::size_t>(r.start - start) + i] += weight * r.samples[i];
}

double farthestMic(const Rig& rig) {
    double reach = 0;
    for (const RigMic& m : rig.mics) reach = std::max(reach, std::hypot(m.lateral, m.forward, m.up));
    return reach;
}

// One position's channels; false when the memory cannot be had.
bool positionResponses(const BandMixer& mixer, const ImageSet& set, const Rig& rig,
                       const std::vector<std::vector<double>>& weights, BandScratch& bands,
                       std::vector<RoomResponse>& channels) {
    channels.assign(static_cast<std::size_t>(rig.channels), RoomResponse{mixer.format, 0, {}});
    for (std::size_t m = 0; m < rig.count(); ++m) {
        bool heard = false;
        const auto response = renderMicBandTaps(mixer, set, rig.mics[m], bands, heard);
        if (!response) return false;
        if (!heard) continue;
        for (std::size_t c = 0; c < channels.size(); ++c) addInto(channels[c], *response, weights[m][c]);
    }
    for (RoomResponse& channel : channels) channel = trimmed(std::move(channel));
    return true;
}

}  // namespace

double roomResponseSeconds(const Room& room) {
    const BandValues eyring = eyringSeconds(room);
    double seconds = std::min(10.0, 1.6 * *std::max_element(eyring.begin(), eyring.end()) + 0.1);
    while (seconds > 0.2 && imageCountEstimate(room, seconds) > maxImages) seconds *= 0.9;
    return seconds;
}

RoomPoint roomSourceAt(const RoomField& field, long double degrees, double radius) {
    const SourcePlace place = sourceAtAngle(degrees, degreesToRadiansFactor(), radius);
    return {field.arrayAt.x + place.lateral, field.arrayAt.y + place.forward, field.sourceHeight};
}

namespace {

// What each array's responses are made with: its rig, its channels' weights and its mixer.
struct ArrayWork {
    Rig rig;
    std::vector<std::vector<double>> weights;
    std::shared_ptr<const BandMixer> mixer;
};

// An array's work, its mixer shared with an array before whose mixer has its size (making one
// weighs every bin of every band; they are made one after another, planning being not
// thread-safe).
ArrayWork arrayWork(const AnyArray& array, const ImageSet& shape, double radius, std::int32_t rate,
                    const std::vector<ArrayWork>& before) {
    ArrayWork work{rigOf(array), {}, nullptr};
    work.weights = channelWeights(array, work.rig, radius);
    const std::int64_t lastDirect = static_cast<std::int64_t>(std::ceil(2 * radius / soundSpeed * rate));
    const AudioFormat format{rate, 1};
    const std::int64_t span = setSpanFrames(shape, farthestMic(work.rig), rate) + lastDirect;
    for (const ArrayWork& other : before)
        if (other.mixer->transforms.size() == bandMixerSize(format, span)) work.mixer = other.mixer;
    if (!work.mixer) work.mixer = std::make_shared<const BandMixer>(format, span);
    return work;
}

// Array a's responses at position p from its images; false when the memory cannot be had.
bool respond(const std::vector<ArrayWork>& work, std::vector<RoomResponses>& out, std::size_t a, std::size_t p,
             const ImageSet& set, BandScratch& bands) {
    return work[a].mixer->valid() &&
           positionResponses(*work[a].mixer, set, work[a].rig, work[a].weights, bands, out[a].channels[p]);
}

// Every array's responses at every position, side by side; whether each position's were made.
std::vector<char> responsesOf(const std::vector<ImageRequest>& requests, const std::vector<ArrayWork>& work,
                              std::vector<RoomResponses>& out) {
    std::vector<char> done(requests.size(), 1);
    const int cores = partsFor(std::uint64_t{1} << 20, 0);
    if (std::ssize(requests) >= cores || work.size() < 2) {
        // A part a position: the images of each are found once for every array.
        const int parts = std::min<int>(static_cast<int>(requests.size()), cores);
        runParts(parts, [&](int k) {
            BandScratch bands;
            for (auto p = static_cast<std::size_t>(k); p < requests.size(); p += static_cast<std::size_t>(parts)) {
                const ImageSet set = imageSources(requests[p]);
                for (std::size_t a = 0; a < work.size() && done[p]; ++a) done[p] = respond(work, out, a, p, set, bands);
            }
        });
        return done;
    }
    // Fewer positions than cores (a stage's source is one): a part an array.
    const int parts = std::min<int>(static_cast<int>(work.size()), cores);
    for (std::size_t p = 0; p < requests.size(); ++p) {
        const ImageSet set = imageSources(requests[p]);
        std::vector<char> made(static_cast<std::size_t>(parts), 1);
        runParts(parts, [&](int k) {
            BandScratch bands;
            auto& ok = made[static_cast<std::size_t>(k)];
            for (auto a = static_cast<std::size_t>(k); a < work.size() && ok; a += static_cast<std::size_t>(parts))
                ok = respond(work, out, a, p, set, bands);
        });
        done[p] = std::find(made.begin(), made.end(), 0) == made.end();
    }
    return done;
}

// Each array's responses, or the one refusal for all when any position's could not be made.
std::vector<std::variant<RoomResponses, std::string>> outcomesOf(std::vector<RoomResponses>& out,
                                                                 const std::vector<char>& done) {
    using Outcome = std::variant<RoomResponses, std::string>;
    const bool had = std::find(done.begin(), done.end(), 0) == done.end();
    std::vector<Outcome> outcomes;
    for (RoomResponses& responses : out)
        outcomes.push_back(had ? Outcome{std::move(responses)}
                               : Outcome{std::string("there is not enough memory for the room's responses")});
    return outcomes;
}

}  // namespace

std::vector<std::variant<RoomResponses, std::string>> roomResponsesOf(std::span<const AnyArray> arrays,
                                                                      const RoomField& field,
                                                                      const SweepPositions& positions, double radius,
                                                                      std::int32_t rate) {
    using Outcome = std::variant<RoomResponses, std::string>;
    if (arrays.empty()) return {};
    std::vector<ImageRequest> requests;
    double reach = 0;
    for (const AnyArray& array : arrays) reach = std::max(reach, farthestMic(rigOf(array)));
    for (int p = 0; p < positions.count(); ++p) {
        const RoomPoint source = roomSourceAt(field, positions.degrees(p), radius);
        if (const auto refused = placementRefusal(field.room, source))
            return std::vector<Outcome>(arrays.size(), "the source at " +
                                                           std::to_string(static_cast<double>(positions.degrees(p))) +
                                                           " degrees would stand " +
                                                           (refused->clearance < 0 ? "beyond the " : "too near the ") +
                                                           std::string(surfaceName(refused->surface)));
        requests.push_back({field.room, source, field.arrayAt, roomResponseSeconds(field.room), reach, field.seed,
                            imageDisplacement, radius, field.air});
    }
    const ImageSet shape{field.arrayAt, 0, requests.empty() ? 0 : requests.front().seconds, {}, radius};
    std::vector<ArrayWork> work;
    std::vector<RoomResponses> out;
    for (const AnyArray& array : arrays) {
        work.push_back(arrayWork(array, shape, radius, rate, work));
        out.push_back({{rate, work.back().rig.channels}, std::vector<std::vector<RoomResponse>>(requests.size())});
    }
    return outcomesOf(out, responsesOf(requests, work, out));
}

std::variant<RoomResponses, std::string> roomResponses(const AnyArray& array, const RoomField& field,
                                                       const SweepPositions& positions, double radius,
                                                       std::int32_t rate) {
    return std::move(roomResponsesOf(std::span(&array, 1), field, positions, radius, rate).front());
}

}  // namespace auralith
