// The output file built where it will lie: an unnamed file in the output's folder, given its
// whole length on disk and mapped into memory, with the header in place and the samples lent to
// the render, zero. The render fills the file's own pages, so no copy of the samples is made and
// written afterwards; `commit` then puts the file under its name. A file never committed leaves
// nothing behind, whenever the program ends.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "wave/files/file_access.h"

namespace auralith {

class OutputInPlace {
public:
    // Empty where the file cannot be built so: a device or FIFO, a name the writer would refuse,
    // a file system that cannot reserve or map the space, Windows, a big-endian host. The caller
    // then renders into memory and uses writeOutputWave, which makes the same file.
    static std::optional<OutputInPlace> create(const std::string& fileName, std::int32_t frames,
                                               std::int32_t sampleRate, std::int16_t bitsPerSample,
                                               ReplaceMode mode = ReplaceMode::followLinks);

    OutputInPlace(OutputInPlace&& other) noexcept;
    OutputInPlace& operator=(OutputInPlace&& other) noexcept;
    ~OutputInPlace();

    // The 2 * frames samples, interleaved by frame, left first; zero until the render fills them.
    std::span<std::int16_t> samples();
    std::span<const std::int16_t> samples() const;
    std::int32_t frames() const { return frames_; }

    // Whether the samples are lost: a page of the file failed while it was filled (the file was
    // shrunk from outside, or its file system could not supply the page). The render then went
    // on into zeroed memory rather than ending the program; the caller renders again in memory
    // and uses writeOutputWave. Such a file is never committed, and its samples are never
    // written under any name.
    bool failed() const;

    // Puts the file under its name, replacing a file there by the writer's rules (permission bits
    // kept, symbolic links as `mode` says, read-only files refused); true only when it is there. Tried
    // once: afterwards the file has no name for good, and its samples stay readable until this is
    // destroyed, so that they can be written under another name.
    WriteOutcome commit();

    // Writes frames from `first` on (2 samples each) into the file without touching its pages in
    // memory: see MappedReplacement::writeAt. The error, or 0.
    int writeFrames(std::int64_t first, std::span<const std::int16_t> samples);

private:
    OutputInPlace(std::unique_ptr<MappedReplacement> file, std::int32_t frames);

    std::unique_ptr<MappedReplacement> file_;
    std::int32_t frames_ = 0;
};

}  // namespace auralith
