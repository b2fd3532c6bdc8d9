#include "job/compare/response_files.h"

#include <algorithm>
#include <new>

#include "job/compare/file_names.h"
#include "job/compare/output_folder.h"
#include "wave/float_wave.h"

#ifdef AURALITH_ROOM_RENDER
#include "sim/room_render/room_sweep.h"
#endif

namespace auralith {

namespace {

// Every array's response files, array after array, position after position.
std::vector<std::string> responsePaths(const CompareOptions& options, const ResponsePlace& place,
                                       const std::vector<ArrayResult>& arrays) {
    std::vector<std::string> paths;
    const int count = options.positions.count();
    for (const ArrayResult& r : arrays)
        for (int p = 0; p < count; ++p)
            paths.push_back(pathIn(place.folder, responseFileName(place.stem, r.array.slug, p, count)));
    return paths;
}

#ifdef AURALITH_ROOM_RENDER

// One array's responses into the files from `path` on; nothing, or the refusal.
std::optional<FileRefusal> writeArrayResponses(const CompareOptions& options, const ResponsePlace& place,
                                               const AnyArray& array, const InputWave& wave, double gain,
                                               std::vector<std::string>::const_iterator path) {
    const RoomRun& room = *place.room;
    auto responses = roomResponses(array, room.field, options.positions, room.distance, wave.sampleRate);
    if (auto* why = std::get_if<std::string>(&responses)) return FileRefusal{*path, std::move(*why)};
    RoomSweep sweep = roomSweep(array, room.field, std::get<RoomResponses>(std::move(responses)), wave.sampleCount,
                                options.positions, room.distance);
    // As the render places it: the response then carries the room's gain the render has.
    if (place.aligned != nullptr) placeSweep(sweep, place.aligned->layout, place.aligned->gain);
    for (int p = 0; p < options.positions.count(); ++p, ++path) {
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
        if (const WriteOutcome w = writeFloatWave(*path, samples, channels, wave.sampleRate, ReplaceMode::nameItself);
            !w)
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

std::optional<FileRefusal> writeResponseFiles(const CompareOptions& options, const ResponsePlace& place,
                                              const std::vector<ArrayResult>& arrays, const InputWave& wave,
                                              double gain) {
    if (!options.responses || place.room == nullptr) return std::nullopt;
    const std::vector<std::string> paths = responsePaths(options, place, arrays);
    if (const auto over = outputOverInput(options.input, paths))
        return FileRefusal{*over, "this output would replace the input file; choose another folder with -o"};
    for (const std::string& path : paths)
        if (const int refused = nameRefusal(path); refused != 0) return FileRefusal{path, errorText(refused)};
#ifdef AURALITH_ROOM_RENDER
    for (std::size_t k = 0; k < arrays.size(); ++k)
        if (auto refused =
                writeArrayResponses(options, place, arrays[k].array.model, wave, gain,
                                    paths.begin() + static_cast<std::ptrdiff_t>(k) * options.positions.count()))
            return refused;
    return std::nullopt;
#else
    (void)wave, (void)gain;
    return FileRefusal{place.folder, "this build renders no rooms (it was built without FFTW3)"};
#endif
}

}  // namespace auralith
