// The reading child's answer as it crosses the pipe: the finished responses, or the reason why
// there are none. The reader checks every length, since a child that went wrong may have
// written anything.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>

#include "wave/sofa/sofa_file.h"

namespace auralith {

using SofaAnswer = std::variant<SofaResponses, std::string>;

// Writes the answer to `fd`; false when it cannot be written whole.
bool writeSofaAnswer(int fd, const SofaAnswer& answer);

// The answer read from `fd` as the child writes it, the responses straight into their arrays;
// nothing when it is not an answer for `rate` with responses of at most `longest` taps and
// `largest` bytes. May throw std::bad_alloc.
std::optional<SofaAnswer> readSofaAnswer(int fd, std::int32_t rate, int longest, std::uint64_t largest);

}  // namespace auralith
