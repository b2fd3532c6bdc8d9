// libmysofa's part of reading a head, done in the child process that readSofaResponses starts:
// the file loaded and checked, every value checked for a finite number, the length checked
// before any resampling, the responses brought to the rate asked for with their delays.
#pragma once

#include <cstdint>
#include <string>
#include <variant>

#include "wave/sofa/sofa_file.h"

namespace auralith {

// The responses of the SOFA file at `path` at `rate`, none longer than `longest` taps with its
// delay; or why not, one line. `memoryLimit` is the limit the process runs under (0: none),
// named when the memory runs out.
std::variant<SofaResponses, std::string> loadSofaResponses(const std::string& path, std::int32_t rate, int longest,
                                                           std::uint64_t memoryLimit);

// "2 GiB", "512 MiB": a limit of memory in words.
std::string memoryAmount(std::uint64_t bytes);

}  // namespace auralith
