// Helpers shared by the test programs: scratch folders, files as bytes, digests.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace auralith::testing {

// Whether this build runs under AddressSanitizer (GCC says so by a macro, clang by a feature),
// which takes over memory limits and keeps freed memory in quarantine.
#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool underAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
inline constexpr bool underAddressSanitizer = true;
#else
inline constexpr bool underAddressSanitizer = false;
#endif
#else
inline constexpr bool underAddressSanitizer = false;
#endif

// A fresh empty folder under the system's temporary folder, removed when destroyed.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::string file(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

// The two ears of a stereo signal (interleaved by frame) over frames [from, to), measured by brute
// force: the lag within +-widest at which the cross-correlation of left[i] and right[i + lag] is
// largest, and 10 log10 of the left ear's energy over the right one's.
struct MeasuredEars {
    int lag = 0;
    double ildDb = 0;
};
MeasuredEars measureEars(const std::vector<std::int16_t>& stereo, std::size_t from, std::size_t to, int widest);

// White noise of the given level, the same on every run.
std::vector<std::int16_t> whiteNoise(std::size_t count, double level, std::uint32_t seed = 1);

std::vector<std::uint8_t> readBytes(const std::string& path);

// A command line's arguments: the words of `line` between single blanks.
std::vector<std::string> words(const std::string& line);

// Every file of a folder by name, its bytes as a string; none where the folder is missing.
std::map<std::string, std::string> filesIn(const std::string& folder);
void writeBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);

// A canonical mono WAVE file: 44-byte header with the given fields, then the samples.
std::vector<std::uint8_t> monoWaveBytes(const std::vector<std::int16_t>& samples, std::int16_t channels = 1,
                                        std::int32_t rate = 44100, std::int16_t bits = 16);

// A RIFF/WAVE file of other layouts than the canonical one: "RIFF", its size, "WAVE", then the
// chunks in the order given, each padded to an even length unless `padded` is false.
struct RiffChunk {
    std::string tag;  // four characters
    std::vector<std::uint8_t> body;
    bool padded = true;
    std::uint32_t statedSize = 0;  // the size its header states; 0: the body's own
};
std::vector<std::uint8_t> riffWaveBytes(const std::vector<RiffChunk>& chunks);

// A format chunk's body: the 16 bytes of PCM (format 1) and `extra` zero bytes after them (18 bytes
// in all with the extension's size field), or the 40 bytes of WAVE_FORMAT_EXTENSIBLE with the
// given subformat code (1 PCM, 3 floating point).
std::vector<std::uint8_t> pcmFormatBody(std::int16_t channels, std::int32_t rate, std::int16_t bits,
                                        std::size_t extra = 0);
std::vector<std::uint8_t> extensibleFormatBody(std::int16_t channels, std::int32_t rate, std::int16_t bits,
                                               std::uint16_t subformat);

// The samples as a data chunk's body, low byte first.
std::vector<std::uint8_t> sampleBytes(const std::vector<std::int16_t>& samples);

// SHA-256 of a byte run, as 64 lowercase hexadecimal digits.
std::string sha256Hex(const void* data, std::size_t length);
std::string sha256Hex(const std::vector<std::uint8_t>& bytes);

}  // namespace auralith::testing

namespace auralith::testing {

// The fixed recording behind the golden digests: 3000 samples of a triangle wave with noise,
// reaching 32767 and -32768, made with integer arithmetic only.
std::vector<std::int16_t> goldenRecording();

// Output-file digests of the golden recording, choices 1 to 6 (index 0 is choice 1).
extern const char* const goldenDigests[6];

}  // namespace auralith::testing
