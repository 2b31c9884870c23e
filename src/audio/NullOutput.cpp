#include "audio/NullOutput.h"

#include <chrono>
#include <vector>

#include "audio/EngineImpl.h"

namespace vantrel::audio {

bool NullOutput::start() {
    if (pacing_.exchange(true)) return true;
    if (pacer_.joinable()) pacer_.join();
    engine_.latencyFrames.store(0);  // nothing stands between the mixer and "the speaker"
    pacer_ = std::thread([this] { pace(); });
    return true;
}

bool NullOutput::stop() {
    pacing_.store(false);
    if (pacer_.joinable()) pacer_.join();
    return true;
}

void NullOutput::pace() {
    const int frames = engine_.options.bufferFrames;
    std::vector<float> buffer(size_t(frames) * 2);
    const auto period = std::chrono::nanoseconds(std::int64_t(frames) * 1000000000 / engine_.rate);
    auto next = std::chrono::steady_clock::now();
    while (pacing_.load(std::memory_order_acquire)) {
        engine_.render(buffer.data(), frames);
        next += period;
        const auto now = std::chrono::steady_clock::now();
        if (now - next > std::chrono::milliseconds(200)) next = now;  // woke up late
        std::this_thread::sleep_until(next);
    }
}

}  // namespace vantrel::audio
