#include "support/test_support.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

namespace auralith::testing {

ScratchDir::ScratchDir() {
    std::random_device entropy;
    for (int attempt = 0; attempt < 100; ++attempt) {
        auto candidate = std::filesystem::temp_directory_path() / ("auralith-test-" + std::to_string(entropy()));
        if (std::filesystem::create_directory(candidate)) {
            path_ = candidate;
            return;
        }
    }
    throw std::runtime_error("no scratch folder");
}

ScratchDir::~ScratchDir() {
    std::error_code ignored;
    // Restore write permission on anything a test made read-only, then remove the whole tree.
    for (auto it = std::filesystem::recursive_directory_iterator(path_, ignored);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ignored)) {
        std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all, std::filesystem::perm_options::add,
                                     ignored);
    }
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(path_, ignored);
}

std::vector<std::string> words(const std::string& line) {
    std::vector<std::string> args;
    for (std::size_t at = 0; at < line.size();) {
        const std::size_t end = std::min(line.find(' ', at), line.size());
        args.push_back(line.substr(at, end - at));
        at = end + 1;
    }
    return args;
}

std::map<std::string, std::string> filesIn(const std::string& folder) {
    std::map<std::string, std::string> files;
    if (std::filesystem::exists(folder))
        for (const auto& entry : std::filesystem::directory_iterator(folder)) {
            const std::vector<std::uint8_t> bytes = readBytes(entry.path().string());
            files[entry.path().filename().string()] = std::string(bytes.begin(), bytes.end());
        }
    return files;
}

std::vector<std::uint8_t> readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

