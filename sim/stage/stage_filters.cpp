#include "sim/stage/stage_filters.h"

#include <algorithm>
#include <new>
#include <utility>

#include "sim/fast/parallel.h"

namespace auralith {

namespace {

// Where the sound of every source and channel begins, direct and reflected, and how long it
// reaches from there; no span where nothing rings.
void reachOf(const RoomSweep& stage, StageFilters& f) {
    bool any = false;
    std::int64_t end = 0;
    const auto take = [&](std::int64_t first, std::int64_t length) {
        f.origin = any ? std::min(f.origin, first) : first;
        end = any ? std::max(end, first + length) : first + length;
        any = true;
    };
    for (std::size_t s = 0; s < stage.reflections.size(); ++s)
        for (const RoomResponse& r : stage.reflections[s])
            if (!r.samples.empty()) take(stage.plan.segments[s].start + r.start, std::ssize(r.samples));
    if (any)
        for (const PlanSegment& segment : stage.plan.segments)
            for (const auto& taps : segment.taps)
                for (const PlanTap& tap : taps) take(segment.start + tap.delay, 1);
    f.span = any ? end - f.origin : 0;
}

// The direct sound of source s in channel c as impulses: (frame, weight), the weight the tap's
// factor, and in the held mix its microphone's share at the mix's scale.
std::vector<std::pair<std::int64_t, double>> directImpulses(const RoomSweep& stage, std::size_t s, std::size_t c) {
    const RenderPlan& plan = stage.plan;
    const PlanSegment& segment = plan.segments[s];
    std::vector<std::pair<std::int64_t, double>> impulses;
    if (plan.mix == ChannelMix::folded) {
        for (const PlanTap& tap : segment.taps[c])
            impulses.emplace_back(segment.start + tap.delay, static_cast<double>(tap.factor));
        return impulses;
    }
    for (std::size_t mic = 0; mic < segment.taps.size(); ++mic)
        if (const long double share = plan.shares[mic][c]; share != 0)
            for (const PlanTap& tap : segment.taps[mic])
                impulses.emplace_back(segment.start + tap.delay, static_cast<double>(share * tap.factor * plan.scale));
    return impulses;
}

// The filter of source s in channel c: its response moved to where its sound starts with its
// direct sound, transformed, and scaled by its gain over N.
void makeFilter(const RoomSweep& stage, const StageFilters& f, std::size_t c, std::size_t s, double gain, double* real,
                std::complex<double>* filter) {
    const auto size = static_cast<std::size_t>(f.transforms->size());
    const RoomResponse& r = stage.reflections[s][c];
    std::fill(real, real + size, 0.0);
    std::copy(r.samples.begin(), r.samples.end(), real + (stage.plan.segments[s].start + r.start - f.origin));
    for (const auto& [at, weight] : directImpulses(stage, s, c)) real[at - f.origin] += weight;
    f.transforms->forward(real, filter);
    const double scale = gain / static_cast<double>(size);
    for (int k = 0; k < f.transforms->bins(); ++k) filter[k] *= scale;
}

}  // namespace

bool fillStageFilters(StageFilters& f, const RoomSweep& stage, std::span<const double> gains, std::int64_t n) {
    reachOf(stage, f);
    if (f.span <= 0) {
        f.transforms.reset();
        f.filters.clear();
        return true;
    }
    f.length = n + f.span - 1;
    // Two and a half times the responses, a multiple of 256 (roomTransformRoundTrip in bench/: from about twice the
    // responses up, an even transform costs a frame of output much the same, and the filters and
    // buffers grow with it); or, for a short recording, one block that holds every output.
    // Transforms kept from another array's stage do while at least half of each is outputs, or
    // they hold every output in one block.
    const std::int64_t wanted = std::max<std::int64_t>(std::min(5 * f.span / 2, f.span + f.length), 4096);
    if (!f.transforms || f.transforms->size() < std::min(2 * f.span, f.span + f.length)) {
        f.transforms = std::make_unique<RoomTransforms>(transformSizeAtLeast(wanted, 256));
        f.filters.clear();
    }
    if (!f.transforms->valid()) return false;
    f.step = f.transforms->size() - f.span + 1;
    const auto channels = static_cast<std::size_t>(stage.plan.format.channels);
    f.filters.resize(channels);
    std::vector<std::pair<std::size_t, std::size_t>> made;  // (channel, source)
    for (std::size_t c = 0; c < channels; ++c) {
        f.filters[c].resize(std::max(f.filters[c].size(), stage.reflections.size()));
        for (std::size_t s = 0; s < f.filters[c].size(); ++s) {
            auto& filter = f.filters[c][s];
            if (s >= stage.reflections.size() ||
                (stage.reflections[s][c].samples.empty() && directImpulses(stage, s, c).empty())) {
                filter.reset();
                continue;
            }
            if (!filter) filter = roomBuffer<std::complex<double>>(static_cast<std::size_t>(f.transforms->bins()));
            if (!filter) return false;
            made.emplace_back(c, s);
        }
    }
    // The transforms side by side, a buffer a part (FFTW runs a plan made before on any thread).
    const auto size = static_cast<std::size_t>(f.transforms->size());
    const int parts = std::min<int>(std::ssize(made), partsFor(std::uint64_t{1} << 20, 0));
    std::vector<char> done(static_cast<std::size_t>(std::max(parts, 1)), 1);
    runParts(parts, [&](int k) {
        auto real = roomBuffer<double>(size);
        done[static_cast<std::size_t>(k)] = real != nullptr;
        for (std::size_t m = static_cast<std::size_t>(k); real && m < made.size(); m += static_cast<std::size_t>(parts))
            makeFilter(stage, f, made[m].first, made[m].second, gains[made[m].second], real.get(),
                       f.filters[made[m].first][made[m].second].get());
    });
    return std::find(done.begin(), done.end(), 0) == done.end();
}

std::optional<StageFilters> stageFilters(const RoomSweep& stage, std::span<const double> gains, std::int64_t n) {
    StageFilters f;
    if (!fillStageFilters(f, stage, gains, n)) return std::nullopt;
    return f;
}

bool scratchFits(const StageScratch& scratch, const StageFilters& f) {
    return !f.rings() || (scratch.size == f.transforms->size() && scratch.products.size() == f.filters.size());
}

std::optional<StageScratch> stageScratch(const StageFilters& f) {
    if (!f.rings()) return StageScratch{};
    const auto bins = static_cast<std::size_t>(f.transforms->bins());
    StageScratch scratch{f.transforms->size(),
                         roomBuffer<double>(static_cast<std::size_t>(f.transforms->size())),
                         roomBuffer<std::complex<double>>(bins),
                         {},
                         {},
                         {}};
    if (!scratch.real || !scratch.input) return std::nullopt;
    try {
        scratch.samples.resize(static_cast<std::size_t>(f.transforms->size()));
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
    for (std::size_t c = 0; c < f.filters.size(); ++c)
        if (!scratch.products.emplace_back(roomBuffer<std::complex<double>>(bins))) return std::nullopt;
    return scratch;
}

namespace {

// product[k] += in[k] * h[k], written out in real and imaginary parts: the same sums as
// std::complex's (ac - bd, ad + bc) without its check for infinities, which keeps the loop from
// running two bins at a time. `First`: the product's first term, added to zero rather than to
// what the buffer holds (the same values as a product zeroed before, with no pass to zero it).
template <bool First>
void multiplyAdd(const std::complex<double>* in, const std::complex<double>* h, std::size_t bins,
                 std::complex<double>* product) {
    const auto* a = reinterpret_cast<const double*>(in);
    const auto* b = reinterpret_cast<const double*>(h);
    auto* p = reinterpret_cast<double*>(product);
    for (std::size_t k = 0; k < 2 * bins; k += 2) {
        const double re = a[k] * b[k] - a[k + 1] * b[k + 1];
        const double im = a[k] * b[k + 1] + a[k + 1] * b[k];
        p[k] = (First ? 0.0 : p[k]) + re;
        p[k + 1] = (First ? 0.0 : p[k + 1]) + im;
    }
}

// Whether any channel hears the source's reflections.
bool heard(const StageFilters& f, std::size_t s) {
    for (const auto& channel : f.filters)
        if (channel[s] != nullptr) return true;
    return false;
}

}  // namespace

bool stageReflections(const StageFilters& f, const StageTracks& x, std::int64_t first, std::int64_t count,
                      StageScratch& scratch, std::vector<std::vector<double>>& wet) {
    const std::int64_t j0 = first - f.origin;
    const bool reached = f.rings() && j0 + count > 0 && j0 < f.length;
    wet.resize(f.filters.size());
    for (auto& channel : wet) channel.resize(static_cast<std::size_t>(count));
    if (!reached) {
        for (auto& channel : wet) std::fill(channel.begin(), channel.end(), 0.0);
        return true;
    }
    const std::int64_t size = f.transforms->size();
    const auto bins = static_cast<std::size_t>(f.transforms->bins());
    double* real = scratch.real.get();
    std::vector<char> written(wet.size(), 0);
    // Each source's block, x[j0 - (M - 1) .. j0 - (M - 1) + N) zero outside its recording, is
    // transformed and added into every channel that hears it.
    for (std::size_t s = 0; s < x.count; ++s) {
        if (!heard(f, s)) continue;
        if (!trackBlock(x, s, j0 - (f.span - 1), size, scratch.samples.data(), real)) return false;
        f.transforms->forward(real, scratch.input.get());
        for (std::size_t c = 0; c < wet.size(); ++c)
            if (const std::complex<double>* h = f.filters[c][s].get(); h != nullptr) {
                (written[c] != 0 ? multiplyAdd<false> : multiplyAdd<true>)(scratch.input.get(), h, bins,
                                                                           scratch.products[c].get());
                written[c] = 1;
            }
    }
    // The frames [from, to) of the block the reflections reach; silence either side.
    const std::int64_t from = std::max<std::int64_t>(0, -j0), to = std::min(count, f.length - j0);
    for (std::size_t c = 0; c < wet.size(); ++c) {
        std::complex<double>* product = scratch.products[c].get();
        if (written[c] == 0) std::fill(product, product + bins, std::complex<double>());
        f.transforms->inverse(product, real);
        std::fill(wet[c].begin(), wet[c].begin() + from, 0.0);
        std::copy(real + f.span - 1 + from, real + f.span - 1 + to, wet[c].begin() + from);
        std::fill(wet[c].begin() + to, wet[c].end(), 0.0);
    }
    return true;
}

}  // namespace auralith
