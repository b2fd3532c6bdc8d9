#include "job/compare/response_files.h"

#include <algorithm>
#include <new>
#include <span>

#include "job/compare/file_names.h"
#include "job/compare/output_folder.h"
#include "wave/float_wave.h"

namespace auralith {

namespace {

// Every array's response files, array after array, position after position.
std::vector<std::string> responsePaths(const ResponsePlace& place, const std::vector<ArrayResult>& arrays) {
    std::vector<std::string> paths;
    for (const ArrayResult& r : arrays)
        for (const std::string& file : r.responseFiles) paths.push_back(pathIn(place.folder, file));
    return paths;
}

#ifdef AURALITH_ROOM_RENDER

// One array's responses, from its sweep, into the files from `path` on; nothing, or the refusal.
std::optional<FileRefusal> writeArrayResponses(const RoomSweep& sweep, std::int32_t rate, double guard,
                                               std::span<const double> levels,
                                               std::vector<std::string>::const_iterator path) {
    for (int p = 0; p < std::ssize(sweep.plan.segments); ++p, ++path) {
        const double gain = p < std::ssize(levels) ? guard * levels[static_cast<std::size_t>(p)] : guard;
        std::vector<float> samples;
        int channels = 0;
        try {
            const MixedResponse mixed = mixedResponse(sweep, p);
            channels = mixed.format.channels;
            samples.resize(mixed.samples.size());
            std::transform(mixed.samples.begin(), mixed.samples.end(), samples.begin(),
                           [gain](double s) { return static_cast<float>(s * gain); });
        } catch (const std::bad_alloc&) {
            return FileRefusal{*path, "there is not enough memory for this response"};
        }
        if (const WriteOutcome w = writeFloatWave(*path, samples, channels, rate, ReplaceMode::nameItself); !w)
            return FileRefusal{*path, errorText(w.error)};
    }
    return std::nullopt;
}

#endif

}  // namespace

std::string responseFileName(std::string_view stem, std::string_view slug, int position, int count) {
    std::string digits = std::to_string(position);
    const std::size_t width = std::max<std::size_t>(2, std::to_string(std::max(count - 1, 0)).size());
    digits.insert(0, width - std::min(width, digits.size()), '0');
    return std::string(stem) + "-" + std::string(slug) + "-response-p" + digits + ".wav";
}

std::optional<FileRefusal> writeResponseFiles(const ResponsePlace& place, const std::vector<ArrayResult>& arrays,
                                              std::int32_t rate, double gain) {
    if (place.sweeps.empty()) return std::nullopt;
    const std::vector<std::string> paths = responsePaths(place, arrays);
    for (const std::string& input : place.inputs)
        if (const auto over = outputOverInput(input, paths))
            return FileRefusal{*over, "this output would replace the input file; choose another folder with -o"};
    for (const std::string& path : paths)
        if (const int refused = nameRefusal(path); refused != 0) return FileRefusal{path, errorText(refused)};
#ifdef AURALITH_ROOM_RENDER
    auto path = paths.begin();
    for (std::size_t k = 0; k < arrays.size() && k < place.sweeps.size(); ++k) {
        if (place.progress != nullptr) place.progress->show(static_cast<int>(k), arrays[k].array.name, 0.0);
        if (auto refused = writeArrayResponses(*place.sweeps[k], rate, gain, place.levels, path)) return refused;
        path += std::ssize(arrays[k].responseFiles);
    }
    return std::nullopt;
#else
    (void)rate, (void)gain;
    return FileRefusal{place.folder, "this build renders no rooms (it was built without FFTW3)"};
#endif
}

}  // namespace auralith