namespace {

void put16(std::vector<std::uint8_t>& out, std::size_t at, std::uint16_t v) {
    out[at] = static_cast<std::uint8_t>(v);
    out[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

void put32(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
}

}  // namespace

std::vector<std::uint8_t> riffWaveBytes(const std::vector<RiffChunk>& chunks) {
    std::vector<std::uint8_t> out = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'};
    for (const RiffChunk& chunk : chunks) {
        const std::size_t at = out.size();
        out.insert(out.end(), chunk.tag.begin(), chunk.tag.end());
        out.resize(at + 8);
        put32(out, at + 4, chunk.statedSize != 0 ? chunk.statedSize : static_cast<std::uint32_t>(chunk.body.size()));
        out.insert(out.end(), chunk.body.begin(), chunk.body.end());
        if (chunk.padded && chunk.body.size() % 2 != 0) out.push_back(0);
    }
    put32(out, 4, static_cast<std::uint32_t>(out.size() - 8));
    return out;
}

std::vector<std::uint8_t> pcmFormatBody(std::int16_t channels, std::int32_t rate, std::int16_t bits,
                                        std::size_t extra) {
    std::vector<std::uint8_t> body(16 + extra, 0);
    const auto blockAlign = static_cast<std::uint16_t>(channels * bits / 8);
    put16(body, 0, 1);
    put16(body, 2, static_cast<std::uint16_t>(channels));
    put32(body, 4, static_cast<std::uint32_t>(rate));
    put32(body, 8, static_cast<std::uint32_t>(rate) * blockAlign);
    put16(body, 12, blockAlign);
    put16(body, 14, static_cast<std::uint16_t>(bits));
    return body;
}

std::vector<std::uint8_t> extensibleFormatBody(std::int16_t channels, std::int32_t rate, std::int16_t bits,
                                               std::uint16_t subformat) {
    std::vector<std::uint8_t> body = pcmFormatBody(channels, rate, bits, 24);
    put16(body, 0, 0xFFFE);
    put16(body, 16, 22);                                // the extension's size
    put16(body, 18, static_cast<std::uint16_t>(bits));  // valid bits
    put32(body, 20, channels == 1 ? 0x4 : 0x3);         // front centre, or front left and right
    const std::uint8_t guidTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                       0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
    put16(body, 24, subformat);
    std::copy(std::begin(guidTail), std::end(guidTail), body.begin() + 26);
    return body;
}

std::vector<std::uint8_t> sampleBytes(const std::vector<std::int16_t>& samples) {
    std::vector<std::uint8_t> out(2 * samples.size());
    for (std::size_t i = 0; i < samples.size(); ++i) put16(out, 2 * i, static_cast<std::uint16_t>(samples[i]));
    return out;
}

std::vector<std::uint8_t> monoWaveBytes(const std::vector<std::int16_t>& samples, std::int16_t channels,
                                        std::int32_t rate, std::int16_t bits) {
    const auto dataSize = static_cast<std::uint32_t>(samples.size() * 2);
    std::vector<std::uint8_t> out(44 + dataSize, 0);
    const char* tags[] = {"RIFF", "WAVE", "fmt ", "data"};
    const std::size_t tagAt[] = {0, 8, 12, 36};
    for (int t = 0; t < 4; ++t)
        for (int i = 0; i < 4; ++i) out[tagAt[t] + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(tags[t][i]);
    put32(out, 4, dataSize + 36);
    put32(out, 16, 16);
    put16(out, 20, 1);
    put16(out, 22, static_cast<std::uint16_t>(channels));
    put32(out, 24, static_cast<std::uint32_t>(rate));
    const auto blockAlign = static_cast<std::uint16_t>(channels * bits / 8);
    put32(out, 28, static_cast<std::uint32_t>(rate) * blockAlign);
    put16(out, 32, blockAlign);
    put16(out, 34, static_cast<std::uint16_t>(bits));
    put32(out, 40, dataSize);
    for (std::size_t i = 0; i < samples.size(); ++i) put16(out, 44 + 2 * i, static_cast<std::uint16_t>(samples[i]));
    return out;
}

// SHA-256 as published in FIPS 180-4.
std::string sha256Hex(const void* data, std::size_t length) {
    static constexpr std::array<std::uint32_t, 64> k = {
        0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
        0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
        0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
        0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
        0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
        0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
        0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
        0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2};
    std::array<std::uint32_t, 8> h = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                                      0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};
    auto rotr = [](std::uint32_t x, int n) { return (x >> n) | (x << (32 - n)); };
    auto block = [&](const std::uint8_t* p) {
        std::array<std::uint32_t, 64> w{};
        for (int i = 0; i < 16; ++i)
            w[i] = (std::uint32_t{p[4 * i]} << 24) | (std::uint32_t{p[4 * i + 1]} << 16) |
                   (std::uint32_t{p[4 * i + 2]} << 8) | std::uint32_t{p[4 * i + 3]};
        for (int i = 16; i < 64; ++i) {
            const std::uint32_t s0 = rotr(w[i - 15], 7) ^ rotr(w[i - 15], 18) ^ (w[i - 15] >> 3);
            const std::uint32_t s1 = rotr(w[i - 2], 17) ^ rotr(w[i - 2], 19) ^ (w[i - 2] >> 10);
            w[i] = w[i - 16] + s0 + w[i - 7] + s1;
        }
        auto v = h;
        for (int i = 0; i < 64; ++i) {
            const std::uint32_t s1 = rotr(v[4], 6) ^ rotr(v[4], 11) ^ rotr(v[4], 25);
            const std::uint32_t ch = (v[4] & v[5]) ^ (~v[4] & v[6]);
            const std::uint32_t t1 = v[7] + s1 + ch + k[i] + w[i];
            const std::uint32_t s0 = rotr(v[0], 2) ^ rotr(v[0], 13) ^ rotr(v[0], 22);
            const std::uint32_t maj = (v[0] & v[1]) ^ (v[0] & v[2]) ^ (v[1] & v[2]);
            const std::uint32_t t2 = s0 + maj;
            v = {t1 + t2, v[0], v[1], v[2], v[3] + t1, v[4], v[5], v[6]};
        }
        for (int i = 0; i < 8; ++i) h[i] += v[i];
    };
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    std::size_t done = 0;
    for (; done + 64 <= length; done += 64) block(bytes + done);
    std::array<std::uint8_t, 128> tail{};
    const std::size_t rest = length - done;
    for (std::size_t i = 0; i < rest; ++i) tail[i] = bytes[done + i];
    tail[rest] = 0x80;
    const std::size_t tailLength = rest < 56 ? 64 : 128;
    const std::uint64_t bits = static_cast<std::uint64_t>(length) * 8;
    for (int i = 0; i < 8; ++i)
        tail[tailLength - 1 - static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(bits >> (8 * i));
    block(tail.data());
    if (tailLength == 128) block(tail.data() + 64);
    std::string hex;
    char digits[9];
    for (auto word : h) {
        std::snprintf(digits, sizeof digits, "%08x", word);
        hex += digits;
    }
    return hex;
}

std::string sha256Hex(const std::vector<std::uint8_t>& bytes) { return sha256Hex(bytes.data(), bytes.size()); }

}  // namespace auralith::testing

namespace auralith::testing {

std::vector<std::int16_t> goldenRecording() {
    std::vector<std::int16_t> samples(3000);
    std::uint32_t noise = 1;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        noise = noise * 1103515245u + 12345u;
        const auto phase = static_cast<std::int32_t>(i % 200);
        const std::int32_t triangle = (phase < 100 ? phase : 200 - phase) * 500 - 25000;
        const auto jitter = static_cast<std::int32_t>((noise >> 16) % 8001) - 4000;
        samples[i] = static_cast<std::int16_t>(triangle + jitter);
    }
    samples[1000] = 32767;
    samples[1001] = -32768;
    samples[2500] = -32768;
    return samples;
}

const char* const goldenDigests[6] = {
    "539aa13ab19fbcc2931f8d7a4d59e41e08cde7f1c9c342c547edfe6405b73a80",
    "7fd41f3ebac8dc462a9ebbf8539b8e67d62c9e88d031ddca57fe01d9db999515",
    "c58e211a44fda4babed0612f95097cecdd2aeeaf12b7031fd20665a35980297a",
    "023d6ccfd77b09494d7b2d9a4708063751ecace7884459aa9483c55adef17f0b",
    "c499c99be0f347ceb9e2e98425220e39eaa04615a78c454cbe7e3fb13d15a8dc",
    "8fd4bcc75c2a83e2e878c21702f27b2835ec71ea1f26cc497e1b3cbeb2f5fb27",
};

MeasuredEars measureEars(const std::vector<std::int16_t>& stereo, std::size_t from, std::size_t to, int widest) {
    MeasuredEars m;
    double best = -1e300, left = 0, right = 0;
    for (std::size_t i = from; i < to; ++i) {
        left += double(stereo[2 * i]) * stereo[2 * i];
        right += double(stereo[2 * i + 1]) * stereo[2 * i + 1];
    }
    for (int lag = -widest; lag <= widest; ++lag) {
        double sum = 0;
        for (std::size_t i = from; i < to; ++i) {
            const auto j = static_cast<std::ptrdiff_t>(i) + lag;
            if (j >= static_cast<std::ptrdiff_t>(from) && j < static_cast<std::ptrdiff_t>(to))
                sum += double(stereo[2 * i]) * stereo[2 * static_cast<std::size_t>(j) + 1];
        }
        if (sum > best) {
            best = sum;
            m.lag = lag;
        }
    }
    m.ildDb = 10 * std::log10(left / right);
    return m;
}

std::vector<std::int16_t> whiteNoise(std::size_t count, double level, std::uint32_t seed) {
    std::vector<std::int16_t> noise(count);
    for (auto& v : noise) {
        seed = seed * 1664525u + 1013904223u;
        v = static_cast<std::int16_t>((static_cast<double>(seed >> 8) / (1u << 24) * 2 - 1) * level);
    }
    return noise;
}

}  // namespace auralith::testing
