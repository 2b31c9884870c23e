#include "audio/MixTap.h"

#include <algorithm>

namespace vantrel::audio {

MixTap::MixTap(int sampleRate, int seconds)
    : rate_(sampleRate),
      capacity_(std::size_t(sampleRate) * std::size_t(std::max(1, seconds))),
      samples_(std::make_unique<float[]>(capacity_ * 2)) {}

void MixTap::write(const float* in, int frames) noexcept {
    if (!open_.load(std::memory_order_acquire) || frames <= 0) return;
    const std::size_t head = head_.load(std::memory_order_relaxed);
    const std::size_t room = capacity_ - (head - tail_.load(std::memory_order_acquire));
    const std::size_t n = std::min<std::size_t>(room, std::size_t(frames));
    if (n < std::size_t(frames))
        dropped_.fetch_add(std::int64_t(std::size_t(frames) - n), std::memory_order_relaxed);
    for (std::size_t i = 0; i < n; ++i) {
        const std::size_t at = (head + i) % capacity_;
        samples_[at * 2] = in[i * 2];
        samples_[at * 2 + 1] = in[i * 2 + 1];
    }
    // Release: the reader sees the samples before it sees the new head.
    head_.store(head + n, std::memory_order_release);
}

void MixTap::open() {
    tail_.store(head_.load(std::memory_order_acquire), std::memory_order_release);
    open_.store(true, std::memory_order_release);
}

void MixTap::close() {
    open_.store(false, std::memory_order_release);
}

int MixTap::framesWaiting() const {
    return int(head_.load(std::memory_order_acquire) - tail_.load(std::memory_order_relaxed));
}

int MixTap::read(float* out, int maxFrames) {
    const std::size_t tail = tail_.load(std::memory_order_relaxed);
    const std::size_t n =
        std::min<std::size_t>(head_.load(std::memory_order_acquire) - tail, std::size_t(maxFrames));
    for (std::size_t i = 0; i < n; ++i) {
        const std::size_t at = (tail + i) % capacity_;
        out[i * 2] = samples_[at * 2];
        out[i * 2 + 1] = samples_[at * 2 + 1];
    }
    // Release: the render may overwrite these slots only after they were copied.
    tail_.store(tail + n, std::memory_order_release);
    return int(n);
}

}  // namespace vantrel::audio
