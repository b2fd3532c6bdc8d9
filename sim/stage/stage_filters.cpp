#include "sim/stage/stage_filters.h"

#include <algorithm>
#include <limits>

namespace auralith {

namespace {

// Where the reflections of every source and channel begin, and how long they reach from there.
void reachOf(const RoomSweep& stage, StageFilters& f) {
    f.origin = std::numeric_limits<std::int64_t>::max();
    std::int64_t end = std::numeric_limits<std::int64_t>::min();
    for (std::size_t s = 0; s < stage.reflections.size(); ++s)
        for (const RoomResponse& r : stage.reflections[s]) {
            if (r.samples.empty()) continue;
            const std::int64_t first = stage.plan.segments[s].start + r.start;
            f.origin = std::min(f.origin, first);
            end = std::max(end, first + std::ssize(r.samples));
        }
    f.span = end - f.origin;
}

}  // namespace

std::optional<StageFilters> stageFilters(const RoomSweep& stage, std::span<const double> gains, std::int64_t n) {
    StageFilters f;
    reachOf(stage, f);
    if (f.span <= 0) return f;
    f.length = n + f.span - 1;
    // Four times the responses: three quarters of each inverse transform are outputs.
    f.transforms = std::make_unique<RoomTransforms>(transformSizeAtLeast(std::max<std::int64_t>(4 * f.span, 4096)));
    if (!f.transforms->valid()) return std::nullopt;
    const auto size = static_cast<std::size_t>(f.transforms->size());
    const auto bins = static_cast<std::size_t>(f.transforms->bins());
    f.step = static_cast<std::int64_t>(size) - f.span + 1;
    auto real = roomBuffer<double>(size);
    if (!real) return std::nullopt;
    const auto channels = static_cast<std::size_t>(stage.plan.format.channels);
    f.filters.resize(channels);
    const double over = 1.0 / static_cast<double>(size);
    for (std::size_t c = 0; c < channels; ++c)
        for (std::size_t s = 0; s < stage.reflections.size(); ++s) {
            auto& filter = f.filters[c].emplace_back();
            const RoomResponse& r = stage.reflections[s][c];
            if (r.samples.empty()) continue;
            filter = roomBuffer<std::complex<double>>(bins);
            if (!filter) return std::nullopt;
            std::fill(real.get(), real.get() + size, 0.0);
            const std::int64_t at = stage.plan.segments[s].start + r.start - f.origin;
            std::copy(r.samples.begin(), r.samples.end(), real.get() + at);
            f.transforms->forward(real.get(), filter.get());
            for (std::size_t k = 0; k < bins; ++k) filter[k] *= gains[s] * over;
        }
    return f;
}

std::optional<StageScratch> stageScratch(const StageFilters& f, std::size_t sources) {
    if (!f.rings()) return StageScratch{};
    const auto bins = static_cast<std::size_t>(f.transforms->bins());
    StageScratch scratch{
        roomBuffer<double>(static_cast<std::size_t>(f.transforms->size())), {}, roomBuffer<std::complex<double>>(bins)};
    if (!scratch.real || !scratch.product) return std::nullopt;
    for (std::size_t s = 0; s < sources; ++s)
        if (!scratch.inputs.emplace_back(roomBuffer<std::complex<double>>(bins))) return std::nullopt;
    return scratch;
}

void stageReflections(const StageFilters& f, std::span<const std::span<const std::int16_t>> x, std::int64_t first,
                      std::int64_t count, StageScratch& scratch, std::vector<std::vector<double>>& wet) {
    for (auto& channel : wet) channel.assign(static_cast<std::size_t>(count), 0.0);
    const std::int64_t j0 = first - f.origin;
    if (!f.rings() || j0 + count <= 0 || j0 >= f.length) return;
    const std::int64_t size = f.transforms->size();
    const auto bins = static_cast<std::size_t>(f.transforms->bins());
    double* real = scratch.real.get();
    // The block holds each recording's samples j0 - (M - 1) .. j0 - (M - 1) + N, zero outside it.
    for (std::size_t s = 0; s < x.size(); ++s) {
        const std::int64_t from = j0 - (f.span - 1);
        for (std::int64_t i = 0; i < size; ++i) {
            const std::int64_t k = from + i;
            real[i] = k >= 0 && k < std::ssize(x[s]) ? x[s][static_cast<std::size_t>(k)] : 0.0;
        }
        f.transforms->forward(real, scratch.inputs[s].get());
    }
    std::complex<double>* product = scratch.product.get();
    for (std::size_t c = 0; c < wet.size(); ++c) {
        std::fill(product, product + bins, std::complex<double>());
        bool any = false;
        for (std::size_t s = 0; s < x.size(); ++s) {
            const std::complex<double>* h = f.filters[c][s].get();
            if (h == nullptr) continue;
            const std::complex<double>* in = scratch.inputs[s].get();
            for (std::size_t k = 0; k < bins; ++k) product[k] += in[k] * h[k];
            any = true;
        }
        if (!any) continue;
        f.transforms->inverse(product, real);
        for (std::int64_t k = std::max<std::int64_t>(0, -j0); k < count && j0 + k < f.length; ++k)
            wet[c][static_cast<std::size_t>(k)] = real[f.span - 1 + k];
    }
}

}  // namespace auralith
