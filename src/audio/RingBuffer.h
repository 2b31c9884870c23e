#pragma once
// Single-producer/single-consumer ring of fixed slots: the decode worker fills slots, the
// real-time callback empties them. Wait-free on both sides; slots are never allocated.
#include <array>
#include <atomic>
#include <cstddef>

namespace vantrel::audio {

template <typename T, std::size_t N>
class RingBuffer {
    static_assert((N & (N - 1)) == 0, "N must be a power of two");

public:
    // Producer: the slot to fill next, or null when full. Publish it with push().
    T* writeSlot() {
        const std::size_t head = head_.load(std::memory_order_relaxed);
        if (head - tail_.load(std::memory_order_acquire) >= N) return nullptr;
        return &slots_[head & (N - 1)];
    }
    void push() {
        head_.store(head_.load(std::memory_order_relaxed) + 1, std::memory_order_release);
    }

    // Consumer: the oldest filled slot, or null when empty. Release it with pop().
    T* front() {
        const std::size_t tail = tail_.load(std::memory_order_relaxed);
        if (tail == head_.load(std::memory_order_acquire)) return nullptr;
        return &slots_[tail & (N - 1)];
    }
    // Consumer: the i-th filled slot after the oldest, or null.
    T* peek(std::size_t i) {
        const std::size_t tail = tail_.load(std::memory_order_relaxed);
        if (head_.load(std::memory_order_acquire) - tail <= i) return nullptr;
        return &slots_[(tail + i) & (N - 1)];
    }
    void pop() {
        tail_.store(tail_.load(std::memory_order_relaxed) + 1, std::memory_order_release);
    }

    static constexpr std::size_t capacity() { return N; }

private:
    std::array<T, N> slots_{};
    alignas(64) std::atomic<std::size_t> head_{0};
    alignas(64) std::atomic<std::size_t> tail_{0};
};

}  // namespace vantrel::audio
