#include "job/compare/file_names.h"

namespace auralith {

std::string stemOf(std::string_view input) {
    std::string_view base = baseNameOf(input);
    const std::size_t dot = base.rfind('.');
    if (dot != std::string_view::npos && dot > 0) base = base.substr(0, dot);
    return std::string(base);
}

std::string audioFileName(std::string_view stem, std::string_view slug) {
    return std::string(stem) + "-" + std::string(slug) + ".wav";
}

std::string labelFileName(std::string_view stem, std::string_view slug) {
    return std::string(stem) + "-" + std::string(slug) + ".txt";
}

std::string_view baseNameOf(std::string_view path) {
    // Both separators on every platform, so that one command line names the same files anywhere.
    const std::size_t slash = path.find_last_of("/\\");
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::string headphonesFileName(std::string_view stem, std::string_view slug) {
    return std::string(stem) + "-" + std::string(slug) + "-headphones.wav";
}

std::string pathIn(std::string_view folder, std::string_view file) {
    std::string path(folder);
    if (!path.empty() && path.back() != '/' && path.back() != '\\') path += '/';
    return path + std::string(file);
}

}  // namespace auralith
