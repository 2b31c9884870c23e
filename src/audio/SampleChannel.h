#pragma once
// One of the 32 sample channels: a short sound held whole in memory, fired from the UI thread
// and played by the render.
#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

namespace vantrel::audio {

struct SampleData {
    std::vector<float> frames;  // interleaved stereo at the engine rate
    std::int64_t count() const { return std::int64_t(frames.size() / 2); }
};

struct SampleChannel {
    // (start sequence << 1) | playing; the render clears the bit when the sample is done.
    std::atomic<std::uint32_t> state{0};
    std::atomic<const SampleData*> data{nullptr};
    std::atomic<float> volume{1.0f};
    // A jingle: the music is lowered by the engine's duck gain while it sounds.
    std::atomic<bool> ducksMusic{false};
    std::unique_ptr<SampleData> owned;  // UI thread
    // Render-owned.
    std::uint32_t seenSequence = 0;
    std::int64_t cursor = 0;
    float gain = 1.0f;
};

}  // namespace vantrel::audio
