#pragma once
// The finished mix (after the soft bound, before any system mixer) as it leaves render(), for
// the sinks that are not the speaker: the stream and the recording. The render writes, one
// reader thread reads; neither ever waits. When the reader falls behind by the whole ring, the
// render drops what does not fit and counts it rather than wait.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace vantrel::audio {

class MixTap {
public:
    MixTap(int sampleRate, int seconds);
    MixTap(const MixTap&) = delete;
    MixTap& operator=(const MixTap&) = delete;

    int sampleRate() const { return rate_; }

    // Render side. Real-time safe: no lock, allocation or I/O.
    void write(const float* interleaved, int frames) noexcept;

    // Reader side. Opening empties the ring first, so a reader starts with the mix of now.
    void open();
    void close();
    bool isOpen() const { return open_.load(std::memory_order_acquire); }
    // Takes at most `maxFrames` interleaved stereo frames; returns how many.
    int read(float* interleaved, int maxFrames);
    int framesWaiting() const;
    // Frames the render could not place because the reader was a whole ring behind.
    std::int64_t droppedFrames() const { return dropped_.load(std::memory_order_relaxed); }

private:
    const int rate_;
    const std::size_t capacity_;  // frames
    std::unique_ptr<float[]> samples_;
    std::atomic<bool> open_{false};
    alignas(64) std::atomic<std::size_t> head_{0};  // frames written, ever
    alignas(64) std::atomic<std::size_t> tail_{0};  // frames read, ever
    std::atomic<std::int64_t> dropped_{0};
};

}  // namespace vantrel::audio
