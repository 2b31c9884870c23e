#pragma once
// One piece of decoded (and stretched) sound on its way from a player's worker to the render,
// tagged with where in the song it comes from.
#include <algorithm>
#include <array>
#include <cstdint>

namespace vantrel::audio {

constexpr int kBlockFrames = 192;
constexpr int kChunkFrames = 512;  // render works in pieces of at most this size

// Positions travel as one word: generation in the high half, source frame in the low half.
inline std::uint64_t packPosition(std::uint32_t gen, std::int64_t frame) {
    const std::uint32_t f = std::uint32_t(std::clamp<std::int64_t>(frame, 0, UINT32_MAX));
    return (std::uint64_t(gen) << 32) | f;
}
inline std::uint32_t packedGen(std::uint64_t p) {
    return std::uint32_t(p >> 32);
}
inline std::int64_t packedFrame(std::uint64_t p) {
    return std::int64_t(p & 0xffffffffu);
}

struct Block {
    std::array<float, kBlockFrames * 2> data;
    int frames = 0;
    std::uint32_t gen = 0;
    double start = 0;  // source frame (engine rate) of data[0]
    double speed = 1;  // source frames per output frame
    bool end = false;  // nothing follows in this generation
};

}  // namespace vantrel::audio
