// The recording convolved with long responses by FFTW's overlap-save: the recording's blocks are
// transformed once, and every response (each position's, each channel's) is applied to the same
// transforms, one inverse transform a block.
#pragma once

#include <complex>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "sim/room/room_transforms.h"

namespace auralith {

struct RecordingSpectra {
    std::int64_t samples = 0;                    // the recording's n
    std::int64_t longest = 0;                    // M: the longest response it takes
    std::int64_t step = 0;                       // L = N - M + 1: the outputs each block gives
    std::unique_ptr<RoomTransforms> transforms;  // of size N
    std::vector<std::complex<double>> blocks;    // block b's N / 2 + 1 bins at [b * bins]

    std::int64_t blockCount() const { return transforms ? std::ssize(blocks) / transforms->bins() : 0; }
};

// The recording's transforms for responses of up to `longest` frames; nothing when the memory
// cannot be had. Made before any thread starts (planning is not thread-safe).
std::optional<RecordingSpectra> recordingSpectra(std::span<const std::int16_t> x, std::int64_t longest);

// The recording convolved with the response: n + size - 1 values, the first at the response's
// first frame; nothing for a response longer than the spectra take or memory that cannot be had.
// Any number of threads may convolve at once.
std::optional<std::vector<double>> convolveRecording(const RecordingSpectra& spectra, std::span<const double> response);

// One thread's buffers for its convolutions, made once and kept from response to response: on
// this machine first touching fresh memory costs more than the transforms themselves.
struct ConvolutionScratch {
    RoomBuffer<double> real;
    RoomBuffer<std::complex<double>> filter;
    RoomBuffer<std::complex<double>> product;
};

// Nothing when the memory cannot be had.
std::optional<ConvolutionScratch> convolutionScratch(const RecordingSpectra& spectra);

// The same convolution into `out` (resized to n + size - 1, its memory kept); false for a
// response longer than the spectra take or memory that cannot be had.
bool convolveRecordingInto(const RecordingSpectra& spectra, std::span<const double> response,
                           ConvolutionScratch& scratch, std::vector<double>& out);

}  // namespace auralith
