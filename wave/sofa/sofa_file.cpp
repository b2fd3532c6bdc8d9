#include "wave/sofa/sofa_file.h"

#include <new>

#include "wave/files/file_access.h"
#include "wave/files/limited_child.h"
#include "wave/sofa/sofa_answer.h"
#include "wave/sofa/sofa_load.h"

namespace auralith {
namespace {

constexpr const char* damaged = ": it is damaged or not a SOFA file";

// What became of a child that gave no usable answer, in words.
std::string endingWords(const ChildEnding& ending, const SofaLimits& limits) {
    using Kind = ChildEnding::Kind;
    switch (ending.kind) {
        case Kind::notStarted: return "no process to read it could be started: " + errorText(ending.code);
        case Kind::outOfTime:
            return "libmysofa did not finish reading it within " + std::to_string(limits.cpuSeconds) +
                   " s of processor time" + damaged;
        case Kind::signalled:
            return "libmysofa crashed reading it (signal " + std::to_string(ending.code) + ")" + damaged;
        case Kind::failed:
            return "libmysofa failed reading it (exit status " + std::to_string(ending.code) + ")" + damaged;
        case Kind::answered:
        case Kind::unreadable: break;
    }
    return std::string("libmysofa's reading of it gave no usable answer") + damaged;
}

}  // namespace

std::variant<SofaResponses, std::string> readSofaResponses(const std::string& name, std::int32_t rate,
                                                           const SofaLimits& limits) {
    OpenedFile opened = openForReadingOrSayWhy(name);
    if (!opened.file) return opened.why;
    if (opened.file->length() == 0) return std::string("it is empty");
    // The child opens the file this process holds open, whatever has become of its name since.
    const std::string path = opened.file->openedFileName();
    const std::uint64_t named = childMemoryIsLimited() ? limits.memoryBytes : 0;
    std::optional<SofaAnswer> answer;
    bool memory = true;
    const ChildEnding ending = runLimitedChild(
        [&](int fd) {
            return writeSofaAnswer(fd, loadSofaResponses(path, rate, limits.longestResponse, named)) ? 0 : 1;
        },
        [&](int fd) {
            try {
                answer = readSofaAnswer(fd, rate, limits.longestResponse, limits.memoryBytes);
            } catch (const std::bad_alloc&) {
                memory = false;
            }
            return answer.has_value();
        },
        {limits.cpuSeconds, limits.memoryBytes});
    if (ending.kind == ChildEnding::Kind::answered) return std::move(*answer);
    if (!memory) return std::string("there is not enough memory for this SOFA file's responses");
    return endingWords(ending, limits);
}

}  // namespace auralith
